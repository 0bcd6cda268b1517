#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, runs ctest.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
"$top/scripts/setup.sh"
build="${PDV_BUILD_DIR:-$top/build}"
export QT_QPA_PLATFORM=offscreen

# The multi-desk tests need a Firebird server on 127.0.0.1: start one for
# this run unless one is already listening, and stop it afterwards.
fb_pid=""
stop_firebird_server() { [ -n "$fb_pid" ] && kill "$fb_pid" 2>/dev/null; true; }
trap stop_firebird_server EXIT
start_firebird_server() {
  local pwfile=/etc/firebird/3.0/SYSDBA.password
  if [ ! -x /usr/sbin/firebird ] || [ ! -r "$pwfile" ]; then
    echo "test: no Firebird server installed; the multi-desk tests are skipped"
    return 0
  fi
  local log="${TMPDIR:-/tmp}/pdv-test-firebird.log"
  if ! (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; then
    /usr/sbin/firebird >"$log" 2>&1 &
    fb_pid=$!
    for _ in $(seq 1 50); do
      (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null && break
      kill -0 "$fb_pid" 2>/dev/null || break
      sleep 0.2
    done
  fi
  if ! (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; then
    echo "test: the Firebird server did not start ($(head -c 300 "$log" 2>/dev/null)); the multi-desk tests are skipped"
    return 0
  fi
  export PDV_TEST_FB_SERVER=127.0.0.1
  PDV_TEST_FB_PASSWORD="$(. "$pwfile"; echo "$ISC_PASSWORD")"
  export PDV_TEST_FB_PASSWORD
}
start_firebird_server
cd "$build"
ctest --output-on-failure -j2 --timeout 600 "$@"
