#!/usr/bin/env bash
# Installs the dependencies, builds the program twice (plain with the benchmarks, and with
# AddressSanitizer, UndefinedBehaviorSanitizer and the threads' owner checks) and runs every test of both
# builds, the whole captured traffic end to end in the plain build, each benchmark briefly, the
# ThreadSanitizer suites and the fuzz harnesses (scripts/test-tsan-fuzz.sh), and builds the program as
# users build it (Release). The sanitized trees start the plain tree's stand-ins. Each stage prints its
# time ("stage NAME: N s").
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/stage.sh"
status=0
begin=$SECONDS
stage install bash "$top/scripts/install-deps.sh"

jobs=${OXL_JOBS:-$(nproc)}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
# Leaks of the system's font libraries under the real window are not ours to mend.
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$top/scripts/lsan-suppressions.txt}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# Window tests open real windows on a virtual display of their own; the rest run headless.
export OXL_HEADLESS=${OXL_HEADLESS:-1}

# The C++ files as clang-format writes them.
stage format bash "$top/scripts/check-format.sh"

# The plain build compiles with line tables only (-g1): what the tests run is the same, and its
# compile takes a quarter less than with full debug information.
plain=("$top/build" -DOXL_BUILD_BENCH=ON "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG")

# The whole Mexico City capture replays end to end at its own pace (25 minutes): what it runs is built
# first, so that it runs beside every other stage, and is waited for at the end.
stage "plain build (replay)" env OXL_BUILD_TARGETS="ordalis_p3d sim_standin traffic_standin test_e2e oxl_data" \
  bash "$top/scripts/build.sh" "${plain[@]}"
replay_run() {
  cd "$top/build" && OXL_FULL_REPLAY=1 ./bin/test_e2e --gtest_filter='CaptureFullReplay.*'
}
beside full-replay "$top/build" replay_run

# The sanitized trees' tests start the plain tree's stand-ins: they are tools, and a stand-in slowed by a
# sanitizer would only judge the machine's speed.
export OXL_STANDIN_DIR=$top/build/bin
asan=("$top/build-asan" -DOXL_BUILD_BENCH=OFF -DOXL_SANITIZE=ON -DOXL_OWNER_CHECKS=ON
  "-DOXL_STANDIN_DIR=$OXL_STANDIN_DIR")

# The rest of the plain build and the AddressSanitizer build run at a lower priority beside the
# ThreadSanitizer stages, in the time that their build's waits and their paced runs leave idle.
builds_beside() {
  stage "plain build" nice -n 10 bash "$top/scripts/build.sh" "${plain[@]}"
  stage "asan build" nice -n 10 bash "$top/scripts/build.sh" "${asan[@]}"
  return $status
}
beside builds "$top/build" builds_beside

# The ThreadSanitizer build and its suites, beside the fuzz build; then the fuzz harnesses.
stage "tsan and fuzz" bash "$top/scripts/test-tsan-fuzz.sh"
stage "plain and asan builds wait" beside_show builds "$top/build"

# The plain build also builds the benchmarks and runs each briefly (about 20 s in all), so that none
# stops building or running; the figures of the README come from full runs of the bench target.
bench_brief() {
  (cd "$top/build" && ./bin/oxl_bench --benchmark_min_time=0.01 >bench-brief.txt 2>&1) && return 0
  echo "benchmarks failed, see $top/build/bench-brief.txt"
  return 1
}
stage benchmarks bench_brief

# Each build's suites mostly wait for the end-to-end runs' pace: the Release build, at a lower priority,
# uses the cores they leave idle. The program as users build it, optimised for speed (g++ warns at -O3
# where it does not at -O2).
suites_beside "$top/build"
stage "release build (beside plain tests)" env OXL_BUILD_TARGETS=ordalis_p3d nice -n 10 \
  bash "$top/scripts/build.sh" "$top/build-release" -DCMAKE_BUILD_TYPE=Release
stage "plain tests wait" beside_show suites "$top/build"
stage "asan tests" suites "$top/build-asan"

replay_result() {
  local log=$top/build/full-replay.log
  if beside_wait full-replay "$top/build"; then
    grep -E "^(full replay|  lived)" "$log" || true
    return 0
  fi
  # Every object's path is in the log for a look afterwards; the output keeps what failed, last.
  grep -vE "^ +[0-9]+ ms " "$log" || true
  echo "---- what failed ----"
  grep -E -A3 "Failure|created again|^\[  FAILED" "$log" | grep -vE "^ +[0-9]+ ms " | tail -60 || true
  echo "the whole-capture replay failed, see $log"
  return 1
}
stage "full replay wait" replay_result
echo "stage all: $((SECONDS - begin)) s"
exit $status
