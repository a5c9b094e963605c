#!/bin/sh
# Shows the program's first window on a virtual X server, with no interaction, and saves a
# picture of it as <builddir>/screenshot.png.
set -eu
build=${1:-build}
tool="$build/bin/tormisaplex-screenshot"
out="$build/screenshot.png"
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
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" env QT_QPA_PLATFORM=xcb "$tool" "$out"
echo "screenshot: wrote $out"
