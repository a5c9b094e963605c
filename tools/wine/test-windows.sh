#!/bin/sh
# test-windows.sh PREFIX BUILD_DIR...: runs the tests of cross builds under Wine, with one
# Wine server kept alive for the whole run (a fresh one per program costs seconds). Meant to
# run under xvfb-run, so that programs with windows have a display.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/prefix.sh"
prefix=$1
shift
wine_prefix_ready "$prefix"
wineserver -p >/dev/null 2>&1 || true  # one may run already (a session's, lingering)
trap 'wineserver -k 2>/dev/null || true' EXIT
# Wine's session (its services, the desktop) starts with the first program and lives as
# long as the server. Started here, away from the tests' output: ctest waits for every
# process that still holds a test's output.
wine reg query 'HKCU\Software' /ve >/dev/null 2>&1 </dev/null || true
status=0
for build in "$@"; do
  echo "== Tests of $build under Wine"
  ctest --test-dir "$build" --output-on-failure -j "${JOBS:-2}" || status=1
done
exit "$status"
