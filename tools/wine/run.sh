#!/bin/sh
# run.sh PREFIX PROGRAM [ARGS...]: runs a Windows program under Wine in PREFIX (made on
# first use). CMake's emulator for the cross-built tests.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/prefix.sh"
prefix=$1
shift
wine_prefix_ready "$prefix"
exec wine "$@"
