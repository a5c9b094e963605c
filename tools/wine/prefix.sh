# Shared by the Wine scripts (sourced): the environment every Wine start gets, and the
# prefix, created on first use and again after Wine was installed or updated.

# Wine's `wine` command starts its 32-bit loader whenever Wine's 32-bit part is installed. A
# kernel built without 32-bit support ("Exec format error") cannot run that loader, so there
# the 64-bit one starts the (64-bit) programs. The sourcing script has set `here`.
if [ -x /usr/lib/wine/wine ] && ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
  PATH="$here/loader64:$PATH"
  export PATH
fi

# Quiet, and no offer to download Mono or Gecko: nothing here needs them.
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

# What the prefix was made with; a prefix made by another Wine (or before its 32-bit part
# came) cannot start the programs of the other kind.
wine_installed_stamp() {
  dpkg-query -W -f='${Package}:${Architecture} ${Version}\n' wine64 'wine32:i386' 2>/dev/null
  # The settings below; a prefix made with older ones is made again.
  echo "settings 2"
}

# wine_prefix_ready PREFIX: makes PREFIX a working prefix and exports WINEPREFIX.
wine_prefix_ready() {
  case $1 in
    /*) prefix=$1 ;;
    *) prefix=$(pwd)/$1 ;;
  esac
  mkdir -p "$(dirname "$prefix")"
  export WINEPREFIX="$prefix"
  # Two tests may start at once; one makes the prefix, the other waits for it.
  exec 9>"$prefix.lock"
  flock 9
  stamp=$(wine_installed_stamp)
  if [ -d "$prefix" ] && [ "$(cat "$prefix/.tormisaplex-stamp" 2>/dev/null)" != "$stamp" ]; then
    # Only a prefix these scripts made is removed.
    if [ -f "$prefix/.tormisaplex-stamp" ]; then
      wineserver -k 2>/dev/null || true
      rm -rf "$prefix"
    fi
  fi
  if [ ! -d "$prefix" ]; then
    wine wineboot --init >/dev/null 2>&1
    # Wine draws the windows' frames itself, as Windows does, rather than leaving them to a
    # window manager: under Xvfb there is none, and a managed window would show no frame
    # and make every hide wait two seconds for the manager's answer.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    wineserver -w
    printf '%s\n' "$stamp" >"$prefix/.tormisaplex-stamp"
  fi
  flock -u 9
  exec 9>&-
}
