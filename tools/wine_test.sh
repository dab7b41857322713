#!/usr/bin/env bash
# End-to-end tests of the Windows build. Builds the driver and the stand-in model for Linux and
# for 64-bit Windows, makes the Windows zip of them (tools/package.sh windows) and unpacks it,
# runs every scenario twice in fresh folders (the Linux driver with the Linux model; the driver
# of the zip under Wine with its stand-in model) and compares what each run leaves:
# the names of all files and folders, the contents of every file, standard output and standard
# error. Allowed differences: CR LF line ends, the "* Working directory" header line, the date
# of the run, and the run folder (with its separators) in console lines. Anything else fails, and
# so does a scenario whose own checks fail on either platform.
# A few scenarios run a third time, as a Linux user runs the real model: the Linux driver with
# the launcher tools/launchers/wine and the Windows model. These are compared with their Linux
# runs in the same way; the log's echo of the ModelLauncher record is the one more difference.
#   tools/wine_test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
SECONDS=0
. tools/lib/build.sh
. tools/lib/compare.sh
. tools/lib/run_folder.sh

tools/install-deps.sh windows

# The Linux build of tools/test.sh when there is one, else the shared driver-only build.
linux_build=build
[ -f "$linux_build/CMakeCache.txt" ] || linux_build=build-driver
driver_build "$linux_build"
work=$(mktemp -d)
mkdir "$work/linux" "$work/windows" "$work/launcher" "$work/zip"
tools/package.sh windows "$work/zip"
(cd "$work/zip" && unzip -q TARN_*_windows_x64.zip)
echo "Built in ${SECONDS}s"

linux_bin="$root/$linux_build/bin"
# The unpacked zip: the driver at its top, the stand-in model in its own folder.
windows_bin=$(echo "$work"/zip/TARN_*_windows_x64)
windows_model_folder="$windows_bin/stand-in-model"

export WINEPREFIX="$root/build-windows/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The launcher runs make Wine prefixes of their own (see linux_driver): the first is
# $launcher_prefix, the n-th $launcher_prefix-n, one for each model run at once.
launcher_prefix="$work/data/tarn/wine"
# launcher_servers: the launcher's prefixes whose wineserver runs.
launcher_servers() {
  local prefix
  for prefix in "$launcher_prefix" "$launcher_prefix"-*; do
    [ ! -d "$prefix" ] || ! WINEPREFIX=$prefix wineserver -k0 2>/dev/null || echo "$prefix"
  done
}
stop_launcher_wine() {
  local prefix
  for prefix in $(launcher_servers); do WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; done
}
trap 'wineserver -k 2>/dev/null || true; stop_launcher_wine' EXIT
# The first start creates the Wine prefix; later starts reuse it.
wineboot --init >/dev/null 2>&1
# A new prefix goes on being set up after wineboot returns; a model started meanwhile may fail.
# The server ends once the set-up is complete.
wineserver --wait

# The Windows form of a path: the Wine drive letter and backslashes.
windows_path() { winepath --windows "$1" 2>/dev/null; }

# prepare <folder> <option> <model folder> [record...]: the run as the front end leaves it
# (prepare_run_folder, the records ending the model input); on the launcher platform the control
# file names the launcher.
prepare() {
  prepare_run_folder "$@"
  [ "$platform" != launcher ] || set_control_record "$1/GW_Test.tsb" ModelLauncher \
    "$root/tools/launchers/wine" "Runs the model under Wine"
}

# linux_driver <argument>: replaces the calling subshell with the Linux driver. On the launcher
# platform the launcher finds none of Wine's settings of this script: it uses the per-user prefix
# (in a folder of the test, made by the first launcher run) and keeps Wine quiet by itself.
linux_driver() {
  if [ "$platform" = launcher ]; then
    exec env -u WINEPREFIX -u WINEDEBUG -u WINEDLLOVERRIDES XDG_DATA_HOME="$work/data" \
      "$linux_bin/TARN_DoduVovuv" "$1"
  fi
  exec "$linux_bin/TARN_DoduVovuv" "$1"
}

