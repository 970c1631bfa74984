#!/usr/bin/env bash
# Bad data and missing devices, end to end.
#   run_bad_data.sh CASE WORKDIR
# Programs come from the environment: E2E_DATA (small data set writer),
# GRAVLET_DAMAGE, GRAVLET_CAPTURE, GRAVLET. A case whose program is
# missing exits 77 (skipped). gravlet-data check on damaged copies is
# test_check's.
set -uo pipefail

case_name=$1 work=$2
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export GRAVLET_NONINTERACTIVE=1

fail() { echo "FAIL ($case_name): $*"; exit 1; }
need() {
  for var in "$@"; do
    [ -n "${!var:-}" ] && [ -x "${!var}" ] || { echo "SKIP ($case_name): $var not built"; exit 77; }
  done
}
# The scene class each model's failure names.
model_class() {
  case $1 in
    forresta.3ds|forende.3ds) echo demoForrest ;;
    forrest6.3ds|fordrop.3ds|foreye.3ds) echo demoForan ;;
    asmtest2.3ds) echo demoFog ;;
    scenery.3ds) echo demoGreet ;;
    space.3ds) echo demoSpace ;;
    earth.3ds) echo demoEarth ;;
  esac
}
# One frame in every segment of the timeline.
every_segment=20,60,100,140,175,210,240,260,300

if [ "${BAD_DATA_KEEP:-}" != 1 ]; then
  rm -rf "$work" && mkdir -p "$work" || exit 1
