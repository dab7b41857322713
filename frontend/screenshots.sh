#!/usr/bin/env bash
# Takes the screenshots in docs/ under a virtual display, from a temporary folder so that no path
# of the build machine shows, with the plain stand-in model as a user runs it: the main window
# during a run of the bundled example (its live run log and run panel), the report window with
# its charts at the end of that run and at its smallest size, the main window at each end of a
# run (finished, failed, stopped), the error dialog of a run whose model fails for one
# application id, and the first two pages of the example's dossier PDF side by side.
# Needs xvfb (xvfb-run), imagemagick (import, convert), xdotool, xprop and poppler-utils
# (pdftoppm), which it installs when missing.
# Usage: frontend/screenshots.sh [build folder, default build]
set -eu
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(cd "${1:-$source_dir/build}" && pwd)
. "$source_dir/tools/lib/run_folder.sh"

if [ -z "${DISPLAY:-}" ]; then
  "$source_dir/tools/install-deps.sh" screenshots
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build_dir"
fi

work=$(mktemp -d /tmp/tarn.XXXXXX)
pid=
trap 'if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; fi; rm -rf "$work"' EXIT
mkdir -p "$work/runs/bin" "$work/runs/model" "$work/runs/output" "$work/config/LanthModels"
cp "$build_dir/bin/TARN_DoduVovuv" "$work/runs/bin/"
# The plain stand-in model, as a user runs it (it prints nothing when its output is no terminal).
cp "$build_dir/bin/model/TolvaModel.exe" "$work/runs/model/"

# Starts TARN_SB in the run folder on the model input `$1`.tol (the example with the stand-in
# model's test record `$2` added) and presses Calculate once its window shows.
start_run() {
  example_input "$work/runs" "$1" "$2"
  printf '[General]\nTolvaFilePath=%s\nTolvaModelPath=%s\nOutputPath=%s\n' \
    "$work/runs/$1.tol" "$work/runs/model/TolvaModel.exe" "$work/runs/output" \
    > "$work/config/LanthModels/TARN.conf"
  cd "$work/runs"
  XDG_CONFIG_HOME="$work/config" ./bin/TARN_SB > "$work/TARN_SB.log" 2>&1 &
  pid=$!
  main=$(xdotool search --sync --onlyvisible --name '^TARN$' | head -n 1)
  # Calculate is the first button of the window.
  xdotool mousemove --window "$main" 40 25 click 1
}

# The visible window named TARN other than the main window: the dialog the run ended with.
dialog() {
  while :; do
    for window in $(xdotool search --onlyvisible --name '^TARN$'); do
      if [ "$window" != "$main" ]; then echo "$window"; return; fi
    done
    sleep 0.2
  done
}

# The smallest size the window `$1` allows, as "width height".
minimum_size() {
  xprop -id "$1" WM_NORMAL_HINTS | sed -n 's/.*minimum size: \([0-9]*\) by \([0-9]*\).*/\1 \2/p'
}

# Presses the keys `$2` in the window `$1`.
keys() {
  xdotool windowfocus "$1"
  sleep 0.2
  xdotool key "$2"
}

# Closes the main window, answering its question.
close_main() {
  keys "$main" alt+l
  sleep 0.5
  xdotool key Return
  wait "$pid" || true
  pid=
}

cp "$build_dir/bin/TARN_SB" "$work/runs/bin/"
start_run GW_Test "0.6     StandInRunTime"
sleep 3.5
import -window "$main" "$source_dir/docs/run_in_progress.png"
report=$(xdotool search --sync --onlyvisible --name '^TARN Report$' | head -n 1)
sleep 1
import -window "$report" "$source_dir/docs/report_window_chart.png"
# shellcheck disable=SC2046
xdotool windowsize "$report" $(minimum_size "$report")
sleep 0.5
keys "$report" alt+c
sleep 0.5
import -window "$report" "$source_dir/docs/report_window_minimum.png"
xdotool key Escape
sleep 0.5
import -window "$main" "$source_dir/docs/run_finished.png"
close_main

start_run GW_Fail "7     StandInFailFor"
failure=$(dialog)
sleep 1
import -window "$failure" "$source_dir/docs/failed_run.png"
xdotool key Return
sleep 0.5
import -window "$main" "$source_dir/docs/run_failed.png"
close_main

start_run GW_Test "0.6     StandInRunTime"
sleep 2.5
keys "$main" alt+s
sleep 2
import -window "$main" "$source_dir/docs/run_stopped.png"
close_main

# The dossier of the example, written headless; its first two pages at 60 dots per inch.
example_input "$work/runs" GW_Test
XDG_CONFIG_HOME="$work/config" ./bin/TARN_SB --batch --quiet --input "$work/runs/GW_Test.tol" \
  --model "$work/runs/model/TolvaModel.exe" --output "$work/runs/output" --launcher '' \
  --pdf "$work/GW_Test.pdf" > /dev/null
pdftoppm -r 60 -f 1 -l 2 -png "$work/GW_Test.pdf" "$work/page"
convert "$work/page-1.png" "$work/page-2.png" -bordercolor gray -border 1 +append \
  "$source_dir/docs/dossier_pages.png"