# drive <folder> <argument>: runs the driver of $platform in <folder>, adding its standard output
# and standard error to those of the scenario; an exit status other than 0 is noted there too.
drive() {
  local status=0
  if [ "$platform" != windows ]; then
    (cd "$1" && linux_driver "$2") >>"$capture.stdout" 2>>"$capture.stderr" || status=$?
  else
    (cd "$1" && wine "$windows_bin/TARN_DoduVovuv.exe" "$2") >>"$capture.stdout" \
      2>>"$capture.stderr" || status=$?
  fi
  [ "$status" -eq 0 ] || echo "exit status $status" >>"$capture.stderr"
}

# start_driver <folder> <argument> <streams>: starts the driver of $platform in <folder> in the
# background, with its standard output and standard error in <streams>.stdout and
# <streams>.stderr; $driver is its process id (the Windows program's own under Wine).
start_driver() {
  if [ "$platform" != windows ]; then
    (cd "$1" && linux_driver "$2") >"$3.stdout" 2>"$3.stderr" &
  else
    (cd "$1" && exec wine "$windows_bin/TARN_DoduVovuv.exe" "$2") >"$3.stdout" 2>"$3.stderr" &
  fi
  driver=$!
}

# finish_driver <process id> <streams> <heading>: waits for a driver started by start_driver (a
# driver still running after a minute is killed) and adds its streams to those of the scenario
# under <heading>.
finish_driver() {
  local status=0 tries
  for ((tries = 0; tries < 600; tries++)); do
    kill -0 "$1" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$1" 2>/dev/null; then
    unexpected "$3 did not end"
    kill -KILL "$1"
  fi
  wait "$1" || status=$?
  { echo "$3" && cat "$2.stdout"; } >>"$capture.stdout"
  { echo "$3" && cat "$2.stderr"; } >>"$capture.stderr"
  [ "$status" -eq 0 ] || echo "exit status $status" >>"$capture.stderr"
}

# wait_for_file <file> <process id>: polls until <file> exists; fails when the process ends first
# or after a minute.
wait_for_file() {
  local tries
  for ((tries = 0; tries < 600; tries++)); do
    [ -e "$1" ] && return 0
    kill -0 "$2" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

# model_processes <folder>: the process ids of the model runs whose current folder is <folder>
# (Wine gives each Windows process its current folder on the Linux side too).
model_processes() {
  local process
  for process in /proc/[0-9]*; do
    [ "$(readlink "$process/cwd" 2>/dev/null)" = "$1" ] || continue
    grep -qa TolvaModel "$process/cmdline" 2>/dev/null && echo "${process#/proc/}"
  done
  return 0
}

# unexpected <text>: a check of the scenario failed on this platform; the scenario fails.
unexpected() { echo "$platform: $1" >>"$capture.unexpected"; }

# drive_on_terminal <folder> <argument>: as drive, with standard output and standard error on a
# terminal; what the terminal shows is kept apart and only searched.
drive_on_terminal() {
  local command
  if [ "$platform" = linux ]; then
    command=$(printf 'cd %q && %q %q' "$1" "$linux_bin/TARN_DoduVovuv" "$2")
  else
    command=$(printf 'cd %q && wine %q %q' "$1" "$windows_bin/TARN_DoduVovuv.exe" "$2")
  fi
  TERM=${TERM:-xterm} script --quiet --return --command "$command" /dev/null </dev/null \
    >"$capture.terminal" ||
    echo "exit status $?" >>"$capture.stderr"
}

# The scenarios. Each runs in the folder $top with the model folder $model of $platform.
scenario_monthly() {
  prepare "$top" Monthly "$model"
  drive "$top" GW_Test.tol
}

scenario_userdefined() {
  prepare "$top" UserDefined "$model"
  drive "$top" GW_Test.tol
}

# The report rebuilt from the summaries of a full run; the model folder no longer exists, so a
# model run would fail.
scenario_postprocessing() {
  prepare "$top" UserDefined "$model"
  drive "$top" GW_Test.tol
  rm "$top/tolva.ok"
  prepare "$top" UserDefined "$model${separator}missing"
  set_control_record "$top/GW_Test.tsb" PostProcessOnly
  drive "$top" GW_Test.tol
}

# A value out of range in the control file.
scenario_fatal_control() {
  prepare "$top" UserDefined "$model"
  set_control_record "$top/GW_Test.tsb" DelTimAppId 0
  drive "$top" GW_Test.tol
}

# The model fails for application id 3: logged, then fatal when the results are collected.
scenario_fatal_model() {
  prepare "$top" Monthly "$model" "3    StandInFailFor"
  drive "$top" GW_Test.tol
}

# The same fatal error with a terminal: the console set-up and the row-addressed lines.
scenario_fatal_on_terminal() {
  prepare "$top" UserDefined "$model"
  set_control_record "$top/GW_Test.tsb" DelTimAppId 0
  drive_on_terminal "$top" GW_Test.tol
  grep -q "Variable name is: DelTimAppId" "$capture.terminal" ||
    unexpected "the terminal did not show the error"
}

scenario_refused_argument() {
  mkdir -p "$top"
  drive "$top" GW-Test.tol
  drive "$top" GW_Test.TOL
  drive "$top" GW_Test/x1
}

# The model in a folder whose name holds a blank, the run in such a folder too. The control file
# names the model folder by its short form; on Linux, where no short form exists and the driver
# reads the folder as one word, the model stays where it was built.
scenario_blanks_in_folder_names() {
  local run="$top/run folder" folder=$model
  if [ "$platform" = windows ]; then
    mkdir -p "$work/windows/model folder"
    cp "$windows_model_folder/TolvaModel.exe" "$work/windows/model folder/"
    folder=$(winepath --short "$(windows_path "$work/windows/model folder")" 2>/dev/null)
    case "$folder" in *" "*)
      echo "no short form of $work/windows/model folder" >>"$capture.stderr"
      return
      ;;
    esac
  fi
  prepare "$run" Monthly "$folder"
  drive "$run" GW_Test.tol
}

