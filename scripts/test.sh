#!/usr/bin/env bash
# Installs the dependencies, builds the program twice (plain, and with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs every test of both builds in parallel; then the tests that run
# threads under ThreadSanitizer, and every fuzz harness for a short time (scripts/fuzz.sh).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-deps.sh"

jobs=${OXL_JOBS:-$(nproc)}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
# Leaks of the system's font libraries under the real window are not ours to mend.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/scripts/lsan-suppressions.txt}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Window tests open real windows on a virtual display of their own; the rest run headless.
export OXL_HEADLESS=${OXL_HEADLESS:-1}

status=0
run() {
  local dir=$1; shift
  bash "$top/scripts/build.sh" "$dir" -DOXL_BUILD_BENCH=OFF "$@"
  (cd "$dir" && ctest --output-on-failure --parallel "$jobs" --timeout 600) || status=1
}
run "$top/build"
run "$top/build-asan" -DOXL_SANITIZE=ON

# ThreadSanitizer over the suites whose code runs threads: the simulator link, the traffic readers and
# links, the scans' workers and the end-to-end runs.
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$top/scripts/tsan-suppressions.txt}
tsan_suites="simlink simlink_client traffic traffic_ports liveries airports e2e"
OXL_BUILD_TARGETS="$(printf 'test_%s ' $tsan_suites)oxl_data" \
  bash "$top/scripts/build.sh" "$top/build-tsan" -DOXL_BUILD_BENCH=OFF -DOXL_TSAN=ON
# Those suites mostly wait for the end-to-end runs' replay pace: the fuzz build uses the time, at a
# lower priority; the fuzzers run after them.
tsan_log=$top/build-tsan/ctest.log
(cd "$top/build-tsan" && ctest --output-on-failure --parallel "$jobs" --timeout 900 \
  -L "^test_($(tr ' ' '|' <<<"$tsan_suites"))\$") >"$tsan_log" 2>&1 &
tsan=$!
nice -n 10 bash "$top/scripts/fuzz.sh" 0 || status=1
wait $tsan || status=1
cat "$tsan_log"

bash "$top/scripts/fuzz.sh" "${OXL_FUZZ_SECONDS:-25}" || status=1
exit $status
