#!/usr/bin/env bash
# Installs the dependencies, builds the program twice (plain with the benchmarks, and with
# AddressSanitizer, UndefinedBehaviorSanitizer and the threads' owner checks) and runs every test of both
# builds in parallel, the whole captured traffic end to end in the plain build, and each benchmark briefly.
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
# The C++ files as clang-format writes them.
bash "$top/scripts/check-format.sh" || status=1
# First the ThreadSanitizer build and the fuzz harnesses.
bash "$top/scripts/test-tsan-fuzz.sh" || status=1
run() {
  local dir=$1; shift
  bash "$top/scripts/build.sh" "$dir" "$@"
  (cd "$dir" && ctest --output-on-failure --parallel "$jobs" --timeout 600) || status=1
}
# The plain build also replays the whole Mexico City capture end to end at its own pace (25 minutes);
# it runs beside the other suites of both builds and is waited for at the end.
bash "$top/scripts/build.sh" "$top/build" -DOXL_BUILD_BENCH=ON
(cd "$top/build" && OXL_FULL_REPLAY=1 ./bin/test_e2e --gtest_filter='CaptureFullReplay.*' >full-replay.txt 2>&1) &
replay=$!
# The plain build builds the benchmarks too and runs each briefly (about 20 s in all), so that none
# stops building or running; the figures of the README come from full runs of the bench target.
run "$top/build" -DOXL_BUILD_BENCH=ON
(cd "$top/build" && ./bin/oxl_bench --benchmark_min_time=0.01 >bench-brief.txt 2>&1) || {
  echo "benchmarks failed, see $top/build/bench-brief.txt"
  status=1
}
run "$top/build-asan" -DOXL_BUILD_BENCH=OFF -DOXL_SANITIZE=ON -DOXL_OWNER_CHECKS=ON
if wait "$replay"; then
  grep -E "^(full replay|  lived)" "$top/build/full-replay.txt" || true
else
  cat "$top/build/full-replay.txt"
  echo "the whole-capture replay failed, see $top/build/full-replay.txt"
  status=1
fi
exit $status
