#!/bin/sh
# Runs every benchmark binary of a build (executables in <build>/bin named *_bench).
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
