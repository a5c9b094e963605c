#!/bin/sh
# with-xft-dpi.sh DPI COMMAND [ARGS...]: runs COMMAND on a fresh virtual X server (a free
# display, xvfb-run -a) whose Xft.dpi is DPI, as a desktop at 125 % (120), 150 % (144) or
# 200 % (192) sets it for X11 programs. The server's own resolution stays 96; it keeps the
# setting when xprop, its first client, leaves (-noreset).
set -eu
dpi=$1
shift
# Qt on an X server opens a D-Bus session, whose library keeps one buffer until exit.
here=$(cd "$(dirname "$0")" && pwd)
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/lsan-qt.supp}"
exec xvfb-run -a -s "-screen 0 2048x1152x24 -dpi 96 -noreset" sh -c '
  # Qt reads the resource as "Xft.dpi:" and a tab.
  xprop -root -format RESOURCE_MANAGER 8s -set RESOURCE_MANAGER "$(printf "Xft.dpi:\t%s" "$0")"
  exec "$@"' "$dpi" "$@"
