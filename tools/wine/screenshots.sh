#!/bin/sh
# screenshots.sh WIN_BUILD TOOLS OUT DPI...: the Windows program under Wine at each DPI
# (LogPixels), saved as OUT/win32-<percent>-<state>.png. TOOLS is bin/ of a Linux build
# (the device simulator). WIN_STATES picks the states among first, failure (with the
# identified window before it) and success (with identified and upload before it; a whole
# upload under Wine: minutes). The prefix is one of its own, so that the tests' prefix keeps
# 96 DPI.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/prefix.sh"
build=$1
tools=$2
out=$3
shift 3
exe="$build/bin/tormisaplex-uploader.exe"
hands="$build/bin/tormisaplex-uploader-hands.exe"
if [ ! -f "$exe" ]; then
  echo "screenshots: $exe is not built (make windows)" >&2
  exit 1
fi
wine_prefix_ready "$build/wine-prefix-shots"
states=${WIN_STATES:-first failure success}
work=$(mktemp -d "${TMPDIR:-/tmp}/tormisaplex-wshots-XXXXXX")
trap 'rm -rf "$work"' EXIT
status=0
for dpi in "$@"; do
  pct=$((dpi * 100 / 96))
  # Where Windows keeps the setting, and where older Wine looks for it; read when the Wine
  # server starts.
  wineserver -k 2>/dev/null || true
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
      /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wineserver -w
  for state in $states; do
    case $state in
      first)
        export TORMISAPLEX_SHOT_EXE="$exe" TORMISAPLEX_SHOT_OUT="$out/win32-$pct-first.png" \
               TORMISAPLEX_SHOT_TOOLS="$here/.." TORMISAPLEX_SHOT_WORK="$work"
        xvfb-run -a -s "-screen 0 2048x1152x24 -dpi 96" sh -c '
          set -eu
          wine "$TORMISAPLEX_SHOT_EXE" >/dev/null 2>&1 &
          pid=$!
          trap "kill $pid 2>/dev/null || true" EXIT
          # Drawn once the picture holds more than a handful of colours.
          for _ in $(seq 300); do
            if xwd -silent -name "Tormisaplex bootloader" -out "$TORMISAPLEX_SHOT_WORK/w.xwd" 2>/dev/null; then
              colours=$(python3 "$TORMISAPLEX_SHOT_TOOLS/xwd-to-png.py" "$TORMISAPLEX_SHOT_WORK/w.xwd" "$TORMISAPLEX_SHOT_OUT" | cut -d" " -f2)
              [ "$colours" -gt 20 ] && break
            fi
            sleep 0.2
          done
          sleep 1
          xwd -silent -name "Tormisaplex bootloader" -out "$TORMISAPLEX_SHOT_WORK/w.xwd"
          python3 "$TORMISAPLEX_SHOT_TOOLS/xwd-to-png.py" "$TORMISAPLEX_SHOT_WORK/w.xwd" "$TORMISAPLEX_SHOT_OUT" >/dev/null
        ' || status=1
        ;;
      failure | success)
        if [ "$state" = failure ]; then
          fault="--devsim --fault --devsim wrong-crc=10"
        else
          fault=""
        fi
        # shellcheck disable=SC2086
        TORMISAPLEX_SHOTS="$work/win32-$pct" xvfb-run -a -s "-screen 0 2048x1152x24 -dpi 96" \
            "$here/devsim-session.sh" --prefix "$WINEPREFIX" --tools "$tools" --com 40 \
            --expect any $fault -- "$hands" "$exe" "$state" || status=1
        for shot in "$work"/win32-"$pct"-*.bmp; do
          [ -f "$shot" ] || continue
          name=$(basename "$shot" .bmp)
          python3 "$here/../xwd-to-png.py" "$shot" "$out/$name.png" >/dev/null
          rm -f "$shot"
        done
        ;;
    esac
    echo "screenshots: win32 $pct % $state"
  done
done
wineserver -k 2>/dev/null || true
exit "$status"
