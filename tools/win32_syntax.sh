#!/usr/bin/env bash
# Checks that the front end's Windows files compile, which no Linux build does: MinGW-w64 parses
# each frontend/*_win32.cc (-fsyntax-only) against Debian's Qt 6 headers, which serve Windows too
# through the platform macros. With TARN_WERROR=ON (as continuous integration sets it) a warning
# fails the check. The driver's Windows files are built whole by the windows preset
# (tools/wine_test.sh).
#   tools/win32_syntax.sh
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh win32-syntax
qt=/usr/include/x86_64-linux-gnu/qt6
# The Qt headers as system headers: their own warnings (a dllimport that a later declaration
# drops) are not the front end's.
includes=(-I. -isystem "$qt")
for module in QtCore QtGui QtWidgets QtCharts; do includes+=(-isystem "$qt/$module"); done

warnings=(-Wall -Wextra)
[ "${TARN_WERROR:-OFF}" != ON ] || warnings+=(-Werror)

failed=0
for file in frontend/*_win32.cc; do
  echo "Compiling $file for Windows (syntax only)"
  x86_64-w64-mingw32-g++-posix -std=c++20 -fsyntax-only "${warnings[@]}" "${includes[@]}" \
    "$file" || failed=1
done
exit "$failed"
