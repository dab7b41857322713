#!/usr/bin/env bash
# Builds the fuzz targets with clang, libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# (folder build-fuzz) and runs each for a bounded time, starting from its committed corpus
# fuzz/corpus/<target>. A crash, a sanitizer report, an uncaught exception, a hang or a broken
# invariant fails the script; the input that caused it is kept in build-fuzz/findings/.
#   tools/fuzz.sh [seconds per target, default 60] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
targets=("$@")

tools/install-deps.sh fuzz
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DTARN_FUZZ=ON -DTARN_SANITIZE=ON -DTARN_BUILD_FRONTEND=OFF -DTARN_BUILD_TESTS=OFF >/dev/null
# Every target by default: the list is fuzz/CMakeLists.txt's, written by the configuration.
[ ${#targets[@]} -gt 0 ] || mapfile -t targets <build-fuzz/fuzz_targets.txt
cmake --build build-fuzz --target "${targets[@]/%/_fuzzer}"

# The targets' run folders go here, so that nothing is left in the system's temporary folder.
export TMPDIR="$PWD/build-fuzz/tmp"
mkdir -p "$TMPDIR" build-fuzz/findings build-fuzz/logs
failed=()
summary=()
for target in "${targets[@]}"; do
  # New inputs go to build-fuzz/corpus; the committed corpus is only read.
  mkdir -p "build-fuzz/corpus/$target"
  log="build-fuzz/logs/$target.log"
  echo "Fuzzing $target for $seconds s"
  status=0
  "build-fuzz/bin/${target}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=8192 -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$target-" \
    "build-fuzz/corpus/$target" "fuzz/corpus/$target" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  summary+=("$(printf '%-12s %10s executions  %s' "$target" "${runs:-?}" \
    "$([ $status -eq 0 ] && echo clean || echo "FINDING (see $log)")")")
  if [ $status -ne 0 ]; then
    failed+=("$target")
    tail -n 40 "$log"
  fi
done
rm -rf "$TMPDIR"

printf '%s\n' "${summary[@]}"
if [ ${#failed[@]} -gt 0 ]; then
  echo "Fuzzing found faults in: ${failed[*]}; inputs in build-fuzz/findings/" >&2
  exit 1
fi
