#!/usr/bin/env bash
# End-to-end test of the Slurm model launcher (tools/launchers/slurm). Installs Slurm and munge
# when missing, starts a one-node cluster on localhost (tools/slurm_cluster.sh), builds the driver
# and the stand-in model, and runs each scenario twice in fresh folders: once with the model
# started directly, once with every model run a Slurm job step. Both runs must leave the same
# files with the same contents; allowed differences: the "* Working directory" header line, the
# control file and the log's echo of its ModelLauncher record. The example run plan goes through
# tools/tarn-sbatch as one batch job and must leave what it leaves here (the front end of the
# release build in build/, built when missing). The stop scenarios check that no job step or
# model outlives a driver that is stopped or killed. Every daemon is stopped by its
# pid at the end, also when a step fails.
#   tools/slurm_test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd -P)
SECONDS=0
. tools/lib/build.sh
. tools/lib/compare.sh
. tools/lib/run_folder.sh

tools/install-deps.sh driver
tools/install-deps.sh slurm

build="build-driver"
driver_build "$build"
bin="$root/$build/bin"
model="$bin/model"
launcher="$root/tools/launchers/slurm"
# The run plan's check needs the front end: that of the release build (tools/test.sh makes it).
if [ ! -x build/bin/TARN_SB ]; then
  tools/install-deps.sh all
  cmake --preset release -DTARN_WERROR="${TARN_WERROR:-OFF}" >/dev/null
  cmake --build build --target TARN_SB TARN_DoduVovuv TolvaModel >/dev/null
fi
front_end="$root/build/bin/TARN_SB"
front_end_model="$root/build/bin/model/TolvaModel.exe"

work=$(mktemp -d)
# munged's socket must be in a folder that all users may search.
chmod 755 "$work"
# shellcheck source=tools/slurm_cluster.sh
. tools/slurm_cluster.sh
trap slurm_cluster_stop EXIT
slurm_cluster_start "$work/cluster"
echo "Cluster up, driver built (${SECONDS}s)"

# prepare <folder> <runs at once> [record...]: a run folder as the front end leaves it
# (prepare_run_folder, the records ending the model input), with a user-defined schedule of 24
# ids (days 0 to 230 every 10 days: the example's second application, 14 days after the first,
# must fall on day 250 at the latest) and that many model runs at once; through Slurm when $way
# is slurm.
prepare() {
  local folder=$1 runs=$2 control="$1/GW_Test.tsb"
  shift 2
  prepare_run_folder "$folder" UserDefined "$model/" "$@"
  set_control_record "$control" DelTimAppId 10
  set_control_record "$control" DayInYeaAppFirst 0
  set_control_record "$control" DayInYeaAppLast 250
  [ "$runs" -eq 1 ] || set_control_record "$control" NumParallelRuns "$runs" "Model runs at once"
  [ "$way" != slurm ] || set_control_record "$control" ModelLauncher "$launcher" "Slurm job steps"
}

# drive <folder>: runs the driver there; its output goes to <folder>.out.
drive() { (cd "$1" && "$bin/TARN_DoduVovuv" GW_Test.tol) >"$1.out" 2>&1; }

# problem <text>: notes a fault of the current scenario.
problem() { echo "$1" >>"$work/$name.problems"; }

# The compared scenarios. Each runs in the folder $top, its model runs through Slurm when $way is
# slurm.
scenario_parallel() {
  prepare "$top" 4
  drive "$top"
  [ -f "$top/tolva.ok" ] || problem "$way: no tolva.ok"
}

# One model run at a time, in the run folder itself.
scenario_one_at_a_time() {
  prepare "$top" 1
  drive "$top"
  [ -f "$top/tolva.ok" ] || problem "$way: no tolva.ok"
}

# The model fails for application id 3: the step's exit code must reach the driver.
scenario_fatal_model() {
  prepare "$top" 4 "3    StandInFailFor"
  drive "$top"
  [ ! -f "$top/tolva.ok" ] || problem "$way: tolva.ok despite a failed model run"
}

