#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need (Debian 12, as root).
set -euo pipefail
packages=(
  clang libclang-rt-14-dev clang-format
  build-essential cmake ninja-build pkg-config python3
  libpugixml-dev nlohmann-json3-dev libcurl4-openssl-dev libsodium-dev libmsgsl-dev libfmt-dev libcli11-dev
  libfltk1.3-dev fluid googletest libgmock-dev libbenchmark-dev libexpat1-dev
  xvfb xauth xdotool x11-xserver-utils iproute2 openbox
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
