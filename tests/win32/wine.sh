#!/usr/bin/env bash
# The Wine prefix of one test run, kept in a temporary folder named in FILE.
#   wine.sh up FILE          creates it (Wine's first start takes a while)
#   wine.sh down FILE        stops Wine there and removes it
#   wine.sh run FILE EXE...  runs a Windows program in it
set -uo pipefail
action=$1 file=$2
shift 2
export WINEDEBUG=-all
case "$action" in
up)
  "$0" down "$file"
  dir=$(mktemp -d) || exit 1
  echo "$dir/prefix" >"$file"
  WINEPREFIX="$dir/prefix" DISPLAY= timeout 150 wineboot -i >/dev/null 2>&1
  WINEPREFIX="$dir/prefix" wineserver -w
  [ -f "$dir/prefix/system.reg" ] || { echo "no Wine prefix made in $dir"; exit 1; }
  ;;
down)
  [ -f "$file" ] || exit 0
  prefix=$(cat "$file")
  WINEPREFIX="$prefix" wineserver -k 2>/dev/null
  # Only what `up` made: a prefix folder inside a mktemp folder.
  [ "$(basename "$prefix")" = prefix ] && rm -rf "$(dirname "$prefix")"
  rm -f "$file"
  ;;
run)
  [ -f "$file" ] || { echo "no Wine prefix: run the win32.wine_prefix_up test first"; exit 1; }
  WINEPREFIX=$(cat "$file") DISPLAY= exec wine "$@"
  ;;
esac
