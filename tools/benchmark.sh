#!/usr/bin/env bash
# Benchmarks of the driver's model-run orchestration (prints figures; asserts nothing).
#
# 1. Overhead: a user-defined schedule of 366 application ids against a model that only writes
#    its summary. Prints the driver's wall time divided by the time of one shell loop that starts
#    the same 366 model commands at the same priority (goal: at most 1.10).
# 2. Parallel runs: M ids against a model that takes T seconds per run, with N runs at once.
#    Prints the wall time divided by M*T/N, the ideal, for N = 1 and N = 2 (goal for N = 2:
#    at most 1.2).
#
#   tools/benchmark.sh [build folder, default build]   (BENCH_REPEAT, BENCH_T, BENCH_M to vary)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [ ! -x "$build/bin/TARN_DoduVovuv" ] || [ ! -x "$build/bin/model/TolvaModel.exe" ]; then
  tools/install-deps.sh driver
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARN_BUILD_FRONTEND=OFF \
    -DTARN_BUILD_TESTS=OFF >/dev/null
  cmake --build "$build" >/dev/null
fi
bin="$(cd "$build/bin" && pwd)"
repeat="${BENCH_REPEAT:-3}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

now() { date +%s.%N; }
calc() { awk "BEGIN { print $* }"; }

# A run folder with a one-row scenario, the stand-in hooks and a user-defined control file.
prepare() { # folder first last interval hooks...
  local folder="$1" first="$2" last="$3" interval="$4"
  shift 4
  mkdir -p "$folder"
  {
    printf 'table compounds\nBenchA\nend_table\n'
    printf 'table Applications\n01-Apr AppSolSur 1.0\nend_table\n'
    printf '%s\n' "$@"
  } > "$folder/bench.tol"
  {
    printf '%s/    BinDir   ! Path to executable of TOLVA\r\n' "$bin/model"
    printf 'UserDefined     OptApp               ! Options are Monthly or UserDefined\r\n'
    printf '%s        DelTimAppId (d)   ! interval\r\n' "$interval"
    printf '%s        DayInYeaAppFirst (d)      ! first\r\n' "$first"
    printf '%s        DayInYeaAppLast (d)       ! last \r\n' "$last"
  } > "$folder/bench.tsb"
}

run_driver() { # folder
  (cd "$1" && "$bin/TARN_DoduVovuv" bench.tol >/dev/null 2>&1)
  [ -f "$1/tolva.ok" ] || { echo "driver run failed in $1" >&2; exit 1; }
}

# The loop runs the driver's very commands (the interpreter replaced by the model) at the driver's
# priority: the whole loop is niced once, as the driver's children are, since a nice per command
# would add an exec of its own to the loop. Both start without summaries (the driver removes old
# ones first), so the model creates each anew in both. Measured on the disk of the work folder,
# where creating a file may cost far more than starting a process (the driver creates one model
# input per id), and on a tmpfs, which leaves the cost of starting and waiting for the models.
overhead() { # folder
  local folder="$1" best="" i start driver loop ratio
  prepare "$folder" 0 365 1 "Yes StandInSummaryOnly"
  for i in $(seq "$repeat"); do
    rm -f "$folder"/bench_*
    start=$(now); run_driver "$folder"; driver=$(calc "$(now) - $start")
    rm -f "$folder"/bench_*.sum
    start=$(now)
    (cd "$folder" && nice -n 19 /bin/sh -c '
      for id in $(seq 366); do /bin/sh -c "exec '"'"'$0'"'"' bench_$id.tol"; done' \
      "$bin/model/TolvaModel.exe")
    loop=$(calc "$(now) - $start")
    ratio=$(calc "$driver / $loop")
    printf '  run %d: driver %.3f s, shell loop %.3f s, ratio %.3f\n' "$i" "$driver" "$loop" "$ratio"
    if [ -z "$best" ] || [ "$(calc "$ratio < $best")" = 1 ]; then best=$ratio; fi
  done
  printf '  overhead ratio (best of %d): %.3f (goal <= 1.10)\n' "$repeat" "$best"
}

echo "== Overhead: 366 application ids, a model that only writes its summary"
echo "On the disk of $work:"
overhead "$work/overhead"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  shm=$(mktemp -d /dev/shm/tarn-bench.XXXXXX)
  trap 'rm -rf "$work" "$shm"' EXIT
  echo "On a tmpfs ($shm):"
  overhead "$shm/overhead"
fi
echo

t="${BENCH_T:-0.5}"
m="${BENCH_M:-24}"
echo "== Parallel runs: M = $m ids, T = $t s per run"
for n in 1 2; do
  folder="$work/parallel-$n"
  hooks=("$t StandInRunTime" "Yes StandInSummaryOnly")
  prepare "$folder" 0 $((10 * (m - 1))) 10 "${hooks[@]}"
  [ "$n" -gt 1 ] && printf '%s        NumParallelRuns   ! Model runs at once\r\n' "$n" >> "$folder/bench.tsb"
  start=$(now); run_driver "$folder"; wall=$(calc "$(now) - $start")
  ideal=$(calc "$m * $t / $n")
  printf 'N = %d: wall %.3f s, ideal %.3f s, ratio %.3f%s\n' "$n" "$wall" "$ideal" \
    "$(calc "$wall / $ideal")" "$([ "$n" = 2 ] && echo ' (goal <= 1.2)')"
done
