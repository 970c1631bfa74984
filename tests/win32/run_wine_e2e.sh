#!/usr/bin/env bash
# End-to-end runs of gravlet.exe under Wine and a virtual X server at 1024x768x24.
#   run_wine_e2e.sh CASE PREFIX_FILE GRAVLET_EXE DECODE_EXE DATA_TOOL WORKDIR
# Writes the small data set into WORKDIR/data, runs the program there in the
# run's Wine prefix and checks exit code, output, screen and message boxes.
set -uo pipefail

case_name=$1 prefix_file=$2 exe=$3 decoder=$4 data_tool=$5 work=$6
export WINEPREFIX=$(cat "$prefix_file") WINEDEBUG=-all

here=$(cd "$(dirname "$0")" && pwd)
. "$here/../support/screen.sh"

if [ "${E2E_INNER:-}" != 1 ]; then
  screen=1024x768x24 omit=()
  [ "$case_name" = missing_model ] && omit=(--omit forresta.3ds)
  [ "$case_name" = missing_texture ] && omit=(--omit keu6.tga)
  [ "$case_name" = fullscreen_refused ] && screen=800x600x24   # no 1024x768 mode
  write_data "$work" "$data_tool" "${omit[@]}"
  cp "$exe" "$decoder" . || exit 1
  E2E_INNER=1 "$here/../support/with_xvfb.sh" "-screen 0 $screen" "$0" "$@"
  status=$?
  wineserver -k 2>/dev/null   # its windows lived on this X server
  exit $status
fi

fail() { echo "FAIL ($case_name): $*"; sed 's/^/  stdout: /' out.txt | cut -c1-200 | head -20; grep -v '^ALSA' err.txt | sed 's/^/  stderr: /' | head -20; exit 1; }
# Sound through Wine's ALSA driver only, so no sound server on the machine
# decides the outcome.
export WINEDLLOVERRIDES="winepulse.drv=d"
start() { wine gravlet.exe >out.txt 2>err.txt & pid=$!; }
answer_box() {  # presses $2 in the box titled $1 until the box is gone
  window_id "$1" >/dev/null || return 1
  for ((i = 0; i < 20; i++)); do
    sleep 0.5   # a box just mapped may not take keys yet
    xdotool search --name "$1" >/dev/null 2>&1 || return 0
    xdotool key "$2"
  done
  return 1
}
report_printed() {
  # The dash line follows the model names, which end in no line break.
  grep -q -- '-\{57\}$' out.txt && grep -q 'Driver list$' out.txt &&
    grep -qx 'Press a corresponding number or ESC to quit' out.txt || fail "no sound report"
}

case "$case_name" in
runs_and_ends_on_esc)
  start
  loading_then_scene
  xdotool key F1 F2 F1
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || fail "ended on F1/F2"
  # The press ends it: the character message follows the key-down.
  xdotool keydown Escape
  wait_exit 15
  xdotool keyup Escape
  [ "$status" = 0 ] || fail "exit code $status after Esc"
  report_printed
  ;;
plays_on_null_sink)
  # A null device that also keeps what it is given in a file.
  printf '</usr/share/alsa/alsa.conf>\npcm.!default { type file slave.pcm "null" file "%s" format "raw" }\n' \
    "$PWD/played.raw" >asound.conf
  export ALSA_CONFIG_PATH=$PWD/asound.conf
  run_and_escape 4
  report_printed
  grep -qx 'Windows Multimedia Waveout Driver list' out.txt || fail "no wave output named"
  grep -q '^1 - .' out.txt || fail "no device listed"
  grep -q '^Error' out.txt && fail "sound set-up failed"
  grep -qx 'STREAM ENDED!!' out.txt || fail "the half-second stream did not play to its end"
  # Half a second of 16-bit stereo at 44.1 kHz is 88200 bytes, nearly all non-zero.
  sound=$(tr -d '\000' <played.raw | wc -c)
  [ "$sound" -gt 40000 ] || fail "the device was given $sound non-zero bytes"
  ;;
no_audio_device)
  export WINEDLLOVERRIDES="winepulse.drv,winealsa.drv,wineoss.drv=d"
  run_and_escape 3
  report_printed
  grep -qx 'NoSound Driver list' out.txt || fail "output not reported as none"
  grep -qx 'Error!' out.txt && grep -qx 'Error initializing output device.' out.txt || fail "no init error"
  grep -q 'STREAM ENDED' out.txt && fail "a stream played without a device"
  ;;
missing_model)
  fails_without_model
  ;;
missing_texture)
  start
  window_id '^ERROR$' >/dev/null || fail "no ERROR box"
  # A modal box: it stays until answered.
  sleep 2
  grep -qF "ERROR: Could not load TGA file 'data//keu6.tga'" err.txt || fail "box text not reported"
  xdotool search --name '^ERROR$' >/dev/null || fail "box went away by itself"
  answer_box '^ERROR$' Return || fail "box not closed by Return"
  sleep 4
  ends_on_esc
  ;;
fullscreen_refused)
  # The question, answered No (its N key): the closing box, then the end.
  start
  answer_box '^Vask GL$' n || fail "no question asked, or No not taken"
  answer_box '^ERROR$' Return || fail "no closing box after No"
  wait_exit 15
  [ "$status" = 1 ] || fail "exit code $status after declining"
  grep -qF 'ERROR: Program Will Now Close.' err.txt || fail "closing message not reported"
  # Answered Yes (the default button): the demo runs in a window.
  start
  answer_box '^Vask GL$' Return || fail "no question asked again, or Yes not taken"
  window_id '^gravlet$' >/dev/null || fail "no window after Yes"
  sleep 3
  ends_on_esc
  ;;
glyphs_match_wgl)
  wine "$(dirname "$decoder")/glyphs_match_wgl.exe" >out.txt 2>err.txt || fail "glyphs differ from wglUseFontBitmaps'"
  ;;
decoder_matches_mpg123)
  # The system's codec, trimmed and converted by the sound library, against
  # mpg123's gapless decode of the same file: same length, same samples but
  # for rounding.
  read -r length rate < <(wine "$(basename "$decoder")" data/music/vopa.mp3 ours.raw 2>/dev/null | tr -d '\r') ||
    fail "decoder failed"
  mpg123 -q -s -r 44100 --stereo data/music/vopa.mp3 >theirs.raw || fail "mpg123 failed"
  [ "$rate" = 44100 ] || fail "rate $rate"
  python3 - "$length" <<'PY' || fail "decodes differ"
import array, sys
ours, theirs = (array.array('h', open(n, 'rb').read()) for n in ('ours.raw', 'theirs.raw'))
worst = max((abs(a - b) for a, b in zip(ours, theirs)), default=0)
print(len(ours) // 2, len(theirs) // 2, int(sys.argv[1]), worst)
sys.exit(not (len(ours) == len(theirs) == 2 * int(sys.argv[1]) > 0 and worst <= 4))
PY
  ;;
*)
  fail "unknown case"
  ;;
esac
echo "PASS ($case_name)"
