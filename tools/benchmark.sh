#!/usr/bin/env bash
# Benchmarks of the driver's model-run orchestration (prints figures; asserts nothing).
#
# 1. Overhead: a user-defined schedule of 366 application ids against a model that only writes
#    its summary. Prints the driver's wall time divided by the time of one shell loop that starts
#    the same 366 model commands at the same priority, the median and the best of the repeats
#    (goal: a median of at most 1.10 on a quiet machine).
# 2. Parallel runs: M ids against a model that takes T seconds per run, with N runs at once.
#    Prints the wall time divided by M*T/N, the ideal, for N = 1 and N = 2 (goal for N = 2:
#    at most 1.2).
# 3. Dossier PDF (when TARN_SB is built): the size of the bundled example's dossier
#    (TARN_SB --batch --pdf; goal: at most 200 KB) and the time it takes to write, the best
#    headless run with --pdf less the best without (goal: under 2 s).
# 4. Slurm (when Slurm and munge are installed: tools/install-deps.sh slurm): on a one-node
#    cluster on localhost (tools/slurm_cluster.sh), the cost per model run of the Slurm launcher
#    (tools/launchers/slurm) against the direct start, one run at a time; the wall time of
#    the M ids of T seconds with 4 runs at once through Slurm against the ideal; and (when the
#    front end is built) the run plan of 5. as one batch job of 2 CPUs (tools/tarn-sbatch), its
#    24 model runs steps of the job, 2 at once: the time from the submission to the first model
#    run, and from then to the plan's end against the ideal (goal: at most 1.15).
# 5. Run plan (when the front end is built): 4 scenarios of 6 ids of T seconds through
#    `TARN_SB --batch --plan` with 2 model runs at once across the plan, against the ideal
#    (goal: at most 1.2).
#
#   tools/benchmark.sh [build folder, default build]   (BENCH_REPEAT, BENCH_T, BENCH_M to vary)
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/lib/build.sh
. tools/lib/run_folder.sh
build="${1:-build}"
if [ ! -x "$build/bin/TARN_DoduVovuv" ] || [ ! -x "$build/bin/model/TolvaModel.exe" ]; then
  driver_build "$build"
fi
bin="$(cd "$build/bin" && pwd)"
repeat="${BENCH_REPEAT:-3}"
work="$(mktemp -d)"
shm=""
slurm_dir=""
cleanup() {
  [ -z "$slurm_dir" ] || slurm_cluster_stop
  rm -rf "$work" ${shm:+"$shm"} ${slurm_dir:+"$slurm_dir"}
}
trap cleanup EXIT

now() { date +%s.%N; }
calc() { awk "BEGIN { print $* }"; }

# A run folder with a one-row scenario, the stand-in hooks and the example's user-defined control
# file with these days.
prepare() { # folder first last interval hooks...
  local folder="$1" first="$2" last="$3" interval="$4"
  shift 4
  mkdir -p "$folder"
  {
    printf 'table compounds\nBenchA\nend_table\n'
    printf 'table Applications\n01-Apr AppSolSur 1.0\nend_table\n'
    printf '%s\n' "$@"
  } > "$folder/bench.tol"
  example_control_file "$folder/bench.tsb" UserDefined "$bin/model/"
  set_control_record "$folder/bench.tsb" DelTimAppId "$interval"
  set_control_record "$folder/bench.tsb" DayInYeaAppFirst "$first"
  set_control_record "$folder/bench.tsb" DayInYeaAppLast "$last"
}

# runs_at_once folder n: n model runs at once.
runs_at_once() { set_control_record "$1/bench.tsb" NumParallelRuns "$2" "Model runs at once"; }

# through_slurm folder: every model run a Slurm job step.
through_slurm() { set_control_record "$1/bench.tsb" ModelLauncher "$launcher" "Slurm job steps"; }

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
  local folder="$1" best="" ratios=() i start driver loop ratio
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
    ratios+=("$ratio")
  done
  local median
  median=$(printf '%s\n' "${ratios[@]}" | sort -g | awk '{ r[NR] = $1 }
    END { print (NR % 2 ? r[(NR + 1) / 2] : (r[NR / 2] + r[NR / 2 + 1]) / 2) }')
  printf '  overhead ratio: median of %d %.3f (goal <= 1.10), best %.3f\n' "$repeat" "$median" \
    "$best"
}

echo "== Overhead: 366 application ids, a model that only writes its summary"
echo "On the disk of $work:"
overhead "$work/overhead"
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  shm=$(mktemp -d /dev/shm/tarn-bench.XXXXXX)
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
  [ "$n" -eq 1 ] || runs_at_once "$folder" "$n"
  start=$(now); run_driver "$folder"; wall=$(calc "$(now) - $start")
  ideal=$(calc "$m * $t / $n")
  printf 'N = %d: wall %.3f s, ideal %.3f s, ratio %.3f%s\n' "$n" "$wall" "$ideal" \
    "$(calc "$wall / $ideal")" "$([ "$n" = 2 ] && echo ' (goal <= 1.2)')"
