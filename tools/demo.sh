#!/usr/bin/env bash
# make demo: a whole upload without hardware. Starts the device simulator on COM1 of a
# temporary port map and the uploader on that map; until the uploader exists, runs the
# simulator alone and says how to reach it.
#   DEVSIM_ARGS   extra simulator options, e.g. "--fault wrong-crc=10" or "--baud 115200"
set -euo pipefail

build="${1:-build}"
sim="$build/bin/tormisaplex-devsim"
uploader="$build/bin/tormisaplex-uploader"
here="$(cd "$(dirname "$0")" && pwd)"

if [[ ! -x "$sim" ]]; then
  echo "demo: $sim is missing; run 'make build' first" >&2
  exit 1
fi

ports="$(mktemp -d "${TMPDIR:-/tmp}/tormisaplex-demo-XXXXXX")"
log="$(mktemp "${TMPDIR:-/tmp}/tormisaplex-demo-log-XXXXXX")"
pid=""

cleanup() {
  if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
    kill -TERM "$pid" 2>/dev/null || true
  fi
  if [[ -n "$pid" ]]; then
    wait "$pid" 2>/dev/null || true
    # The simulator's last line is its summary.
    [[ "$(wc -l < "$log")" -gt 1 ]] && echo "simulator: $(tail -n 1 "$log")"
  fi
  rm -f "$log"
  rmdir "$ports" 2>/dev/null || true
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# At the real line rate by default, so the progress bar moves as it would with a device.
# shellcheck disable=SC2086
"$sim" --ports "$ports" --com 1 --baud 38462 ${DEVSIM_ARGS:-} > "$log" &
pid=$!

ready=""
for _ in $(seq 100); do
  ready="$(head -n 1 "$log")"
  [[ -n "$ready" ]] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if [[ -z "$ready" ]]; then
  echo "demo: the simulator did not start" >&2
  exit 1
fi
read -r com device _ <<< "$ready"
echo "Simulated Tormisaplex device on $com ($device), port map $ports"

if [[ -x "$uploader" ]]; then
  echo "Starting the uploader: choose $com, then press «Записать»."
  export TORMISAPLEX_PORTS="$ports"
  if [[ -x "$here/run-uploader.sh" ]]; then
    "$here/run-uploader.sh" "$uploader" || true
  else
    "$uploader" || true
  fi
else
  cat <<TEXT
The uploader is not built yet, so the simulator runs alone. Connect to it with
  TORMISAPLEX_PORTS=$ports $uploader
or with any serial program on $device (raw, 8N1), e.g. in another shell:
  exec 3<>$ports/$com; printf VERS >&3; timeout 1 cat <&3; exec 3<&-
Press Ctrl-C to stop.
TEXT
  wait "$pid" || true
fi
