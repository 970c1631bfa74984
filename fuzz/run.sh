#!/usr/bin/env bash
# Builds the fuzz targets and runs each in turn for SECONDS.
#   fuzz/run.sh SECONDS [fuzz_tga|fuzz_3ds|fuzz_mp3 ...]
# Environment: GRAVLET_FUZZ_BUILD (build dir, default <repo>/build-fuzz),
# GRAVLET_FUZZ_CORPUS (kept corpora, default $TMPDIR/gravlet-fuzz-corpus),
# GRAVLET_DATA (a gravlet-data program: seeds from a generated data set),
# GRAVLET_FUZZ_NO_BUILD=1 (use what is built), GRAVLET_FUZZ_ARGS (more
# libFuzzer options, e.g. -seed=1).
# Crashing inputs are written to BUILD/artifacts/; the exit status is
# non-zero when any target found one.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
seconds=${1:?usage: fuzz/run.sh SECONDS [target...]}
shift
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_tga fuzz_3ds fuzz_mp3)
build=${GRAVLET_FUZZ_BUILD:-$root/build-fuzz}
corpus=${GRAVLET_FUZZ_CORPUS:-${TMPDIR:-/tmp}/gravlet-fuzz-corpus}

if [ "${GRAVLET_FUZZ_NO_BUILD:-0}" != 1 ]; then
  "$here/build.sh" "$build"
  status=$?
  [ $status -ne 0 ] && exit $status
fi
if [ ! -d "$corpus/seeds" ]; then
  "$here/seeds.sh" "$corpus/seeds" "${GRAVLET_DATA:-}" || exit 1
fi
mkdir -p "$build/artifacts"

failed=0
for target in "${targets[@]}"; do
  kind=${target#fuzz_}
  case $kind in
    tga) max_len=8192 ;;
    3ds) max_len=65536 ;;
    mp3) max_len=16384 ;;
    *) echo "fuzz: unknown target $target" >&2; exit 2 ;;
  esac
  mkdir -p "$corpus/$kind"
  echo "== $target: $seconds s" >&2
  # One process, one job: the machine's cores are shared.
  SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
  "$build/$target" "$corpus/$kind" "$corpus/seeds/$kind" "$root/tests/regress/$kind" \
      -max_total_time="$seconds" -max_len=$max_len -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$target-" ${GRAVLET_FUZZ_ARGS:-} 2>"$build/$target.log"
  status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done)' "$build/$target.log" >&2
  if [ $status -ne 0 ]; then
    echo "fuzz: $target failed (exit $status); see $build/$target.log and $build/artifacts/" >&2
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$build/$target.log" >&2
    failed=1
  fi
done
exit $failed
