#!/usr/bin/env bash
# Installs the Debian packages a build needs, skipping those already present.
#   tools/install-deps.sh driver    compiler, CMake, Ninja (the driver and the stand-in model)
#   tools/install-deps.sh all       the above, GoogleTest and Qt 6 (everything, tests included)
#   tools/install-deps.sh windows   driver, MinGW-w64 and Wine (the Windows build and its tests)
#   tools/install-deps.sh slurm     Slurm and munge (the one-node cluster of tools/slurm_test.sh)
set -euo pipefail

packages=(g++ cmake ninja-build)
if [ "${1:-all}" = slurm ]; then
  packages=(slurm-wlm munge)
fi
if [ "${1:-all}" = all ]; then
  packages+=(libgtest-dev qt6-base-dev qt6-charts-dev libqt6opengl6-dev)
fi
if [ "${1:-all}" = windows ]; then
  packages+=(g++-mingw-w64-x86-64 wine wine64)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
