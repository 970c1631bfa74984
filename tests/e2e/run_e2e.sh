#!/usr/bin/env bash
# The whole program on the small data set, mostly under a virtual X server:
#   run_e2e.sh CASE GRAVLET DATA_TOOL WORKDIR
# Writes the data set into WORKDIR/data, runs the program there and checks its
# exit code, its output and screenshots. bad_data.demo_goes_on and
# bad_data.unreachable_display are cases here too.
set -uo pipefail

case_name=$1 gravlet=$2 data_tool=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/screen.sh"
. "$here/../bad_data/damage.sh"

if [ "${E2E_INNER:-}" != 1 ]; then
  screen=1024x768x24 omit=()
  case $case_name in
  missing_model) omit=(--omit forresta.3ds) ;;
  fullscreen_refused) screen=800x600x24 ;;   # no 1024x768 mode
  window_fails_shows_box) screen="$screen -extension GLX" ;;   # the window step fails after video came up
  no_display|unreachable_display) screen= ;;
  esac
  write_data "$work" "$data_tool" "${omit[@]}"
  [ -z "$screen" ] && E2E_INNER=1 exec "$0" "$@"
  E2E_INNER=1 exec "$here/../support/with_xvfb.sh" "-screen 0 $screen" "$0" "$@"
fi

export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} GRAVLET_NONINTERACTIVE=1
# Under the sanitizer build, leak checking is off for the windowed program
# only: at exit the X GL driver modules are unloaded with blocks of their
# own still held, and libdbus (through SDL) keeps one; none of it is ours.
# The in-process and offscreen tests cover the same code with leaks checked.
[ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
label=$case_name
fail() { echo "FAIL ($label): $*"; [ -f err.txt ] && sed 's/^/  stderr: /' err.txt | head -20; exit 1; }
start() { "$gravlet" >out.txt 2>err.txt & pid=$!; }

case "$case_name" in
opens_loads_runs_and_ends_on_esc)
  start
  loading_then_scene
  xdotool key --delay 300 F1 F2 F1
  sleep 0.5
  ends_on_esc
  ;;
missing_model)
  fails_without_model
  ;;
no_display|unreachable_display)
  # No display, or one that is not there: a window error and exit code 1,
  # never an invisible run on an offscreen driver.
  unset DISPLAY WAYLAND_DISPLAY SDL_VIDEODRIVER
  [ "$case_name" = unreachable_display ] && export DISPLAY=:$(( 900 + RANDOM % 90 ))
  start
  wait_exit 30
  [ "$status" = 1 ] || fail "exit code $status without a display"
  grep -qF 'Failed To Register The Window Class.' err.txt || fail "no window error"
  [ -n "${DISPLAY:-}" ] || grep -q 'no display' err.txt || fail "no reason given"
  ;;
no_audio)
  export SDL_AUDIODRIVER=gravlet-no-such-driver
  run_and_escape 4
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
    [ -n "$box" ] || ! kill -0 "$pid" 2>/dev/null && break
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
  # The question, answered No, then Yes.
  GRAVLET_ANSWER=no start
  wait_exit 15
  [ "$status" = 1 ] || fail "exit code $status after declining"
  grep -qF 'Use Windowed Mode Instead?' err.txt || fail "no question asked"
  grep -qF 'Program Will Now Close.' err.txt || fail "no closing message"
  GRAVLET_ANSWER=yes run_and_escape 2
  ;;
demo_goes_on)
  # Without the soundtrack the program says so and runs silent; with an
  # empty, garbage or cut one it runs too; without textures it names them and
  # runs; Esc then ends it with 0.
  mv data base
  for variant in missing empty garbage truncate-half textures; do
    label="$case_name: $variant" && rm -rf data && cp -r base data || exit 1
    case $variant in
    missing) rm data/music/vopa.mp3 ;;
    textures) rm data/wt.tga data/fogz1.tga data/greets2.tga ;;
    *) damage "$variant" base/music/vopa.mp3 data/music/vopa.mp3 || fail "cannot damage" ;;
    esac
    run_and_escape 7   # loading, the two-second hold, then a few seconds of the timeline
    grep -qF 'Error initializing' err.txt && fail "a scene failed"
    if [ "$variant" = missing ]; then
      grep -A1 -x 'Error!' out.txt | grep -qx 'File Not Found' || fail "no File Not Found"
    else
      grep -qx 'File Not Found' out.txt && fail "soundtrack called missing"
    fi
    case $variant in
    textures)
      for t in wt fogz1 greets2; do
        grep -qF "ERROR: Could not load TGA file 'data//$t.tga'" err.txt || fail "no message for $t.tga"
      done ;;
    empty|garbage|truncate-half)
      grep -q '^ERROR' err.txt && fail "$(grep '^ERROR' err.txt | head -1)"
      grep -qF 'STREAM ENDED' out.txt && [ "$variant" != truncate-half ] && fail "a broken soundtrack played" ;;
    esac
    echo "ok: $variant"
  done
  ;;
*)
  fail "unknown case"
  ;;
esac
echo "PASS ($case_name)"
