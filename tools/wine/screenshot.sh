#!/bin/sh
# screenshot.sh BUILD_DIR [OUT.png]: the Windows program's first window under Wine on a
# virtual X server, saved as a picture (default BUILD_DIR/screenshot.png). Wine draws the
# frame and caption itself, as Windows does.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
. "$here/prefix.sh"
build=$1
out=${2:-$build/screenshot.png}
exe="$build/bin/tormisaplex-uploader.exe"
if [ ! -f "$exe" ]; then
  echo "screenshot: $exe is not built (make windows)" >&2
  exit 1
fi
wine_prefix_ready "$build/wine-prefix"
export TORMISAPLEX_SHOT_EXE="$exe" TORMISAPLEX_SHOT_OUT="$out" TORMISAPLEX_SHOT_TOOLS="$here/.."
xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" sh -c '
  set -eu
  work=$(mktemp -d)
  wine "$TORMISAPLEX_SHOT_EXE" >/dev/null 2>&1 &
  pid=$!
  trap "kill $pid 2>/dev/null || true; rm -rf \"$work\"" EXIT
  # The window is there once X knows it by its caption, and drawn once the picture holds
  # more than a handful of colours (the texts, the icon).
  for _ in $(seq 300); do
    if xwd -silent -name "Tormisaplex bootloader" -out "$work/w.xwd" 2>/dev/null; then
      colours=$(python3 "$TORMISAPLEX_SHOT_TOOLS/xwd-to-png.py" "$work/w.xwd" "$TORMISAPLEX_SHOT_OUT" | cut -d" " -f2)
      [ "$colours" -gt 20 ] && break
    fi
    sleep 0.2
  done
  [ -s "$TORMISAPLEX_SHOT_OUT" ]
'
echo "screenshot: wrote $out"
