# Sourced by the test scripts. `stage NAME COMMAND...` runs one stage of the run and prints how long it
# took, so that every run shows where its minutes go; a failed stage sets status=1 and the stages after
# it still run. `suites DIR [ctest arguments...]` runs the tests of a build folder: the end-to-end runs
# (paced by their traffic, mostly waiting) beside the other suites, each group with parallel runs of
# its own, so that a machine of few cores does not queue the paced runs behind each other.
# `beside NAME DIR COMMAND...` starts a long run in the background (its output into DIR/NAME.log), so
# that the next build uses the cores it leaves idle; `beside_wait NAME DIR` waits for it and prints
# how long it ran, `beside_show NAME DIR` also its output; `suites_beside DIR` starts the suites of a
# build folder that way, under the name suites.
stage() {
  local name=$1 start=$SECONDS rc=0
  shift
  "$@" || rc=$?
  printf 'stage %-34s %5d s%s\n' "$name:" $((SECONDS - start)) "$( ((rc == 0)) || echo "  FAILED ($rc)")"
  ((rc == 0)) || status=1
  return 0
}

suites() {
  local dir=$1 jobs=${OXL_JOBS:-$(nproc)} rc=0
  shift
  local e2e_jobs=$((jobs > 4 ? jobs : 4))
  (cd "$dir" && ctest --output-on-failure --parallel "$e2e_jobs" --timeout 900 -L '^test_e2e$' "$@" >ctest-e2e.log 2>&1) &
  local e2e=$!
  (cd "$dir" && ctest --output-on-failure --parallel "$jobs" --timeout 600 -LE '^test_e2e$' "$@") || rc=1
  wait "$e2e" || rc=1
  cat "$dir/ctest-e2e.log"
  return $rc
}

declare -A beside_pid
beside() {
  local name=$1 dir=$2
  shift 2
  (
    start=$SECONDS rc=0
    "$@" >"$dir/$name.log" 2>&1 || rc=1
    echo "$rc $((SECONDS - start))" >"$dir/$name.status"
  ) &
  beside_pid[$dir/$name]=$!
}

beside_wait() {
  local name=$1 dir=$2 rc seconds
  wait "${beside_pid[$dir/$name]}" || true
  read -r rc seconds <"$dir/$name.status" || { rc=1 seconds=0; }
  printf 'stage %-34s %5d s\n' "$name in $(basename "$dir") (beside):" "$seconds"
  return "$rc"
}

suites_beside() {
  beside suites "$1" suites "$@"
}

beside_show() {
  local rc=0
  beside_wait "$@" || rc=1
  cat "$2/$1.log"
  return $rc
}
