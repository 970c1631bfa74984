# Shell helpers of the end-to-end runs: the data set, the program in the
# background, its window, its end, and screenshots. Sourced; needs `fail`,
# `start` (sets pid) and, for screenshots, a display.

# write_data WORK DATA_TOOL [--omit FILE]...: a fresh WORK holding the small
# data set, made the current folder.
write_data() {
  rm -rf "$1" && mkdir -p "$1" && "$2" "$1" "${@:3}" && cd "$1" ||
    { echo "FAIL: data set not written"; exit 1; }
}
# Waits for the process to end (up to $1 seconds); sets status. Windows'
# CRLF line ends in its output are made plain.
wait_exit() {
  for ((i = 0; i < $1 * 10; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid"; wait "$pid"; fail "still running after $1 s"; fi
  wait "$pid"; status=$?
  sed -i 's/\r$//' out.txt err.txt
}
# Id of a top-level window whose title matches $1, waiting up to 30 s while
# the process runs.
window_id() {
  for ((i = 0; i < 300; i++)); do
    id=$(xdotool search --name "$1" 2>/dev/null | head -1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}
# "r g b" of one screenshot pixel; near "r g b" R G B: every channel within 24.
pixel() { convert "$1" -format "%[fx:int(255*p{$2,$3}.r)] %[fx:int(255*p{$2,$3}.g)] %[fx:int(255*p{$2,$3}.b)]" info:; }
near() { read -r r g b <<<"$1"; (( (r-$2)**2 < 576 && (g-$3)**2 < 576 && (b-$4)**2 < 576 )); }
shot() { import -window root "$1" || fail "screenshot $1"; }

# The window, its loading picture, then a scene. The picture is drawn twice
# with (source colour, 1 - source colour): s*s, then s*s + (s*s)(1 - s):
# orange (255, 128, 0) shows as (255, 96, 0), blue (0, 64, 255) as (0, 28, 255).
loading_then_scene() {
  window_id '^gravlet$' >/dev/null || fail "no window appeared"
  sleep 1
  shot loading.png
  near "$(pixel loading.png 512 100)" 255 96 0 || fail "loading picture's top half: $(pixel loading.png 512 100)"
  near "$(pixel loading.png 512 700)" 0 28 255 || fail "loading picture's bottom half: $(pixel loading.png 512 700)"
  sleep 5
  shot scene.png
  near "$(pixel scene.png 512 100)" 255 96 0 && fail "still the loading picture after 6 s"
  mean=$(convert scene.png -format '%[fx:int(1000*mean)]' info:)
  [ "$mean" -gt 5 ] || fail "black screen after 6 s (mean $mean/1000)"
}
# Still running; Esc ends it with exit code 0.
ends_on_esc() {
  kill -0 "$pid" 2>/dev/null || fail "ended by itself"
  xdotool key Escape
  wait_exit 15
  [ "$status" = 0 ] || fail "exit code $status after Esc"
}
# Runs $1 seconds past the window's appearance, then Esc.
run_and_escape() {
  start
  window_id '^gravlet$' >/dev/null || fail "no window appeared"
  sleep "$1"
  ends_on_esc
}
# Without data/forresta.3ds: the first scene's failure, on screen and on
# standard error, and exit code 1.
fails_without_model() {
  start
  for ((i = 0; i < 300; i++)); do grep -q 'Error initializing' err.txt 2>/dev/null && break; sleep 0.05; done
  shot failure.png
  wait_exit 20
  [ "$status" = 1 ] || fail "exit code $status, expected 1"
  grep -qF 'Error initializing [demoForrest class]!' err.txt || fail "no failure message"
  # Its text at (10, 220) in the first font, baseline 407 rows from the top:
  # grey (r = g = b > 100) over the loading picture's blue half.
  n=$(convert failure.png -crop 420x24+8+386 txt:- |
      awk -F'[(),]' 'NR > 1 { if ($3 == $4 && $4 == $5 && $3 > 100) n++ } END { print n + 0 }')
  [ "$n" -gt 20 ] || fail "no text on screen ($n grey pixels)"
}
