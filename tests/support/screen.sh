# Shell helpers of the end-to-end runs: the program in the background, its
# window, its end, and screenshots. Sourced; needs `fail` and `pid`.

# Waits for the process to end (up to $1 seconds); sets status.
wait_exit() {
  for ((i = 0; i < $1 * 10; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then kill "$pid"; wait "$pid"; fail "still running after $1 s"; fi
  wait "$pid"; status=$?
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