fi
cd "$work" || exit 1
base_data() {
  need E2E_DATA
  [ "${BAD_DATA_KEEP:-}" = 1 ] && return 0
  "$E2E_DATA" base >/dev/null || fail "data set not written"
}
# capture DIR ARGS...: gravlet-capture on DIR's data; output in DIR/out.txt,
# DIR/err.txt, frames in DIR/frames; sets status. The capture tool exits 1
# when the data produced error messages, even though every frame was drawn.
capture() {
  local dir=$1; shift
  "$GRAVLET_CAPTURE" --dir "$dir" "$@" --out "$dir/frames" >"$dir/out.txt" 2>"$dir/err.txt"
  status=$?
}
frames_ok() {  # frames_ok DIR COUNT: COUNT PNG frames of 1024x768
  local n
  n=$(ls "$1"/frames/*.png 2>/dev/null | wc -l)
  [ "$n" -eq "$2" ] || return 1
  for f in "$1"/frames/*.png; do
    [ "$(identify -format '%wx%h' "$f")" = 1024x768 ] || return 1
  done
}
show_err() { sed 's/^/  stderr: /' "$1/err.txt" | tail -15; }

case "$case_name" in
missing_each_file)
  # Each file of the data set missing in turn: a texture gives its message
  # and the run goes on; a model ends start-up with its scene's message and
  # exit code 1; without the soundtrack the pictures still come.
  need GRAVLET_CAPTURE
  base_data
  files=$(cd base && find data -type f | sort)
  [ "$(echo "$files" | grep -c '\.tga$')" -gt 20 ] || fail "data set lacks textures"
  for file in $files; do
    run=run
    rm -rf "$run" && cp -r base "$run" && rm "$run/$file"
    name=$(basename "$file")
    case $name in
    *.3ds)
      capture "$run" --fps 1 --at 1
      [ "$status" = 1 ] || { show_err "$run"; fail "$file missing: exit $status, expected 1"; }
      grep -qF "Error initializing [$(model_class "$name") class]!" "$run/err.txt" ||
        { show_err "$run"; fail "$file missing: no scene message"; }
      ;;
    *.tga)
      capture "$run" --fps 1 --at 1
      [ "$status" = 1 ] || { show_err "$run"; fail "$file missing: exit $status, expected 1 (messages)"; }
      grep -i "Could not load TGA file 'data//" "$run/err.txt" | grep -qiF "${name%.tga}.tga'" ||
        { show_err "$run"; fail "$file missing: no texture message naming it"; }
      grep -qF 'Error initializing' "$run/err.txt" && fail "$file missing: a scene failed"
      frames_ok "$run" 1 || fail "$file missing: no frame"
      ;;
    *.mp3)
      capture "$run" --fps 1 --at 1
      [ "$status" = 0 ] || { show_err "$run"; fail "$file missing: exit $status"; }
      grep -A1 -x 'Error!' "$run/out.txt" | grep -qx 'File Not Found' || fail "$file missing: no File Not Found"
      frames_ok "$run" 1 || fail "$file missing: no frame"
      ;;
    *)
      fail "unexpected data file $file"
      ;;
    esac
    echo "ok: without $file"
  done
  ;;
damaged_files)
  # Every model damaged, each a different way, and every texture but the
  # loading picture: each scene still initialises and draws a frame of its
  # segment, and the texture failures show their messages.
  need GRAVLET_CAPTURE GRAVLET_DAMAGE
  base_data
  rm -rf run && cp -r base run
  kinds=(3ds-lying-lengths 3ds-unterminated-names 3ds-bad-faces 3ds-big-counts 3ds-zero-length
         truncate-half truncate-tail garbage empty)
  i=0
  for model in $(cd base/data && ls *.3ds); do
    kind=${kinds[$((i % ${#kinds[@]}))]}
    "$GRAVLET_DAMAGE" "$kind" "base/data/$model" "run/data/$model" || fail "cannot damage $model ($kind)"
    echo "$model: $kind"
    i=$((i + 1))
  done
  [ "$i" = 9 ] || fail "$i models"
  kinds=(tga-bad-type tga-short-header tga-huge truncate-half garbage empty)
  i=0
  declare -A expect
  for file in $(cd base/data && ls *.tga); do
    [ "$file" = load.tga ] && continue
    kind=${kinds[$((i % ${#kinds[@]}))]}
    "$GRAVLET_DAMAGE" "$kind" "base/data/$file" "run/data/$file" || fail "cannot damage $file"
    expect[$kind]=$file
    i=$((i + 1))
  done
  capture run --fps 1 --at $every_segment
  [ "$status" = 1 ] || { show_err run; fail "exit $status, expected 1 (messages)"; }
  grep -qF 'Error initializing' run/err.txt && { show_err run; fail "a scene failed"; }
  frames_ok run 9 || fail "not nine frames"
  grep -qF 'ERROR: Incorrect TGA type' run/err.txt || fail "no type message"
  # Messages name the file as the program asked for it; empty files are
  # found but hold no header. Cut or oversized images fail silently.
  grep -qiF "ERROR: Incorrect TGA header in 'data//${expect[empty]}'" run/err.txt ||
    { show_err run; fail "empty ${expect[empty]} not named"; }
  grep -qiF "ERROR: Incorrect TGA header in 'data//${expect[tga-short-header]}'" run/err.txt ||
    fail "short ${expect[tga-short-header]} not named"
  for kind in tga-huge truncate-half; do
    grep -qiF "${expect[$kind]}" run/err.txt && fail "${expect[$kind]} ($kind) is not silent"
  done
  grep -E '^ERROR: ' run/err.txt | grep -vqE "Incorrect TGA (type|header in 'data//)" &&
    fail "unexpected message: $(grep -E '^ERROR: ' run/err.txt | grep -vE 'Incorrect TGA' | head -3)"
  ;;
demo_goes_on)
  # The real program under Xvfb: without the soundtrack it says so and runs
  # silent; with an empty, garbage or cut soundtrack it runs too; without
  # textures it shows their messages and runs; Esc then ends it with 0.
  need GRAVLET GRAVLET_DAMAGE
  command -v xvfb-run >/dev/null || { echo "SKIP: xvfb-run missing"; exit 77; }
  base_data
  command -v xdotool >/dev/null || { echo "SKIP: xdotool missing"; exit 77; }
  if [ "${BAD_DATA_INNER:-}" != 1 ]; then
    # The data set is written out here; the runs happen inside xvfb-run.
    cd / && BAD_DATA_INNER=1 BAD_DATA_KEEP=1 exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
  fi
  # Leak checking stays on everywhere else: at exit, the windowed program
  # under X loses the memory of the GL driver modules that are unloaded
  # (libGLX_mesa, swrast_dri) and libdbus keeps a block; none of it is ours.
  [ -n "${ASAN_OPTIONS:-}" ] && export ASAN_OPTIONS="$ASAN_OPTIONS:detect_leaks=0"
  for variant in missing empty garbage truncate-half textures; do
    rm -rf run && cp -r base run
    if [ "$variant" = missing ]; then
      rm run/data/music/vopa.mp3
    elif [ "$variant" = textures ]; then
      rm run/data/wt.tga run/data/fogz1.tga run/data/greets2.tga
    else
      "$GRAVLET_DAMAGE" "$variant" base/data/music/vopa.mp3 run/data/music/vopa.mp3 || fail "cannot damage"
    fi
    (cd run && exec "$GRAVLET" >out.txt 2>err.txt) &
    pid=$!
    # Loading, the two-second hold, then a few seconds of the timeline.
    sleep 7
    kill -0 "$pid" 2>/dev/null || { wait "$pid"; fail "$variant soundtrack: ended by itself ($?)"; }
    xdotool key Escape
    for ((i = 0; i < 100; i++)); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$pid" 2>/dev/null; then kill "$pid"; wait "$pid"; fail "$variant soundtrack: Esc ignored"; fi
    wait "$pid"; status=$?
    [ "$status" = 0 ] || { sed 's/^/  stderr: /' run/err.txt | tail; fail "$variant soundtrack: exit $status"; }
    grep -qF 'Error initializing' run/err.txt && fail "$variant soundtrack: a scene failed"
    if [ "$variant" = textures ]; then
      for t in wt fogz1 greets2; do
        grep -qF "ERROR: Could not load TGA file 'data//$t.tga'" run/err.txt || fail "no message for $t.tga"
      done
      grep -qx 'File Not Found' run/out.txt && fail "soundtrack called missing"
    elif [ "$variant" = missing ]; then
      grep -A1 -x 'Error!' run/out.txt | grep -qx 'File Not Found' || { cat run/out.txt; fail "no File Not Found"; }
    else
      grep -qx 'File Not Found' run/out.txt && fail "$variant soundtrack called missing"
      grep -q '^ERROR' run/err.txt && fail "$variant soundtrack: $(grep '^ERROR' run/err.txt | head -1)"
      grep -qF 'STREAM ENDED' run/out.txt && [ "$variant" != truncate-half ] && fail "$variant soundtrack played"
    fi
    echo "ok: $variant"
  done
  ;;
unreachable_display)
  # DISPLAY names an X server that is not there: a window error and a
  # non-zero exit, never an invisible run on an offscreen driver.
  need GRAVLET
  base_data
  cd base || exit 1
  unset WAYLAND_DISPLAY SDL_VIDEODRIVER
  DISPLAY=:$(( 900 + RANDOM % 90 )) timeout 30 "$GRAVLET" >out.txt 2>err.txt; status=$?
  [ "$status" = 124 ] && fail "still running after 30 s"
  [ "$status" != 0 ] || fail "exit code 0 without a reachable display"
  grep -qF 'Failed To Register The Window Class.' err.txt || { cat err.txt; fail "no window error"; }
  ;;
*)
  fail "unknown case"
  ;;
esac
echo "PASS ($case_name)"