# normalise <file>: the file without the lines allowed to differ: the working folder, and the
# log's echo of the ModelLauncher record with the rule above it.
normalise() {
  awk '/^\* Working directory          : / { next }
       held && /^ *ModelLauncher / { held = 0; next }
       held { print rule; held = 0 }
       /^-+$/ { rule = $0; held = 1; next }
       { print }
       END { if (held) print rule }' "$1"
}

# normalise_record <file>: an audit record without what differs between a run here and one
# through Slurm: times, the output folder, the launcher (setting and file), and the sizes and
# hashes of the files the run left, which are compared themselves; trailing commas left out.
normalise_record() {
  awk '{ sub(/,$/, "") }
       /"(modified|started|ended|outputFolder|launcher)":/ { next }
       /^    "outputs": \[$/ { outputs = 1 }
       /^    \]$/ { outputs = 0 }
       outputs && /"(sha256|size)":/ { next }
       /^        \{$/ { entry = $0; next }
       entry != "" { entry = entry "\n" $0 }
       entry != "" && /^        \}$/ {
         if (entry !~ /"role": "model launcher"/) print entry
         entry = ""
       }
       entry == "" && !/^        \}$/ { print }' "$1"
}

# normalise_run_file left|right <file>: normalise for compare_run_folders.
normalise_run_file() {
  case $2 in
    */.tarn-record.json) normalise_record "$2" ;;
    *) normalise "$2" ;;
  esac
}

# compare <scenario>: notes every difference between what the two runs left.
compare() {
  compare_run_folders direct "$work/direct/$1" slurm "$work/slurm/$1" normalise_run_file \
    >>"$work/$1.problems" || true
}

# jobs_in <folder>: how many jobs the cluster remembers that ran in <folder> or a folder in it
# (finished jobs are kept for 5 minutes, MinJobAge).
jobs_in() {
  scontrol show job --oneliner | FOLDER=$1 awk '
    { for (i = 1; i <= NF; i++) if ($i ~ /^WorkDir=/) dir = substr($i, 9) }
    dir == ENVIRON["FOLDER"] || index(dir, ENVIRON["FOLDER"] "/") == 1 { n++ }
    END { print n + 0 }'
}

# models_running: whether a model of this build runs anywhere on this machine.
models_running() {
  local exe
  for exe in /proc/[0-9]*/exe; do
    [ "$(readlink "$exe" 2>/dev/null)" != "$model/TolvaModel.exe" ] || return 0
  done
  return 1
}

