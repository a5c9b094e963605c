#!/usr/bin/env bash
# make test-package: checks the Debian package that `make package` built, the way a
# technician's machine meets it.
#   1. lintian reports no error and no warning.
#   2. The desktop entry and the AppStream data in the package validate.
#   3. In a fresh Debian 12 root: `apt install ./<package>.deb` brings in only the declared
#      dependencies; both programs print the version; the uploader shows its window on Xvfb;
#      `apt purge` and `apt autoremove --purge` leave the root as it was before.
# The root is made by debootstrap and kept as a tarball in <build>/package-check for the next
# run; nothing is cached outside the build folder. Needs root (debootstrap, chroot, mounts in
# a private mount namespace) and Debian's mirror:
#   TORMISAPLEX_DEBIAN_MIRROR           default http://deb.debian.org/debian
#   TORMISAPLEX_DEBIAN_SECURITY_MIRROR  default http://deb.debian.org/debian-security
set -euo pipefail

build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
mirror=${TORMISAPLEX_DEBIAN_MIRROR:-http://deb.debian.org/debian}
security=${TORMISAPLEX_DEBIAN_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
title="Tormisaplex bootloader"  # the main window's caption

fail() {
  echo "check-package: $*" >&2
  exit 1
}
started=$SECONDS
step() { printf '\n== %s (at %ds)\n' "$*" $((SECONDS - started)); }

[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, chroot and mounts); run it as root"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt" 2>/dev/null) ||
  true
[ -n "$version" ] || fail "$build is not configured; run 'make package' first"
deb=$(cd "$build" && pwd)/tormisaplex-uploader_${version}_amd64.deb
[ -f "$deb" ] || fail "$deb is missing; run 'make package' first"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "$deb does not carry version $version"
work=$(cd "$build" && pwd)/package-check
root=$work/root
mkdir -p "$work"

xvfb_pid=""
cleanup() {
  # The uploader started in the root writes its process id there before it starts.
  if [ -s "$root/tmp/uploader.pid" ]; then
    kill -TERM "$(cat "$root/tmp/uploader.pid")" 2>/dev/null || true
    rm -f "$root/tmp/uploader.pid"
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

# Runs a command inside the root. /proc and /sys are mounted in a mount namespace of its own,
# so they vanish with the command and nothing can stay mounted inside the build folder.
in_root() {
  unshare --mount --fork -- sh -c '
    root=$1; shift
    mount -t proc proc "$root/proc" && mount -t sysfs -o ro sysfs "$root/sys" &&
      exec chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
        LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive "$@"' sh "$root" "$@"
}

# Every path in the root but those that apt, dpkg and the system rewrite as they work.
root_files() {
  (cd "$root" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev -o -path ./tmp \
    -o -path ./run -o -path ./var/cache -o -path ./var/log -o -path ./var/lib/apt \
    -o -path ./var/lib/dpkg -o -path ./etc/ld.so.cache \) -prune -o -print | sort)
}

step "lintian"
lintian --fail-on error,warning --display-info "$deb"
echo "lintian: no errors, no warnings"

step "desktop entry and AppStream data"
rm -rf "$work/contents"
dpkg-deb -x "$deb" "$work/contents"
desktop-file-validate "$work"/contents/usr/share/applications/*.desktop
appstreamcli validate --strict --no-net "$work"/contents/usr/share/metainfo/*.metainfo.xml
appstreamcli validate-tree --strict --no-net "$work/contents"

step "a clean Debian 12 root"
if grep -qF " $root" /proc/mounts; then
  fail "something is mounted under $root; unmount it first"
fi
rm -rf "$root"
base=$work/debian12-minbase.tar
if [ -f "$base" ]; then
  mkdir "$root"
  tar -xpf "$base" --numeric-owner -C "$root"
  echo "unpacked $base"
else
  debootstrap --variant=minbase bookworm "$root" "$mirror" > "$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; fail "debootstrap failed ($work/debootstrap.log)"; }
  cat > "$root/etc/apt/sources.list" <<SOURCES
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security bookworm-security main
SOURCES
  tar -cpf "$base.part" --numeric-owner -C "$root" . && mv "$base.part" "$base"
  echo "bootstrapped from $mirror, kept as $base"
fi
in_root apt-get update -q > "$work/apt-update.log" 2>&1 ||
  { tail -n 20 "$work/apt-update.log" >&2; fail "apt-get update failed"; }
in_root dpkg-query -W -f='${Package}\n' | sort > "$work/packages-before"
root_files > "$work/files-before"

step "apt install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root apt-get install -y -q --no-install-recommends "/tmp/$(basename "$deb")" \
  > "$work/apt-install.log" 2>&1 ||
  { tail -n 30 "$work/apt-install.log" >&2; fail "the package does not install"; }
status=$(in_root dpkg-query -W -f='${db:Status-Abbrev}' tormisaplex-uploader)
[ "$status" = "ii " ] || fail "the package is not installed after apt install ($status)"
in_root dpkg-query -W -f='${Package}\n' | sort > "$work/packages-installed"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
echo "apt brought in $(comm -13 "$work/packages-before" "$work/packages-installed" | wc -l) packages"

step "--version"
for program in tormisaplex-uploader tormisaplex-devsim tormisaplex-upload; do
  printed=$(in_root "$program" --version)
  [ "$printed" = "$program $version" ] ||
    fail "$program --version printed '$printed', not '$program $version'"
  echo "$printed"
done

step "the window on Xvfb"
rm -f "$work/display" "$root/tmp/uploader.pid"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" \
  2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 300); do
  [ -s "$work/display" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || fail "Xvfb did not start ($work/xvfb.log)"
  sleep 0.1
done
display=:$(head -n 1 "$work/display")
[ "$display" != ":" ] || fail "Xvfb named no display"
# The X server's abstract socket is shared by every mount namespace, so the program in the
# root reaches it without any bind mount.
in_root sh -c 'echo $$ > /tmp/uploader.pid; exec "$@"' sh \
  env DISPLAY="$display" QT_QPA_PLATFORM=xcb tormisaplex-uploader > "$work/uploader.log" 2>&1 &
runner=$!
window=""
for _ in $(seq 600); do
  window=$(xwininfo -display "$display" -root -tree 2>/dev/null |
    awk -v t="\"$title\"" 'index($0, t) { print $1; exit }')
  [ -n "$window" ] && break
  kill -0 "$runner" 2>/dev/null ||
    { cat "$work/uploader.log" >&2; fail "the uploader ended without showing its window"; }
  sleep 0.1
done
[ -n "$window" ] || { cat "$work/uploader.log" >&2; fail "no window titled '$title' in 60 s"; }
xwininfo -display "$display" -id "$window" | grep -q 'Map State: IsViewable' ||
  fail "the window is not viewable"
xprop -display "$display" -id "$window" WM_CLASS | grep -qF '"tormisaplex-uploader"' ||
  fail "the window's WM_CLASS does not match the desktop entry's StartupWMClass"
# A drawn window has its controls and texts in it; an empty one is a single colour.
xwd -display "$display" -id "$window" -silent > "$work/window.xwd"
read -r size colours < <("$here/xwd-to-png.py" "$work/window.xwd" "$work/window.png")
[ "$colours" -ge 8 ] || fail "the window looks empty: $colours colours ($work/window.png)"
echo "window $window: '$title', $size, $colours colours; picture in $work/window.png"
cleanup
wait "$runner" || true
xvfb_pid=""

step "apt purge"
in_root apt-get purge -y -q tormisaplex-uploader > "$work/apt-purge.log" 2>&1 ||
  { tail -n 30 "$work/apt-purge.log" >&2; fail "the package does not remove"; }
in_root apt-get autoremove --purge -y -q >> "$work/apt-purge.log" 2>&1 ||
  { tail -n 30 "$work/apt-purge.log" >&2; fail "its dependencies do not remove"; }
if in_root dpkg-query -W tormisaplex-uploader > /dev/null 2>&1; then
  fail "dpkg still knows the package after purge"
fi
left=""
while read -r path; do
  [ -e "$root/$path" ] || [ -L "$root/$path" ] && left="$left $path"
done < <(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }')
[ -z "$left" ] || fail "files left behind:$left"
in_root dpkg-query -W -f='${Package}\n' | sort > "$work/packages-after"
diff -u "$work/packages-before" "$work/packages-after" ||
  fail "purge and autoremove did not restore the root's packages"
root_files > "$work/files-after"
diff -u "$work/files-before" "$work/files-after" ||
  fail "purge and autoremove did not restore the root's files"
echo "removed cleanly"

rm -rf "$root"
step "all package checks passed"
