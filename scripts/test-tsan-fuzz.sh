#!/usr/bin/env bash
# The ThreadSanitizer build, with the threads' owner checks, over the suites whose code runs threads (the
# foundation's log and downloads, the platform's I/O thread, the window, the simulator link, the traffic
# readers and links, the scans' workers and the end-to-end runs), and every fuzz harness for a short
# time (scripts/fuzz.sh, OXL_FUZZ_SECONDS each, 25 by default). Run by scripts/test.sh.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=${OXL_JOBS:-$(nproc)}
export OXL_HEADLESS=${OXL_HEADLESS:-1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$top/scripts/tsan-suppressions.txt}

status=0
suites="foundation platform window simlink simlink_client traffic_source traffic_engine traffic_cycle traffic_ports liveries airports e2e"
OXL_BUILD_TARGETS="$(printf 'test_%s ' $suites)oxl_data" \
  bash "$top/scripts/build.sh" "$top/build-tsan" -DOXL_BUILD_BENCH=OFF -DOXL_TSAN=ON -DOXL_OWNER_CHECKS=ON
# Those suites mostly wait for the end-to-end runs' replay pace: the fuzz build uses the time, at a
# lower priority; the fuzzers run after them.
log=$top/build-tsan/ctest.log
(cd "$top/build-tsan" && ctest --output-on-failure --parallel "$jobs" --timeout 900 \
  -L "^test_($(tr ' ' '|' <<<"$suites"))\$") >"$log" 2>&1 &
tsan=$!
nice -n 10 bash "$top/scripts/fuzz.sh" 0 || status=1
wait $tsan || status=1
cat "$log"

bash "$top/scripts/fuzz.sh" "${OXL_FUZZ_SECONDS:-25}" || status=1
exit $status