# Scratch files that the model leaves in the run folder are removed by a normal end.
scenario_scratch_files() {
  prepare "$top" UserDefined "$model" "Yes    StandInLeaveScratch"
  drive "$top" GW_Test.tol
}

# Three model runs at once, each in a folder of its own, leaving scratch files there.
scenario_parallel_runs() {
  prepare "$top" UserDefined "$model" "Yes    StandInLeaveScratch"
  set_control_record "$top/GW_Test.tsb" NumParallelRuns 3 "Model runs at once"
  drive "$top" GW_Test.tol
}

# The driver started above its run folder, with the folder in its argument.
scenario_folder_in_argument() {
  prepare "$top/runs/a" Monthly "$model"
  drive "$top" 'runs\a\GW_Test.tol'
}

# A run folder that does not exist: created by the folder-creating command, then the model input
# is missing there.
scenario_missing_run_folder() {
  mkdir -p "$top"
  drive "$top" 'new\sub\GW_Test.tol'
}

# start_until_model_runs: a run whose model takes ten minutes, its driver started in the background
# ($driver); returns once the model runs for application id 1, fails when the driver ends first.
start_until_model_runs() {
  local tries
  prepare "$top" UserDefined "$model" "600    StandInRunTime"
  start_driver "$top" GW_Test.tol "$capture.driver"
  wait_for_file "$top/GW_Test_1.tol" "$driver" || return 1
  # Until the model runs (a stop just before its start ends the run in the same way).
  for ((tries = 0; tries < 100; tries++)); do
    [ -z "$(model_processes "$top")" ] || break
    sleep 0.1
  done
}

# no_model_left: fails the scenario when a model run of $top outlived its driver, and ends it.
no_model_left() {
  local left
  mapfile -t left < <(model_processes "$top")
  if [ "${#left[@]}" -ne 0 ]; then
    unexpected "model runs outlived the driver"
    kill -KILL "${left[@]}"
  fi
}

