#!/usr/bin/env bash
# The ThreadSanitizer build, with the threads' owner checks, over the suites whose code runs threads (the
# foundation's log and downloads, the platform's I/O thread, the window, the simulator link, the traffic
# readers and links, the scans' workers and the end-to-end runs), and every fuzz harness within a total
# time (scripts/fuzz.sh, OXL_FUZZ_BUDGET seconds shared by the harnesses, 100 by default). Run by
# scripts/test.sh; each stage prints its time.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/stage.sh"
export OXL_HEADLESS=${OXL_HEADLESS:-1}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1:suppressions=$top/scripts/tsan-suppressions.txt}

status=0
suites="foundation platform window simlink simlink_client traffic_source traffic_engine traffic_cycle traffic_ports liveries airports e2e"
# The tests start a plain tree's stand-ins (tools, not the program under test: a stand-in under
# ThreadSanitizer would read the program's messages at its own slow pace).
standins=${OXL_STANDIN_DIR:-$top/build/bin}
if [[ ! -x $standins/sim_standin || ! -x $standins/traffic_standin ]]; then
  echo "no stand-ins in $standins: build them first (OXL_BUILD_TARGETS=\"sim_standin traffic_standin\"" \
    "bash scripts/build.sh), or name their folder in OXL_STANDIN_DIR" >&2
  exit 1
fi
# The tree holds only what those suites run.
stage "tsan build" env OXL_BUILD_TARGETS="$(printf 'test_%s ' $suites)oxl_data" \
  bash "$top/scripts/build.sh" "$top/build-tsan" -DOXL_BUILD_BENCH=OFF -DOXL_TSAN=ON -DOXL_OWNER_CHECKS=ON \
  "-DOXL_STANDIN_DIR=$standins"
# Those suites mostly wait for the end-to-end runs' replay pace: the fuzz build uses the time, at a
# lower priority; the fuzzers run after them.
suites_beside "$top/build-tsan" -L "^test_($(tr ' ' '|' <<<"$suites"))\$"
stage "fuzz build (beside tsan tests)" nice -n 10 bash "$top/scripts/fuzz.sh" 0
stage "tsan tests wait" beside_show suites "$top/build-tsan"

stage fuzz env OXL_FUZZ_BUDGET="${OXL_FUZZ_BUDGET:-100}" bash "$top/scripts/fuzz.sh"
exit $status
