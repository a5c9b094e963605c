#!/bin/sh
# Installs the Debian packages that are not installed yet, from the lists given as arguments
# (default: tools/packages.txt). A package of another architecture (name:i386) enables that
# architecture in dpkg first.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
[ $# -gt 0 ] || set -- "$here/packages.txt"
missing=""
for list in "$@"; do
  for pkg in $(grep -v '^#' "$list" | grep -v '^$'); do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing="$missing $pkg"
  done
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then
  sudo=""
elif command -v sudo >/dev/null 2>&1; then
  sudo="sudo"
else
  echo "error: packages missing ($missing) and neither root nor sudo is available" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
for pkg in $missing; do
  case $pkg in
    *:*)
      arch=${pkg##*:}
      if [ "$arch" != "$(dpkg --print-architecture)" ] &&
         ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
        echo "Enabling the $arch architecture in dpkg"
        $sudo dpkg --add-architecture "$arch"
      fi
      ;;
  esac
done
$sudo apt-get update -q
# shellcheck disable=SC2086
$sudo apt-get install -y -q --no-install-recommends $missing
