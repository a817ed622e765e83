#!/usr/bin/env bash
# Installs the dependencies, builds the program and runs it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bash "$top/scripts/install-deps.sh"
bash "$top/scripts/build.sh" "$top/build"
exec "$top/build/bin/ordalis_p3d"
