#!/usr/bin/env bash
# Runs every saved input under REGRESS_DIR/{tga,3ds,mp3}/ once through its
# fuzz target (built in BUILD_DIR). Non-zero when any of them fails.
#   fuzz/regress.sh BUILD_DIR REGRESS_DIR
set -uo pipefail
build=$1 regress=$2
failed=0 ran=0
for kind in tga 3ds mp3; do
  dir=$regress/$kind
  [ -d "$dir" ] || continue
  inputs=("$dir"/*)
  [ -e "${inputs[0]}" ] || continue
  SDL_AUDIODRIVER=dummy ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
    "$build/fuzz_$kind" -rss_limit_mb=2048 -timeout=20 "${inputs[@]}" >"$build/regress_$kind.log" 2>&1 ||
    { echo "fuzz regression: fuzz_$kind fails; see $build/regress_$kind.log"; failed=1; }
  ran=$((ran + ${#inputs[@]}))
done
echo "fuzz regressions: $ran inputs"
[ "$ran" -gt 0 ] || { echo "fuzz regression: no inputs under $regress"; exit 1; }
exit $failed
