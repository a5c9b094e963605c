#!/bin/sh
# Shows the program's window on a virtual X server and saves a picture of it:
#   tools/screenshot.sh [builddir]          the first window, to <builddir>/screenshot.png
#   tools/screenshot.sh [builddir] upload   the window during an upload to the device
#                                           simulator, to <builddir>/screenshot-upload.png
set -eu
build=${1:-build}
mode=${2:-first}
tool="$build/bin/tormisaplex-screenshot"
sim="$build/bin/tormisaplex-devsim"
if [ ! -x "$tool" ]; then
  echo "screenshot: $tool is not built" >&2
  exit 1
fi
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "screenshot: xvfb-run is missing (package xvfb; run 'make deps')" >&2
  exit 1
fi
# A sanitizer build reports what libdbus keeps until exit; nothing of ours is hidden.
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/lsan-qt.supp}"
run() {
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" env QT_QPA_PLATFORM=xcb "$tool" "$@"
}
if [ "$mode" != upload ]; then
  out="$build/screenshot.png"
  run "$out"
  echo "screenshot: wrote $out"
  exit 0
fi

out="$build/screenshot-upload.png"
ports=$(mktemp -d "${TMPDIR:-/tmp}/tormisaplex-shot-XXXXXX")
log="$ports.log"
# At the real line rate, so the upload is still running when the picture is taken.
"$sim" --ports "$ports" --com 1 --baud 38462 --timeout 300 > "$log" &
pid=$!
trap 'kill -TERM $pid 2>/dev/null || true; wait $pid 2>/dev/null || true; rm -f "$log"; rmdir "$ports" 2>/dev/null || true' EXIT
for _ in $(seq 100); do
  [ -s "$log" ] && break
  sleep 0.1
done
TORMISAPLEX_PORTS="$ports" run --during-upload "$out"
echo "screenshot: wrote $out"
