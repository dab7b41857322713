#!/usr/bin/env bash
# Builds the driver, the stand-in model and every test with AddressSanitizer and
# UndefinedBehaviorSanitizer (preset sanitize, folder build-sanitize, without the front end) and
# runs the driver's whole test suite there. Every sanitizer report ends its process with a failure; a report
# in the output of a test that passed all the same (from a process whose failure the test
# expected) fails the script too.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/install-deps.sh all
cmake --preset sanitize -DTARN_WERROR="${TARN_WERROR:-OFF}" >/dev/null
cmake --build --preset sanitize

export ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1:check_initialization_order=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Every sanitized process starts slowly and a mutation case starts a dozen: half the usual cases.
export TARN_MUTATION_CASES="${TARN_MUTATION_CASES:-50}"
ctest --preset sanitize -j "$(nproc)"

log=build-sanitize/Testing/Temporary/LastTest.log
if grep -qE 'runtime error:|ERROR: (Address|Leak)Sanitizer' "$log"; then
  grep -nE -A20 'runtime error:|ERROR: (Address|Leak)Sanitizer' "$log" | head -n 200
  echo "Sanitizer reports in the test output; see $log" >&2
  exit 1
fi
