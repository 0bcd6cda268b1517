#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only the missing
# ones) and configures and builds the project in build/. Idempotent: a second
# run installs nothing and rebuilds only what changed.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
packages=(build-essential cmake ninja-build pkg-config
          qt6-base-dev qt6-base-dev-tools
          firebird3.0-server-core firebird3.0-server firebird3.0-utils libfbclient2 firebird-dev
          libgtest-dev libgmock-dev googletest libbenchmark-dev
          python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
build="${PDV_BUILD_DIR:-$top/build}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"${PDV_JOBS:-2}"
