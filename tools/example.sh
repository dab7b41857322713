#!/usr/bin/env bash
# Runs the bundled example end to end: builds the driver and the stand-in model, prepares a run
# folder under out/ as the front end does, runs the driver there and prints the report's header
# and leaching sections.
#   tools/example.sh [Monthly|UserDefined]
set -euo pipefail
cd "$(dirname "$0")/.."
option="${1:-Monthly}"
case "$option" in
  Monthly | UserDefined) ;;
  *) echo "usage: tools/example.sh [Monthly|UserDefined]" >&2; exit 2 ;;
esac

tools/install-deps.sh driver
cmake -S . -B build-example -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTARN_BUILD_FRONTEND=OFF -DTARN_BUILD_TESTS=OFF >/dev/null
cmake --build build-example

bin="$PWD/build-example/bin"
run="$PWD/out/example-$option"
rm -rf "$run"
mkdir -p "$run"
cp examples/GW_Test.tol examples/GW_Test.bot examples/GW_Test.met "$run/"
# The control file as the front end writes it, with this build's model folder on its first line.
{
  printf '%s/    BinDir   ! Path to executable of TOLVA\r\n' "$bin/model"
  tail -n +2 "examples/GW_Test_$option.tsb"
} > "$run/GW_Test.tsb"

echo "Running the driver in $run"
(cd "$run" && "$bin/TARN_DoduVovuv" GW_Test.tol)

if [ ! -f "$run/tolva.ok" ]; then
  echo "The run failed; see $run/GW_Test.err" >&2
  exit 1
fi
echo
# The report's header and leaching sections, each followed by an empty line.
awk '/\* TARN Doduvovuv REPORT: Header|\* TARN Doduvovuv Report: Leaching/ { on = 1 }
     on { print }
     /\* End of TARN Doduvovuv REPORT: Header|\* End of TARN Doduvovuv Report: Leaching/ { on = 0; print "" }' \
  "$run/GW_Test_Tsb.sum"
echo "The whole report: $run/GW_Test_Tsb.sum"
