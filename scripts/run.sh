#!/usr/bin/env bash
# Runs the terminal on the embedded default: installs what is missing, builds,
# creates the demo drive (once) and starts the program on it.
#   PDV_DRIVE  the installation's drive (default: ~/.pdv-velt/drive)
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
build="${PDV_BUILD_DIR:-$top/build}"
export PDV_DRIVE="${PDV_DRIVE:-$HOME/.pdv-velt/drive}"
if [ ! -f "$PDV_DRIVE/kw-velt/default.txt" ]; then
  "$build/pdv-admin" init-drive "$PDV_DRIVE" --demo
fi
exec "$build/pdv" "$@"
