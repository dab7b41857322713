#!/usr/bin/env bash
# Builds everything (release preset, folder build/) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh all
# TARN_WERROR=ON (as continuous integration sets it) makes every warning an error.
cmake --preset release -DTARN_WERROR="${TARN_WERROR:-OFF}" >/dev/null
cmake --build --preset release
QT_QPA_PLATFORM=offscreen ctest --preset release -j "$(nproc)"
