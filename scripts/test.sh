#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, runs ctest.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
build="${PDV_BUILD_DIR:-$top/build}"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j2 --timeout 600 "$@"
