#!/usr/bin/env bash
# build.sh [build-dir] [extra cmake arguments...]: configures and builds with Ninja (only the targets
# named in OXL_BUILD_TARGETS when it is set).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$top/build}
shift || true
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
targets=()
for t in ${OXL_BUILD_TARGETS:-}; do targets+=(--target "$t"); done
cmake --build "$dir" --parallel "${OXL_JOBS:-$(nproc)}" "${targets[@]}"
