#!/bin/sh
# screenshots.sh BUILD [WIN_BUILD]: the program's window at 100 %, 125 %, 150 % and 200 %
# display scaling, in every state a technician meets it, into BUILD/screenshots/:
#   qt-<percent>-<state>.png     the Qt build on Xvfb, whose Xft.dpi is 96, 120, 144 or 192
#   win32-<percent>-<state>.png  the Windows build under Wine (LogPixels the same), when
#                                WIN_BUILD holds it
# The states: first (no device), identified, upload (the bar on its way), success, failure
# (the device simulator answers a block wrongly). The Windows pictures of an upload and of
# success take a whole upload under Wine each: several minutes per scaling.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$1
winbuild=${2:-}
out="$build/screenshots"
mkdir -p "$out"
tool="$build/bin/tormisaplex-screenshot"
sim="$build/bin/tormisaplex-devsim"
for f in "$tool" "$sim"; do
  if [ ! -x "$f" ]; then
    echo "screenshots: $f is not built" >&2
    exit 1
  fi
done
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/lsan-qt.supp}"
DPIS=${DPIS:-96 120 144 192}

# qt_state DPI STATE [SIMULATOR ARGS]: one picture, on a fresh X server of that Xft.dpi.
qt_state() {
  dpi=$1
  state=$2
  shift 2
  file="$out/qt-$((dpi * 100 / 96))-$state.png"
  ports=$(mktemp -d "${TMPDIR:-/tmp}/tormisaplex-shot-XXXXXX")
  log="$ports.log"
  pid=""
  if [ "$state" != first ]; then
    "$sim" --ports "$ports" --com 1 --timeout 600 "$@" >"$log" 2>&1 &
    pid=$!
    for _ in $(seq 100); do
      [ -s "$log" ] && break
      sleep 0.1
    done
  fi
  TORMISAPLEX_PORTS="$ports" QT_QPA_PLATFORM=xcb \
      "$here/with-xft-dpi.sh" "$dpi" "$tool" --state "$state" "$file" || status=1
  if [ -n "$pid" ]; then
    kill -TERM "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$ports" "$log"
  echo "screenshots: $file"
}

status=0
for dpi in $DPIS; do
  qt_state "$dpi" first
  qt_state "$dpi" identified
  # At the line's real rate, so that the picture catches the bar on its way.
  qt_state "$dpi" upload --baud 38462
  qt_state "$dpi" success
  qt_state "$dpi" failure --fault wrong-crc=10
done

if [ -n "$winbuild" ]; then
  WIN_STATES=${WIN_STATES:-first failure success} "$here/wine/screenshots.sh" "$winbuild" \
      "$build/bin" "$out" $DPIS || status=1
fi
exit "$status"
