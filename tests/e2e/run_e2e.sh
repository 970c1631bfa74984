#!/usr/bin/env bash
# End-to-end run of gravlet under a virtual X server at 1024x768x24.
#   run_e2e.sh CASE GRAVLET DATA_TOOL WORKDIR
# Writes a small data set into WORKDIR/data, runs the program there and
# checks its exit code, its output and screenshots of the screen.
set -uo pipefail

case_name=$1 gravlet=$2 data_tool=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
screen=${E2E_SCREEN:-1024x768x24}

if [ "${E2E_INNER:-}" != 1 ]; then
  rm -rf "$work" && mkdir -p "$work" || exit 1
  omit=()
  [ "$case_name" = missing_model ] && omit=(--omit forresta.3ds)
  "$data_tool" "$work" "${omit[@]}" || { echo "FAIL: data set not written"; exit 1; }
  cd "$work" || exit 1
  if [ "$case_name" = no_display ]; then
    E2E_INNER=1 exec "$0" "$@"
  fi
  [ "$case_name" = fullscreen_refused ] && screen=800x600x24
  # A server without GLX: the window step fails after video came up.
  [ "$case_name" = window_fails_shows_box ] && screen="$screen -extension GLX"
  E2E_INNER=1 exec "$here/../support/with_xvfb.sh" "-screen 0 $screen" "$0" "$@"
fi

export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export GRAVLET_NONINTERACTIVE=1
# Under the sanitizer build, leak checking is off for the windowed program
# only: at exit the X GL driver modules are unloaded with blocks of their
# own still held, and libdbus (through SDL) keeps one; none of it is ours.
# The in-process and offscreen tests cover the same code with leaks checked.
[ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
fail() { echo "FAIL ($case_name): $*"; [ -f err.txt ] && sed 's/^/  stderr: /' err.txt | head -20; exit 1; }

pid=
start() {
  "$gravlet" >out.txt 2>err.txt &
  pid=$!
}
. "$here/../support/screen.sh"
# Grey pixels (r = g = b > 100) in a region: the loading bar's and the failure text's colour.
grey_pixels() {
  convert "$1" -crop "$2" txt:- | awk -F'[(),]' 'NR > 1 { r=$3+0; g=$4+0; b=$5+0; if (r == g && g == b && r > 100) n++ } END { print n + 0 }'
}

case "$case_name" in
opens_loads_runs_and_ends_on_esc)
  start
  window_id '^gravlet$' >/dev/null || fail "no window appeared"
  sleep 1
  shot loading.png
  # The picture is drawn twice with (source colour, 1 - source colour):
  # s*s, then s*s + (s*s)(1 - s): orange (255, 128, 0) shows as (255, 96, 0),
  # blue (0, 64, 255) as (0, 28, 255).
  near "$(pixel loading.png 512 100)" 255 96 0 || fail "loading picture's top half: $(pixel loading.png 512 100)"
  near "$(pixel loading.png 512 700)" 0 28 255 || fail "loading picture's bottom half: $(pixel loading.png 512 700)"
  sleep 5
  shot scene.png
  near "$(pixel scene.png 512 100)" 255 96 0 && fail "still the loading picture after 6 s"
  xdotool key F1; sleep 0.3; xdotool key F2; sleep 0.3; xdotool key F1
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || fail "ended on F1/F2"
  xdotool key Escape
  wait_exit 10
  [ "$status" = 0 ] || fail "exit code $status after Esc"
  ;;
missing_model)
  start
  for ((i = 0; i < 200; i++)); do
    grep -q 'Error initializing' err.txt 2>/dev/null && break
    sleep 0.05
  done
  shot failure.png
  wait_exit 15
  [ "$status" = 1 ] || fail "exit code $status, expected 1"
  grep -qF 'Error initializing [demoForrest class]!' err.txt || fail "no failure message"
  # The text at (10, 220): its baseline 407 rows from the top, over the picture.
  n=$(grey_pixels failure.png 420x24+8+386)
  [ "$n" -gt 20 ] || fail "no text on screen ($n grey pixels)"
  ;;
no_display)
  unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
  start
  wait_exit 15
  [ "$status" = 1 ] || fail "exit code $status without a display"
  grep -qF 'Failed To Register The Window Class.' err.txt || fail "no window error"
  grep -q 'no display' err.txt || fail "no reason given"
  ;;
no_audio)
  export SDL_AUDIODRIVER=gravlet-no-such-driver
  start
  window_id '^gravlet$' >/dev/null || fail "no window without audio"
  sleep 4
  kill -0 "$pid" 2>/dev/null || fail "ended without audio"
  xdotool key Escape
  wait_exit 10
  [ "$status" = 0 ] || fail "exit code $status"
  # Standard output is a file here, so it is complete only after the end.
  grep -q '^Error!' out.txt || fail "no init error printed"
  grep -qF 'Error initializing output device.' out.txt || fail "no error text printed"
  ;;
window_close)
  start
  id=$(window_id '^gravlet$') || fail "no window appeared"
  sleep 3
  python3 "$here/wm_close.py" "$id" || fail "close request not sent"
  wait_exit 10
  [ "$status" = 0 ] || fail "exit code $status after closing"
  ;;
window_fails_shows_box)
  # The teardown stops SDL video before the box; it must still appear.
  GRAVLET_NONINTERACTIVE=0 start
  for ((i = 0; i < 100; i++)); do
    box=$(xwininfo -root -tree | awk '/"ERROR"/ { print $1; exit }')
    [ -n "$box" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$box" ] || { kill "$pid" 2>/dev/null; fail "no ERROR box appeared"; }
  kill -0 "$pid" 2>/dev/null || fail "ended without waiting for the box"
  xdotool windowfocus "$box" key Return
  wait_exit 10
  [ "$status" = 1 ] || fail "exit code $status after the window failed"
  grep -qF 'ERROR: Window Creation Error.' err.txt || fail "not the window creation error"
  ;;
fullscreen_refused)
  # 800x600 has no 1024x768 mode: the question, answered No, then Yes.
  GRAVLET_ANSWER=no start
  wait_exit 15
  [ "$status" = 1 ] || fail "exit code $status after declining"
  grep -qF 'Use Windowed Mode Instead?' err.txt || fail "no question asked"
  grep -qF 'Program Will Now Close.' err.txt || fail "no closing message"
  GRAVLET_ANSWER=yes start
  window_id '^gravlet$' >/dev/null || fail "no window after Yes"
  sleep 2
  kill -0 "$pid" 2>/dev/null || fail "ended after Yes"
  xdotool key Escape
  wait_exit 10
  [ "$status" = 0 ] || fail "exit code $status"
  ;;
*)
  fail "unknown case"
  ;;
esac
echo "PASS ($case_name)"
