#!/bin/sh
# Configures a build folder with CMake only when it has to: when the folder has no cache yet,
# or when the cache holds another value for one of the -D options asked for. Otherwise the
# build step alone re-runs CMake, and only if a CMakeLists.txt changed.
#   tools/configure.sh <build dir> [cmake arguments...]
set -eu
build=$1
shift
cache="$build/CMakeCache.txt"
needed=no
[ -f "$cache" ] || needed=yes
if [ "$needed" = no ]; then
  for arg in "$@"; do
    case $arg in
      -D*=*)
        setting=${arg#-D}
        name=${setting%%=*}
        name=${name%%:*}
        value=${setting#*=}
        if ! awk -v name="$name" -v value="$value" '
               { eq = index($0, "="); key = substr($0, 1, eq - 1); sub(/:.*/, "", key) }
               key == name && substr($0, eq + 1) == value { found = 1 }
               END { exit !found }' "$cache"; then
          needed=yes
          break
        fi
        ;;
    esac
  done
fi
[ "$needed" = yes ] || exit 0
exec cmake -S . -B "$build" "$@"
