#!/bin/sh
# devsim-session.sh [options] -- PROGRAM [ARGS...]
#
# Runs a Windows program under Wine against tormisaplex-devsim: the simulator serves a
# pseudo-terminal, which this script maps into the Wine prefix as COM<n> (a dosdevices link
# and a value under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM, as Windows lists its ports), then
# runs the program with TORMISAPLEX_TEST_PORT=COM<n>. At the end it prints the simulator's
# summary and removes the mapping.
#
#   --prefix DIR     the Wine prefix (made on first use)
#   --tools DIR      bin/ of a Linux build: tormisaplex-devsim and wine-shim/
#   --com N          the COM number to map (default 20)
#   --expect S       the simulator's exit status that counts as success: 0, 1 or any
#                    (default 0); any other status fails the session
#   --devsim ARG     an argument for the simulator (repeat for several)
#   --summary TEXT   text the simulator's summary line must hold (the reason of a failure)
#
# The exit status is the program's, or 1 when the simulator ended otherwise than expected.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/prefix.sh"

prefix=""
tools=""
com=20
expect=0
devsim_args=""
summary=""
while [ $# -gt 0 ]; do
  case $1 in
    --prefix) prefix=$2; shift 2 ;;
    --tools) tools=$2; shift 2 ;;
    --com) com=$2; shift 2 ;;
    --expect) expect=$2; shift 2 ;;
    --devsim) devsim_args="$devsim_args $2"; shift 2 ;;
    --summary) summary=$2; shift 2 ;;
    --) shift; break ;;
    *) echo "devsim-session.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ -z "$prefix" ] || [ -z "$tools" ] || [ $# -eq 0 ]; then
  echo "usage: devsim-session.sh --prefix DIR --tools DIR [--com N] [--expect S] [--devsim ARG]... -- PROGRAM [ARGS...]" >&2
  exit 2
fi
devsim=$tools/tormisaplex-devsim
shim=$tools/wine-shim
if [ ! -x "$devsim" ] || [ ! -d "$shim" ]; then
  echo "devsim-session.sh: $devsim or $shim missing: build the Linux targets tormisaplex-devsim and tormisaplex-wine-ptyshim" >&2
  exit 2
fi

wine_prefix_ready "$prefix"
# The Wine server, started here detached from this script's output and terminal when none
# runs for the prefix: one that a `wine` below started would hold the caller's output open
# (ctest waits for it) and outlive the pseudo-terminal mapped into it. It stays 10 s after
# its last program, so sessions run one after another share it.
wineserver -p10 </dev/null >/dev/null 2>&1 || true
work=$(mktemp -d)
link="$WINEPREFIX/dosdevices/com$com"
value="\\Device\\TormisaplexSim$com"
serialcomm='HKLM\HARDWARE\DEVICEMAP\SERIALCOMM'
sim_pid=""

cleanup() {
  if [ -n "$sim_pid" ] && kill -0 "$sim_pid" 2>/dev/null; then
    kill -TERM "$sim_pid" 2>/dev/null || true
    wait "$sim_pid" 2>/dev/null || true
  fi
  rm -f "$link"
  wine reg delete "$serialcomm" /v "$value" /f >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# shellcheck disable=SC2086
"$devsim" --ports "$work/ports" --com "$com" $devsim_args >"$work/devsim.out" 2>&1 &
sim_pid=$!
# The simulator prints one line once its terminal is ready: COM<n> <device> <ports dir>.
tries=0
while ! grep -q "^COM$com " "$work/devsim.out" 2>/dev/null; do
  if ! kill -0 "$sim_pid" 2>/dev/null || [ $tries -ge 300 ]; then
    echo "devsim-session.sh: the simulator did not start:" >&2
    cat "$work/devsim.out" >&2
    exit 1
  fi
  tries=$((tries + 1))
  sleep 0.1
done
device=$(awk -v c="COM$com" '$1 == c { print $2; exit }' "$work/devsim.out")

ln -sfn "$device" "$link"
# Wine lists the ports it found at its start; a port mapped later needs its value added.
wine reg add "$serialcomm" /v "$value" /t REG_SZ /d "COM$com" /f >/dev/null 2>&1

status=0
# shellcheck disable=SC2016
TORMISAPLEX_TEST_PORT="COM$com" LD_PRELOAD="$shim/\$LIB/ptyshim.so" wine "$@" || status=$?

# After the program, the simulator ends by itself once the session is over; one that still
# waits for a program that has gone is stopped.
tries=0
[ "$expect" != any ] || tries=50
while kill -0 "$sim_pid" 2>/dev/null && [ $tries -lt 50 ]; do
  tries=$((tries + 1))
  sleep 0.1
done
kill -TERM "$sim_pid" 2>/dev/null || true
sim_status=0
wait "$sim_pid" || sim_status=$?
sim_pid=""
tail -n 1 "$work/devsim.out"
if [ -n "$summary" ] && ! tail -n 1 "$work/devsim.out" | grep -qF -- "$summary"; then
  echo "devsim-session.sh: the simulator's summary does not say \"$summary\"" >&2
  [ "$status" -ne 0 ] || status=1
fi
if [ "$expect" != any ] && [ "$sim_status" != "$expect" ]; then
  echo "devsim-session.sh: the simulator ended with status $sim_status, expected $expect" >&2
  [ "$status" -ne 0 ] || status=1
fi
exit "$status"