done
echo

echo "== Dossier PDF of the bundled example"
if [ -x "$bin/TARN_SB" ]; then
  best_with="" best_without=""
  for i in $(seq "$repeat"); do
    for way in with without; do
      folder="$work/dossier-$way-$i"
      mkdir -p "$folder/out"
      pdf=()
      [ "$way" = without ] || pdf=(--pdf "$folder/GW_Test.pdf")
      start=$(now)
      XDG_CONFIG_HOME="$folder" XDG_CONFIG_DIRS="$folder" "$bin/TARN_SB" --batch --quiet \
        --input examples/GW_Test.tol --model "$bin/model/TolvaModel.exe" --output "$folder/out" \
        --launcher '' "${pdf[@]}" >/dev/null 2>&1 || {
        echo "headless run failed in $folder" >&2
        exit 1
      }
      wall=$(calc "$(now) - $start")
      if [ "$way" = with ]; then
        if [ -z "$best_with" ] || [ "$(calc "$wall < $best_with")" = 1 ]; then best_with=$wall; fi
      elif [ -z "$best_without" ] || [ "$(calc "$wall < $best_without")" = 1 ]; then
        best_without=$wall
      fi
    done
  done
  size=$(stat -c %s "$work/dossier-with-1/GW_Test.pdf")
  printf 'size %d bytes (%.1f KB, goal <= 200 KB), %s pages\n' "$size" "$(calc "$size / 1024")" \
    "$(pdfinfo "$work/dossier-with-1/GW_Test.pdf" 2>/dev/null | awk '/^Pages:/ { print $2 }')"
  printf 'headless run with --pdf %.3f s, without %.3f s (best of %d): ' "$best_with" \
    "$best_without" "$repeat"
  printf 'writing it %.3f s (goal < 2 s)\n' "$(calc "$best_with - $best_without")"
else
  echo "skipped: $bin/TARN_SB is not built (cmake --build $build --target TARN_SB)"
fi

# A run plan through the front end's headless mode: S scenarios of M_PLAN ids each, N = 2 model
# runs at once across all of them (several drivers sharing the plan's tokens).
s_plan=4
m_plan=6
echo "== Run plan: $s_plan scenarios x $m_plan ids, T = $t s per run, N = 2 across the plan"
if [ -x "$bin/TARN_SB" ]; then
  plan="$work/plan"
  printf 'name,input,option,interval,first_day,last_day\n' > "$work/plan.csv"
  for i in $(seq "$s_plan"); do
    prepare "$plan/in$i" 0 $((10 * (m_plan - 1))) 10 "$t StandInRunTime" "Yes StandInSummaryOnly"
    printf 's%d,%s,UserDefined,10,0,%d\n' "$i" "$plan/in$i/bench.tol" $((10 * (m_plan - 1))) \
      >> "$work/plan.csv"
  done
  mkdir -p "$plan/out"
  start=$(now)
  QT_QPA_PLATFORM=offscreen "$bin/TARN_SB" --batch --quiet --plan "$work/plan.csv" \
    --output "$plan/out" --model "$bin/model/TolvaModel.exe" --jobs 2 >/dev/null 2>&1 ||
    { echo "the plan failed" >&2; exit 1; }
  wall=$(calc "$(now) - $start")
  ideal=$(calc "$s_plan * $m_plan * $t / 2")
  printf 'N = 2: wall %.3f s, ideal %.3f s, ratio %.3f (goal <= 1.2)\n' "$wall" "$ideal" \
    "$(calc "$wall / $ideal")"
else
  echo "skipped: no front end $bin/TARN_SB (build the release preset with the front end)"
fi
echo

# Figures of the Slurm launcher. The cluster's node has this machine's CPUs: with fewer CPUs than
# runs at once, the runs beyond them wait in the queue for the scheduler.
echo "== Slurm: model runs as job steps on a one-node cluster on localhost"
launcher="$PWD/tools/launchers/slurm"
if ! command -v munged >/dev/null || ! command -v slurmctld >/dev/null ||
  ! command -v slurmd >/dev/null || ! command -v srun >/dev/null; then
  echo "skipped: Slurm and munge are not installed (tools/install-deps.sh slurm)"
  exit 0
fi
# shellcheck source=tools/slurm_cluster.sh
. tools/slurm_cluster.sh
slurm_dir="$(mktemp -d)"
# munged's socket must be in a folder that all users may search.
chmod 755 "$slurm_dir"
if ! slurm_cluster_start "$slurm_dir/cluster"; then
  echo "skipped: the cluster did not start"
  exit 0
fi
cpus=$(nproc)

