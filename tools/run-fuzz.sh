#!/bin/sh
# Runs the fuzz target for a bounded time and prints libFuzzer's closing figures.
#   tools/run-fuzz.sh [build dir] [seconds] [extra libFuzzer options...]
# The corpus grows in <build dir>/fuzz-corpus and is kept between runs; fuzz/seeds starts it.
set -eu
build=${1:-build-fuzz}
seconds=${2:-60}
[ $# -ge 2 ] && shift 2 || shift $#
mkdir -p "$build/fuzz-corpus"
build=$(cd "$build" && pwd)
corpus="$build/fuzz-corpus"
here=$(cd "$(dirname "$0")" && pwd)
# With -jobs, libFuzzer writes a log per job (fuzz-N.log) into the current folder.
cd "$build"
exec "$build/bin/tormisaplex_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
  -timeout=60 -rss_limit_mb=4096 -max_len=64 "$@" "$corpus" "$here/../fuzz/seeds"