# SIGINT while the model runs for application id 1 (under Wine the driver receives it as Ctrl-C):
# the model run is ended with the run, which ends in error.
scenario_stopped_run() {
  if start_until_model_runs; then
    kill -INT "$driver"
  else
    unexpected "no model run for application id 1"
  fi
  finish_driver "$driver" "$capture.driver" "driver:"
  no_model_left
  local stop=$' The run was stopped before its end\n Signal: 2'
  [ "$(tail -n 2 "$top/GW_Test.err" 2>/dev/null | tr -d '\r')" = "$stop" ] ||
    unexpected "GW_Test.err does not end with the stop"
  [ ! -e "$top/tolva.ok" ] || unexpected "tolva.ok was written"
  [ ! -e "$top/GW_Test.bus" ] || unexpected "the busy marker was left"
}

# SIGKILL to the driver while the model runs for application id 1: the model run ends with it (on
# Linux its supervisor, which the driver's death reaches, ends every process of the run, the
# wine launcher's wineserver included). What the driver wrote until then stays, the busy marker
# too.
scenario_killed_driver() {
  local tries
  if start_until_model_runs; then
    # Without the report of bash on its console that a job was killed.
    {
      kill -KILL "$driver"
      finish_driver "$driver" "$capture.driver" "driver:"
    } 2>/dev/null
  else
    unexpected "no model run for application id 1"
    finish_driver "$driver" "$capture.driver" "driver:"
  fi
  # The signal is sent as the driver ends; the model may take a moment to go.
  for ((tries = 0; tries < 600; tries++)); do
    [ -n "$(model_processes "$top")" ] || break
    sleep 0.1
  done
  no_model_left
}

# What a driver writes in <folder>: names, sizes, times and contents of its files. The summaries
# are left out, the model's own output.
driver_files() {
  (cd "$1" && find . -type f ! -name 'GW_Test_[0-9]*.sum' -printf '%p %s %T@ ' \
    -exec md5sum {} \; | LC_ALL=C sort)
}

# A second driver started in the run folder of a running one: it stops as busy and changes
# nothing, and the first ends normally. The first driver is held (SIGSTOP) while the second runs,
# so that the outcome does not depend on how fast the second one starts.
scenario_locked_run() {
  local first before
  prepare "$top" UserDefined "$model" "1    StandInRunTime"
  set_control_record "$top/GW_Test.tsb" DelTimAppId 150
  start_driver "$top" GW_Test.tol "$capture.first"
  first=$driver
  if wait_for_file "$top/GW_Test_1.tol" "$first" && kill -STOP "$first"; then
    before=$(driver_files "$top")
    echo "second driver:" | tee -a "$capture.stdout" >>"$capture.stderr"
    drive "$top" GW_Test.tol
    [ "$(driver_files "$top")" = "$before" ] || unexpected "the second driver changed files"
    kill -CONT "$first"
  else
    unexpected "the first driver ended before the second started"
  fi
  finish_driver "$first" "$capture.first" "first driver:"
  [ -e "$top/tolva.ok" ] || unexpected "the first driver did not end normally"
}

scenarios=(monthly userdefined postprocessing fatal_control fatal_model fatal_on_terminal
  refused_argument blanks_in_folder_names scratch_files parallel_runs folder_in_argument
  missing_run_folder stopped_run locked_run)

# Scenarios run on the launcher platform and compared with their Linux runs (those not among the
# scenarios above get their Linux run there too). The parallel runs come first: three launchers
# at once find no prefix, and each makes one of its own.
launched=(parallel_runs monthly stopped_run killed_driver)

# normalise <file> <scenario folder as the platform names it>: the file with the allowed
# differences taken out; with LAUNCHED=1 also the log's echo of the ModelLauncher record (with the
# separator line before it).
normalise() {
  TOP=$2 awk '
    BEGIN { top = ENVIRON["TOP"]; launched = ENVIRON["LAUNCHED"] == 1 }
    { sub(/\r$/, "") }
    held != "" {
      if ($0 ~ /^ +ModelLauncher /) { held = ""; next }
      print held
      held = ""
    }
    launched && /^-+$/ { held = $0; next }
    /^\* Working directory          : / { next }
    /^\* Input file generated on    : [0-9][0-9]-[0-9][0-9]-[0-9][0-9][0-9][0-9]$/ {
      $0 = "* Input file generated on    : <date>"
    }
    (at = index($0, top)) {
      rest = substr($0, at + length(top))
      gsub(/\\/, "/", rest)
      $0 = substr($0, 1, at - 1) "<run folder>" rest
    }
    { print }
    END { if (held != "") print held }' "$1"
}

