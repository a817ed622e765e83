#!/usr/bin/env bash
# fuzz.sh [seconds] [extra cmake arguments...]: builds the fuzz harnesses with clang (build-fuzz) and
# runs each for the given time (default 25 s; 0 only builds), as many at once as OXL_JOBS allows. With
# OXL_FUZZ_BUDGET set, the harnesses share that many seconds instead: each gets its part of them, so
# that more harnesses or fewer cores do not lengthen the run. A crash or a broken
# invariant fails the run; its input is copied into tests/fuzz/corpus/<harness>/, which the harness and
# the test build replay from then on (commit it with the mend).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-25}
shift || true
jobs=${OXL_JOBS:-$(nproc)}
dir=$top/build-fuzz
bash "$top/scripts/build.sh" "$dir" -DCMAKE_CXX_COMPILER=clang++ -DOXL_FUZZ=ON -DOXL_BUILD_TESTS=OFF \
  -DOXL_BUILD_BENCH=OFF "$@"
fuzzer=$dir/bin/oxl_fuzz
if ((seconds == 0)); then
  exit 0
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

# Seeds: the test inputs kept beside the harnesses, the regression inputs, and for the traffic lines
# the captured traffic beside the checkout, turned into traffic lines.
rm -rf "$dir/seeds" "$dir/crashes"
mkdir -p "$dir/crashes"
targets=$(OXL_FUZZ_TARGET=list "$fuzzer")
if [[ -n ${OXL_FUZZ_BUDGET:-} ]]; then
  count=$(wc -w <<<"$targets")
  rounds=$(((count + jobs - 1) / jobs))
  seconds=$((OXL_FUZZ_BUDGET / rounds))
  ((seconds >= 5)) || seconds=5
  echo "fuzz: $count harnesses, $jobs at once, $seconds s each"
fi
for t in $targets; do
  mkdir -p "$dir/seeds/$t" "$dir/corpus/$t"
  for kind in seeds corpus; do
    if [[ -d $top/tests/fuzz/$kind/$t ]]; then
      cp "$top/tests/fuzz/$kind/$t"/* "$dir/seeds/$t/"
    fi
  done
done
capture=$top/../shared/data/traffic/MMMX-capture.txt
if [[ -f $capture ]]; then
  python3 - "$capture" "$dir/seeds/traffic_line" <<'PY'
import ast, sys
lines = open(sys.argv[1]).read().splitlines()
for n, text in enumerate(lines[::40]):
    arrival, _, datagram = ast.literal_eval(text)
    fields = datagram.split(',')[:14]
    fields[0] = 'RTTFC'
    fields += [f'{arrival:.2f}', '', '', 'adsb_icao', '', '', '-1', '', '', '0', '', fields[7], '', '', 'A3']
    # The first byte is the harness's range radius: wide enough to let the line through.
    open(f'{sys.argv[2]}/capture_{n}', 'wb').write(b'\xff' + ','.join(fields).encode())
PY
fi

run_one() {
  local t=$1
  if OXL_FUZZ_TARGET=$t "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$dir/crashes/$t-" "$dir/corpus/$t" "$dir/seeds/$t" \
      >"$dir/crashes/$t.log" 2>&1; then
    echo "fuzz $t: $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$dir/crashes/$t.log" | grep -o '[0-9]*$') runs, no crash"
    return 0
  fi
  echo "fuzz $t: FAILED"
  grep -E 'fuzz harness|ERROR|SUMMARY|runtime error' "$dir/crashes/$t.log" | head -n 5
  mkdir -p "$top/tests/fuzz/corpus/$t"
  for found in "$dir/crashes/$t"-*; do
    [[ -f $found ]] && cp "$found" "$top/tests/fuzz/corpus/$t/" && echo "  input kept: tests/fuzz/corpus/$t/$(basename "$found")"
  done
  return 1
}
export -f run_one
export dir fuzzer seconds top
status=0
printf '%s\n' $targets | xargs -P "$jobs" -I{} bash -c 'run_one {}' || status=1
exit $status
