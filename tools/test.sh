#!/usr/bin/env bash
# Builds everything (release preset, folder build/) and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh all
cmake --preset release >/dev/null
cmake --build --preset release
QT_QPA_PLATFORM=offscreen ctest --preset release -j "$(nproc)"