# compare <scenario> <platform>: 0 when the Linux run and that of <platform> (windows or
# launcher) left the same.
compare() {
  local name=$1 other=$2 linux_top="$work/linux/$1" other_top="$work/$2/$1"
  local other_name=$other_top failed=0 launched_run=0 stream file
  if [ "$other" = windows ]; then
    other_name=$(windows_path "$other_top")
  else
    launched_run=1
  fi
  compare_run_folders linux "$linux_top" "$other" "$other_top" normalise_run_file || failed=1
  for stream in stdout stderr; do
    differ "$stream" --label "linux $stream" --label "$other $stream" \
      <(normalise "$work/linux/$name.$stream" "$linux_top") \
      <(normalise "$work/$other/$name.$stream" "$other_name") || failed=1
  done
  for file in "$work/linux/$name.unexpected" "$work/$other/$name.unexpected"; do
    if [ -e "$file" ]; then
      sed 's/^/  unexpected on /' "$file"
      failed=1
    fi
  done
  return "$failed"
}

# normalise_run_file left|right <file>: a file of the Linux run (left) or of the other platform's
# run in compare, normalised.
normalise_run_file() {
  if [ "$1" = left ]; then
    normalise "$2" "$linux_top"
  else
    LAUNCHED=$launched_run normalise "$2" "$other_name"
  fi
}

passed=0
failed=0
windows_model=$(windows_path "$windows_model_folder")
# run <scenario> <platform>: runs the scenario on <platform> in fresh folders.
run() {
  name=$1 platform=$2
  top="$work/$platform/$name"
  capture="$work/$platform/$name"
  : >"$capture.stdout"
  : >"$capture.stderr"
  case "$platform" in
    linux) model="$linux_bin/model" separator=/ ;;
    windows) model=$windows_model separator="\\" ;;
    launcher) model=$windows_model_folder separator=/ ;;
  esac
  "scenario_$name"
}

# tally <scenario> <platform> <started> <label>: compares and counts the outcome.
tally() {
  if compare "$1" "$2"; then
    passed=$((passed + 1))
    echo "ok      $4 ($((SECONDS - $3))s)"
  else
    failed=$((failed + 1))
    echo "FAILED  $4 ($((SECONDS - $3))s)"
  fi
}

for scenario in "${scenarios[@]}"; do
  started=$SECONDS
  run "$scenario" linux
  run "$scenario" windows
  tally "$scenario" windows "$started" "$scenario"
done
for scenario in "${launched[@]}"; do
  started=$SECONDS
  [[ " ${scenarios[*]} " == *" $scenario "* ]] || run "$scenario" linux
  run "$scenario" launcher
  tally "$scenario" launcher "$started" "$scenario with the wine launcher"
done
[ -f "$launcher_prefix/system.reg" ] || {
  echo "FAILED  the wine launcher made no prefix in $launcher_prefix"
  failed=$((failed + 1))
}
# Every launcher ends its prefix's wineserver with its model run (a killed driver's runs end a
# moment after the driver).
for ((tries = 0; tries < 100; tries++)); do
  [ -n "$(launcher_servers)" ] || break
  sleep 0.1
done
[ -z "$(launcher_servers)" ] || {
  echo "FAILED  a wineserver of the wine launcher outlived its model run: $(launcher_servers)"
  failed=$((failed + 1))
}

echo "$passed passed, $failed failed (${SECONDS}s in all)"
if [ "$failed" -ne 0 ]; then
  echo "The runs are kept in $work"
  exit 1
fi
# Not while a wineserver of the launcher's prefixes may still write there.
stop_launcher_wine
rm -rf "$work"
