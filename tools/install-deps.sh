#!/usr/bin/env bash
# Installs the Debian packages a build needs, skipping those already present.
#   tools/install-deps.sh driver        compiler, CMake, Ninja (the driver and the stand-in model)
#   tools/install-deps.sh all           the above, GoogleTest, Qt 6 and what TARN_SB needs at run
#                                       time (everything, tests included)
#   tools/install-deps.sh runtime       what TARN_SB loads at run time, which no link shows: the
#                                       offscreen platform plugin (in libqt6gui6) that draws the
#                                       dossier PDF of --batch --pdf, a font to draw it with, and
#                                       poppler-utils, with which the tests read the PDF back
#   tools/install-deps.sh windows       driver, MinGW-w64, Wine and unzip (the Windows build, its
#                                       zip and its tests)
#   tools/install-deps.sh win32-syntax  MinGW-w64 and the Qt 6 headers (tools/win32_syntax.sh)
#   tools/install-deps.sh fuzz          driver, clang and its libFuzzer (tools/fuzz.sh)
#   tools/install-deps.sh slurm         Slurm and munge (the one-node cluster of tools/slurm_test.sh)
#   tools/install-deps.sh screenshots   a virtual display, imagemagick, xdotool, xprop and
#                                       poppler-utils
#                                       (frontend/screenshots.sh)
#   tools/install-deps.sh package       what makes and checks the Debian package: dpkg-dev
#                                       (dpkg-shlibdeps), lintian, desktop-file-utils, man-db
#                                       (tools/package.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/lib/packages.sh

group="${1:-all}"
packages=()
# Each list once: a group takes the lists it names, in order (";;&" goes on to the next match).
case "$group" in
  driver | all | windows | fuzz) packages+=(g++ cmake ninja-build) ;;&
  all) packages+=(libgtest-dev qt6-base-dev qt6-charts-dev libqt6opengl6-dev) ;;&
  all | runtime)
    packages+=(libqt6gui6 libqt6widgets6 libqt6charts6 fontconfig fonts-dejavu-core poppler-utils)
    ;;&
  windows) packages+=(g++-mingw-w64-x86-64 wine wine64 unzip) ;;&
  win32-syntax) packages+=(g++-mingw-w64-x86-64 qt6-base-dev qt6-charts-dev) ;;&
  fuzz) packages+=(clang libclang-rt-14-dev) ;;&
  slurm) packages+=(slurm-wlm munge) ;;&
  screenshots) packages+=(xvfb imagemagick xdotool x11-utils poppler-utils) ;;&
  package) packages+=(dpkg-dev lintian desktop-file-utils man-db) ;;&
  driver | all | runtime | windows | win32-syntax | fuzz | slurm | screenshots | package) ;;
  *)
    echo "usage: tools/install-deps.sh" \
      "[driver|all|runtime|windows|win32-syntax|fuzz|slurm|screenshots|package]" >&2
    exit 2
    ;;
esac
install_packages "${packages[@]}"
