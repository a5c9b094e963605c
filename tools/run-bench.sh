#!/bin/sh
# Runs every benchmark binary of a build (executables in <build>/bin named *_bench), then
# the whole upload at full speed once more in a real window on a virtual X server.
#   tools/run-bench.sh [build dir]     (make bench passes its build folder)
set -eu
build=${1:-build}
found=0
for bin in "$build"/bin/*_bench; do
  [ -x "$bin" ] || continue
  found=1
  echo "== $(basename "$bin")"
  "$bin"
done
if [ "$found" -eq 0 ]; then
  echo "no benchmark binaries in $build/bin" >&2
  exit 1
fi
upload="$build/bin/tormisaplex_upload_bench"
if [ -x "$upload" ]; then
  if command -v xvfb-run >/dev/null 2>&1; then
    echo "== $(basename "$upload") in a real window (Xvfb)"
    xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" env QT_QPA_PLATFORM=xcb "$upload" --baud 0
  else
    echo "xvfb-run is missing (package xvfb): no measure in a real window" >&2
  fi
fi
