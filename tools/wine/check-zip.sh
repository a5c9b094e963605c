#!/bin/sh
# check-zip.sh PREFIX VERSION ZIP...: unpacks each Windows download into a fresh folder and
# checks what a technician gets: the READMEs, and programs that start under Wine and name
# VERSION. A GUI program's --version must reach the terminal too.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
prefix=$1
version=$2
shift 2
status=0
for zip in "$@"; do
  dir=$(mktemp -d)
  (cd "$dir" && cmake -E tar xf "$zip")
  top="$dir/$(basename "$zip" .zip)"
  for readme in README-ru.txt README-en.txt; do
    if ! grep -q "$version" "$top/$readme" 2>/dev/null; then
      echo "$zip: $readme missing or without the version" >&2
      status=1
    fi
  done
  found=0
  for exe in "$top"/*.exe; do
    [ -e "$exe" ] || continue
    found=1
    said=$("$here/run.sh" "$prefix" "$exe" --version 2>/dev/null | tr -d '\r') || true
    case "$said" in
      *"$version"*) echo "$(basename "$zip"): $(basename "$exe"): $said" ;;
      *) echo "$zip: $(basename "$exe") --version said '$said', not $version" >&2; status=1 ;;
    esac
  done
  if [ "$found" = 0 ]; then
    echo "$zip: no program inside" >&2
    status=1
  fi
  rm -rf "$dir"
done
exit $status
