#!/usr/bin/env bash
# Fails when a C++ file of the repository differs from what clang-format makes of it (.clang-format);
# with --fix, formats them in place.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [[ ${1:-} == --fix ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! clang-format --dry-run --Werror "${files[@]}" 2>"$log"; then
  grep -E '^[^ ].*: (error|warning):' "$log" | cut -d: -f1 | sort -u | sed 's/^/not formatted: /'
  echo "run scripts/check-format.sh --fix"
  exit 1
fi
