#!/usr/bin/env bash
# End-to-end runs of gravlet.exe under Wine and a virtual X server at 1024x768x24.
#   run_wine_e2e.sh CASE PREFIX_FILE GRAVLET_EXE DECODE_EXE DATA_TOOL WORKDIR
# Writes the small data set into WORKDIR/data, runs the program there in the
# run's Wine prefix and checks exit code, output, screen and message boxes.
set -uo pipefail

case_name=$1 prefix_file=$2 exe=$3 decoder=$4 data_tool=$5 work=$6
export WINEPREFIX=$(cat "$prefix_file") WINEDEBUG=-all

if [ "${E2E_INNER:-}" != 1 ]; then
  rm -rf "$work" && mkdir -p "$work" || exit 1
  omit=()
  [ "$case_name" = missing_model ] && omit=(--omit forresta.3ds)
  [ "$case_name" = missing_texture ] && omit=(--omit keu6.tga)
  "$data_tool" "$work" "${omit[@]}" || { echo "FAIL: data set not written"; exit 1; }
  cp "$exe" "$decoder" "$work/" || exit 1
  cd "$work" || exit 1
  screen=1024x768x24
  [ "$case_name" = fullscreen_refused ] && screen=800x600x24   # no 1024x768 mode
  E2E_INNER=1 "$(dirname "$0")/../support/with_xvfb.sh" "-screen 0 $screen" "$0" "$@"
  status=$?
  wineserver -k 2>/dev/null   # its windows lived on this X server
  exit $status
fi

fail() { echo "FAIL ($case_name): $*"; sed 's/^/  stdout: /' out.txt | cut -c1-200 | head -20; grep -v '^ALSA' err.txt | sed 's/^/  stderr: /' | head -20; exit 1; }
# Sound through Wine's ALSA driver only, so no sound server on the machine
# decides the outcome.
export WINEDLLOVERRIDES="winepulse.drv=d"
pid=
start() { wine gravlet.exe >out.txt 2>err.txt & pid=$!; }
. "$(dirname "$0")/../support/screen.sh"
wine_exit() {   # wait_exit, then the C runtime's CRLF line ends made plain
  wait_exit "$1"
  sed -i 's/\r$//' out.txt err.txt
}
answer_box() {  # presses $2 in the box titled $1 until the box is gone
  window_id "$1" >/dev/null || return 1
  for ((i = 0; i < 20; i++)); do
    sleep 0.5   # a box just mapped may not take keys yet
    xdotool search --name "$1" >/dev/null 2>&1 || return 0
    xdotool key "$2"
  done
  return 1
}
# Runs a few seconds past the loading hold, then Esc; exit code 0.
run_and_escape() {
  start
  window_id '^gravlet$' >/dev/null || fail "no window appeared"
  sleep "$1"
  kill -0 "$pid" 2>/dev/null || fail "ended by itself"
  xdotool key Escape
  wine_exit 15
  [ "$status" = 0 ] || fail "exit code $status after Esc"
}
report_printed() {
  # The dash line follows the model names, which end in no line break.
  grep -q -- '-\{57\}$' out.txt && grep -q 'Driver list$' out.txt &&
    grep -qx 'Press a corresponding number or ESC to quit' out.txt || fail "no sound report"
}

case "$case_name" in
runs_and_ends_on_esc)
  start
  window_id '^gravlet$' >/dev/null || fail "no window appeared"
  sleep 1
  shot loading.png
  # The loading picture drawn twice, as in the Linux end-to-end test.
  near "$(pixel loading.png 512 100)" 255 96 0 || fail "loading picture's top half: $(pixel loading.png 512 100)"
  near "$(pixel loading.png 512 700)" 0 28 255 || fail "loading picture's bottom half: $(pixel loading.png 512 700)"
  sleep 5
  shot scene.png
  near "$(pixel scene.png 512 100)" 255 96 0 && fail "still the loading picture after 6 s"
  mean=$(convert scene.png -format '%[fx:int(1000*mean)]' info:)
  [ "$mean" -gt 5 ] || fail "black screen after 6 s (mean $mean/1000)"
  xdotool key F1 F2 F1
  sleep 0.5
  kill -0 "$pid" 2>/dev/null || fail "ended on F1/F2"
  # The press ends it: the character message follows the key-down.
  xdotool keydown Escape
  wine_exit 15
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
  start
  for ((i = 0; i < 300; i++)); do grep -q 'Error initializing' err.txt 2>/dev/null && break; sleep 0.05; done
  shot failure.png
  wine_exit 20
  [ "$status" = 1 ] || fail "exit code $status, expected 1"
  grep -qF 'Error initializing [demoForrest class]!' err.txt || fail "no failure message"
  # Its text at (10, 220) in the first font: grey over the blue half.
  n=$(convert failure.png -crop 420x24+8+386 txt:- |
      awk -F'[(),]' 'NR > 1 { if ($3 == $4 && $4 == $5 && $3 > 100) n++ } END { print n + 0 }')
  [ "$n" -gt 20 ] || fail "no text on screen ($n grey pixels)"
  ;;
missing_texture)
  start
  window_id '^ERROR$' >/dev/null || fail "no ERROR box"
  shot box.png
  # A modal box: it stays until answered.
  sleep 2
  grep -qF "ERROR: Could not load TGA file 'data//keu6.tga'" err.txt || fail "box text not reported"
  xdotool search --name '^ERROR$' >/dev/null || fail "box went away by itself"
  answer_box '^ERROR$' Return || fail "box not closed by Return"
  sleep 4
  kill -0 "$pid" 2>/dev/null || fail "demo did not go on after the box"
  xdotool key Escape
  wine_exit 15
  [ "$status" = 0 ] || fail "exit code $status after Esc"
  ;;
fullscreen_refused)
  # The question, answered No (its N key): the closing box, then the end.
  start
  answer_box '^Vask GL$' n || fail "no question asked, or No not taken"
  answer_box '^ERROR$' Return || fail "no closing box after No"
  wine_exit 15
  [ "$status" = 1 ] || fail "exit code $status after declining"
  grep -qF 'ERROR: Program Will Now Close.' err.txt || fail "closing message not reported"
  # Answered Yes (the default button): the demo runs in a window.
  start
  answer_box '^Vask GL$' Return || fail "no question asked again, or Yes not taken"
  window_id '^gravlet$' >/dev/null || fail "no window after Yes"
  sleep 3
  kill -0 "$pid" 2>/dev/null || fail "ended after Yes"
  xdotool key Escape
  wine_exit 15
  [ "$status" = 0 ] || fail "exit code $status after Yes and Esc"
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
