#!/bin/sh
# Takes the screenshots in docs/ under a virtual display: the report window with its charts that
# Calculate shows for the bundled example, and the main window after that run.
# Needs xvfb (xvfb-run), imagemagick (import) and xdotool.
# Usage: frontend/screenshots.sh [build folder, default build-debug]
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "${1:-$source_dir/build-debug}" && pwd)

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build_dir"
fi

work=$(mktemp -d)
trap 'kill "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$source_dir"/examples/GW_Test.tol "$source_dir"/examples/GW_Test.bot \
  "$source_dir"/examples/GW_Test.met "$work"
mkdir -p "$work/output" "$work/config/LanthModels"
printf '[General]\nTolvaModelPath=%s\n' "$build_dir/bin/model/TolvaModel.exe" \
  > "$work/config/LanthModels/TARN.conf"

cd "$work"
XDG_CONFIG_HOME="$work/config" "$build_dir/bin/TARN_SB" > "$work/TARN_SB.log" 2>&1 &
pid=$!

main=$(xdotool search --sync --onlyvisible --name '^TARN$' | head -n 1)
# Calculate is the first button of the window.
xdotool mousemove --window "$main" 40 25 click 1
report=$(xdotool search --sync --onlyvisible --name '^TARN Report$' | head -n 1)
sleep 1
import -window "$report" "$source_dir/docs/report_window_chart.png"
xdotool key --window "$report" Escape
sleep 1
import -window "$main" "$source_dir/docs/main_window.png"