# plan_check: the example plan through tools/tarn-sbatch, as one batch job of 2 CPUs whose model
# runs are steps of its allocation (with the front end of the release build in build/), and here
# with 2 model runs at once: every scenario's files, the audit records and the summary must
# agree, each scenario must have run through the Slurm launcher, and the job must be the only one
# in the plan's folder.
plan_check() {
  local top="$work/plan" id state=""
  mkdir -p "$top/direct" "$top/slurm"
  export XDG_CONFIG_HOME="$top/config" XDG_CONFIG_DIRS="$top/config"
  "$front_end" --batch --quiet --plan examples/plan.csv --output "$top/direct" \
    --model "$front_end_model" --jobs 2 --summary "$top/direct.csv" >"$top/direct.out" 2>&1 ||
    problem "the plan run here failed: $(tail -n 5 "$top/direct.out")"
  id=$(cd "$top" && TARN_SB="$front_end" "$root/tools/tarn-sbatch" "$root/examples/plan.csv" \
    "$top/slurm" --ntasks=2 --output="$top/job.out" \
    -- --quiet --model "$front_end_model" --summary "$top/slurm.csv") || {
    problem "tools/tarn-sbatch failed"
    return
  }
  for _ in $(seq 600); do
    state=$(scontrol show job "$id" --oneliner 2>/dev/null | grep -o 'JobState=[A-Z_]*' || true)
    case $state in JobState=PENDING | JobState=RUNNING | JobState=COMPLETING | "") ;; *) break ;; esac
    sleep 0.5
  done
  [ "$state" = JobState=COMPLETED ] ||
    problem "the plan's job $id ended as $state: $(tail -n 5 "$top/job.out" 2>/dev/null)"
  # Each scenario ran through the Slurm launcher, and its model runs were no jobs of their own.
  local record
  for record in "$top"/slurm/*/.tarn-record.json; do
    grep -qF "\"launcher\": \"$root/tools/launchers/slurm\"" "$record" ||
      problem "$record does not name the Slurm launcher"
  done
  [ "$(jobs_in "$top")" -eq 1 ] || problem "$(jobs_in "$top") jobs ran in $top, not the plan's alone"
  compare_run_folders here "$top/direct" slurm "$top/slurm" normalise_run_file \
    >>"$work/$name.problems" || true
  differ "the summary" "$top/direct.csv" "$top/slurm.csv" >>"$work/$name.problems" || true
}

# jobs_in_queue [state]: how many jobs the cluster holds (in that state).
jobs_in_queue() { squeue --noheader --format=%i ${1:+--states="$1"} | wc -l; }

# stop_check <signal>: a driver whose model runs are job steps of a minute each is sent <signal>
# once the steps run; then, within a bounded wait, no job may be left and no model run. SIGKILL
# leaves the launchers to the supervisors of the model runs, which the driver's death reaches.
stop_check() {
  local signal=$1 driver
  top="$work/stop/$signal"
  prepare "$top" 4 "60    StandInRunTime"
  (cd "$top" && exec "$bin/TARN_DoduVovuv" GW_Test.tol) >"$top.out" 2>&1 &
  driver=$!
  for _ in $(seq 120); do
    if [ "$(jobs_in_queue RUNNING)" -gt 0 ] && models_running; then break; fi
    sleep 0.25
  done
  if [ "$(jobs_in_queue RUNNING)" -eq 0 ]; then
    problem "no job step ran"
  fi
  kill "-$signal" "$driver"
  # Quiet: the shell would report the killed driver.
  { wait "$driver"; } 2>/dev/null || true
  if [ "$signal" = TERM ] && ! grep -q "The run was stopped" "$top/GW_Test.err" 2>/dev/null; then
    problem "the stopped run's error file does not say so"
  fi
  for _ in $(seq 60); do
    [ "$(jobs_in_queue)" -ne 0 ] || models_running || return 0
    sleep 0.5
  done
  problem "after the driver ended: $(jobs_in_queue) jobs left$(models_running && echo ', models running')"
  squeue >>"$work/$name.problems"
  scancel --user="$(id -un)"
}

report() { # scenario
  if [ -s "$work/$1.problems" ]; then
    failed=$((failed + 1))
    echo "FAILED  $1 ($((SECONDS - started))s)"
    head -n 60 "$work/$1.problems" | sed 's/^/    /'
  else
    passed=$((passed + 1))
    echo "ok      $1 ($((SECONDS - started))s)"
  fi
}

passed=0
failed=0
for name in parallel one_at_a_time fatal_model; do
  started=$SECONDS
  for way in direct slurm; do
    top="$work/$way/$name"
    "scenario_$name"
  done
  # Every model run went through Slurm.
  runs=$(jobs_in "$work/slurm/$name")
  [ "$runs" -eq 24 ] || problem "$runs model runs were Slurm jobs, not 24"
  compare "$name"
  report "$name"
done
name=plan
started=$SECONDS
plan_check
report plan
way=slurm
for signal in TERM KILL; do
  name="stop_$signal"
  started=$SECONDS
  stop_check "$signal"
  report "$name"
done

echo "$passed passed, $failed failed (${SECONDS}s in all)"
if [ "$failed" -ne 0 ]; then
  echo "The runs and the cluster's logs are kept in $work"
  exit 1
fi
slurm_cluster_stop
rm -rf "$work"
