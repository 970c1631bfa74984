#!/usr/bin/env bash
# Missing and damaged data files through the whole demo, headless
# (gravlet-capture); the program's own runs are in tests/e2e/run_e2e.sh.
#   run_bad_data.sh CASE WORKDIR
# Programs come from the environment: E2E_DATA (small data set writer) and
# GRAVLET_CAPTURE; when one is not built the case is skipped (exit 77).
# gravlet-data check on damaged copies is test_generate's (DataSet).
set -uo pipefail

case_name=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
. "$here/damage.sh"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy} GRAVLET_NONINTERACTIVE=1
fail() { echo "FAIL ($case_name): $*"; sed 's/^/  stderr: /' run/err.txt 2>/dev/null | tail -15; exit 1; }
for var in E2E_DATA GRAVLET_CAPTURE; do
  [ -x "${!var:-}" ] || { echo "SKIP ($case_name): $var not built"; exit 77; }
done
rm -rf "$work" && mkdir -p "$work" && cd "$work" && "$E2E_DATA" base >/dev/null || fail "data set not written"
# capture TIMES: gravlet-capture on run/ (a copy of base/ the case changed),
# one frame at each of TIMES; sets status. It exits 1 when the data produced
# error messages, even though every frame was drawn.
capture() {
  "$GRAVLET_CAPTURE" --dir run --fps 1 --at "$1" --out run/frames >run/out.txt 2>run/err.txt
  status=$?
}
fresh() { rm -rf run && cp -r base run; }
frames() { [ "$(identify -format '%wx%h\n' run/frames/*.png 2>/dev/null | grep -cx 1024x768)" = "$1" ]; }

case "$case_name" in
missing_each_file)
  # Each file of the data set missing in turn.
  declare -A class=([forresta.3ds]=demoForrest [forende.3ds]=demoForrest [forrest6.3ds]=demoForan
                    [fordrop.3ds]=demoForan [foreye.3ds]=demoForan [asmtest2.3ds]=demoFog
                    [scenery.3ds]=demoGreet [space.3ds]=demoSpace [earth.3ds]=demoEarth)
  files=$(cd base && find data -type f | sort)
  [ "$(grep -c '\.tga$' <<<"$files")" -gt 20 ] || fail "data set lacks textures"
  for file in $files; do
    fresh && rm "run/$file" && capture 1
    name=$(basename "$file")
    case $name in
    *.3ds)   # start-up ends with its scene's message and exit code 1
      [ "$status" = 1 ] && grep -qF "Error initializing [${class[$name]:-?} class]!" run/err.txt ;;
    *.tga)   # its message, and the run goes on
      [ "$status" = 1 ] && grep -qiF "Could not load TGA file 'data//$name'" run/err.txt &&
        ! grep -qF 'Error initializing' run/err.txt && frames 1 ;;
    *.mp3)   # the pictures still come
      [ "$status" = 0 ] && grep -A1 -x 'Error!' run/out.txt | grep -qx 'File Not Found' && frames 1 ;;
    *) false ;;
    esac || fail "without $file: exit $status"
    echo "ok: without $file"
  done
  ;;
damaged_files)
  # Every model replaced by a saved hostile model (tests/regress/3ds) or a
  # cut or noisy copy, in two rounds so that each of them is used, and every
  # texture but the loading picture damaged: each scene still initialises
  # and draws a frame of its segment, and the textures' failures say so.
  models=("$here"/../regress/3ds/*.3ds truncate-half truncate-tail garbage empty)
  kinds=(tga-bad-type tga-short-header tga-huge truncate-half garbage empty)
  [ "${#models[@]}" -gt 9 ] && [ "${#models[@]}" -le 18 ] || fail "${#models[@]} model damages for two rounds"
  for round in 0 1; do
    fresh
    i=$((9 * round))
    for model in $(cd base/data && ls *.3ds); do
      damage "${models[$((i++ % ${#models[@]}))]}" "base/data/$model" "run/data/$model" ||
        fail "cannot damage $model"
    done
    declare -A expect=()
    for file in $(cd base/data && ls *.tga | grep -vx load.tga); do
      kind=${kinds[$((i++ % ${#kinds[@]}))]}
      damage "$kind" "base/data/$file" "run/data/$file" || fail "cannot damage $file"
      expect[$kind]=$file
    done
    # One frame in every segment of the timeline.
    capture 20,60,100,140,175,210,240,260,300
    [ "$status" = 1 ] || fail "round $round: exit $status, expected 1 (messages)"
    grep -qF 'Error initializing' run/err.txt && fail "round $round: a scene failed"
    frames 9 || fail "round $round: not nine frames"
    grep -qF 'ERROR: Incorrect TGA type' run/err.txt || fail "no type message"
    # Messages name the file as the program asked for it; empty files are
    # found but hold no header. Cut or oversized images fail silently.
    for kind in empty tga-short-header; do
      grep -qiF "ERROR: Incorrect TGA header in 'data//${expect[$kind]}'" run/err.txt ||
        fail "$kind ${expect[$kind]} not named"
    done
    for kind in tga-huge truncate-half; do
      grep -qiF "${expect[$kind]}" run/err.txt && fail "${expect[$kind]} ($kind) is not silent"
    done
    # A saved model names a map the data set lacks (no .tga, cut short).
    grep -E '^ERROR: ' run/err.txt | grep -vqE "Incorrect TGA (type|header in 'data//)|file 'data//[^.']*'?$" &&
      fail "unexpected message"
    echo "ok: round $round"
  done
  ;;
*)
  fail "unknown case"
  ;;
esac
echo "PASS ($case_name)"