echo "Cost per model run, $m ids one at a time, a model that only writes its summary:"
best_direct="" best_slurm=""
for i in $(seq "$repeat"); do
  for way in direct slurm; do
    folder="$work/slurm-cost-$way-$i"
    prepare "$folder" 0 $((10 * (m - 1))) 10 "Yes StandInSummaryOnly"
    [ "$way" = direct ] || through_slurm "$folder"
    start=$(now); run_driver "$folder"; wall=$(calc "$(now) - $start")
    if [ "$way" = direct ]; then direct=$wall; else slurm=$wall; fi
  done
  printf '  run %d: direct %.3f s, through Slurm %.3f s, cost %.3f s per model run\n' "$i" \
    "$direct" "$slurm" "$(calc "($slurm - $direct) / $m")"
  if [ -z "$best_direct" ] || [ "$(calc "$direct < $best_direct")" = 1 ]; then
    best_direct=$direct
  fi
  if [ -z "$best_slurm" ] || [ "$(calc "$slurm < $best_slurm")" = 1 ]; then best_slurm=$slurm; fi
done
printf '  per model run (best of %d): direct %.3f s, through Slurm %.3f s, cost %.3f s\n' \
  "$repeat" "$(calc "$best_direct / $m")" "$(calc "$best_slurm / $m")" \
  "$(calc "($best_slurm - $best_direct) / $m")"

# N = 4 runs at once; where the node has fewer CPUs, also N = its CPUs, where no run waits in the
# queue, which shows the launcher's own share.
for n in 4 $([ "$cpus" -lt 4 ] && echo "$cpus"); do
  echo "Parallel runs through Slurm: M = $m ids, T = $t s per run, N = $n, a node of $cpus CPUs:"
  folder="$work/slurm-parallel-$n"
  prepare "$folder" 0 $((10 * (m - 1))) 10 "$t StandInRunTime" "Yes StandInSummaryOnly"
  runs_at_once "$folder" "$n"
  through_slurm "$folder"
  start=$(now); run_driver "$folder"; wall=$(calc "$(now) - $start")
  ideal=$(calc "$m * $t / $n")
  printf '  wall %.3f s, ideal %.3f s, ratio %.3f\n' "$wall" "$ideal" "$(calc "$wall / $ideal")"
  if [ "$cpus" -lt "$n" ]; then
    node_ideal=$(calc "$m * $t / $cpus")
    printf '  the node runs %d at once, the others wait in the queue: ideal %.3f s, ratio %.3f\n' \
      "$cpus" "$node_ideal" "$(calc "$wall / $node_ideal")"
  fi
done

# A run plan as one batch job (tools/tarn-sbatch) in an allocation of 2 CPUs: the plan above, its
# model runs job steps of the allocation, 2 at once; its wall time from the first model run to
# the plan's end against the ideal, and the time from the submission to the first model run.
echo "Run plan as one batch job of 2 CPUs (tools/tarn-sbatch): $s_plan scenarios x $m_plan ids," \
  "T = $t s, N = 2:"
if [ -x "$bin/TARN_SB" ]; then
  sb="$work/slurm-plan"
  mkdir -p "$sb/out" "$sb/model"
  # The stand-in model behind a script that notes when each run starts.
  printf '#!/bin/sh\ndate +%%s.%%N >>%q\nexec %q "$@"\n' "$sb/starts" \
    "$bin/model/TolvaModel.exe" >"$sb/model/TolvaModel.exe"
  chmod +x "$sb/model/TolvaModel.exe"
  tarn_sbatch="$PWD/tools/tarn-sbatch"
  submitted=$(now)
  id=$(cd "$sb" && TARN_SB="$bin/TARN_SB" "$tarn_sbatch" "$work/plan.csv" "$sb/out" \
    --ntasks=2 --output="$sb/job.out" -- --quiet --model "$sb/model/TolvaModel.exe")
  state=""
  for _ in $(seq 6000); do
    state=$(scontrol show job "$id" --oneliner 2>/dev/null | grep -o 'JobState=[A-Z_]*' || true)
    case $state in JobState=PENDING | JobState=RUNNING | JobState=COMPLETING | "") ;; *) break ;; esac
    sleep 0.05
  done
  ended=$(now)
  if [ "$state" != JobState=COMPLETED ] || [ ! -s "$sb/starts" ]; then
    echo "  the job $id ended as $state; its output: $sb/job.out" >&2
    tail -n 5 "$sb/job.out" >&2 || true
    exit 1
  fi
  first=$(sort -g "$sb/starts" | head -n 1)
  # The plan's end: its last line, the summary table's, in the job's output file.
  plan_end=$(stat -c %.9Y "$sb/job.out")
  ideal=$(calc "$s_plan * $m_plan * $t / 2")
  printf '  from the submission to the first model run %.3f s\n' "$(calc "$first - $submitted")"
  printf '  from the first model run to the end of the plan %.3f s (%d model runs), ideal %.3f s,' \
    "$(calc "$plan_end - $first")" "$(wc -l <"$sb/starts")" "$ideal"
  printf ' ratio %.3f (goal <= 1.15)\n' "$(calc "($plan_end - $first) / $ideal")"
  printf '  the job ended %.3f s after the plan, %.3f s after its submission\n' \
    "$(calc "$ended - $plan_end")" "$(calc "$ended - $submitted")"
else
  echo "  skipped: no front end $bin/TARN_SB"
fi
