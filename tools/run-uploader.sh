#!/bin/sh
# Starts the uploader. On a machine without a display it says so in one line instead of
# letting Qt abort.
set -eu
bin=${1:?usage: run-uploader.sh <path to tormisaplex-uploader> [arguments]}
shift
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "tormisaplex-uploader: no display to show its window on (DISPLAY and WAYLAND_DISPLAY are not set); try 'make screenshot'" >&2
  exit 2
fi
if [ ! -x "$bin" ]; then
  echo "tormisaplex-uploader: $bin is not built" >&2
  exit 1
fi
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/lsan-qt.supp}"
exec "$bin" "$@"
