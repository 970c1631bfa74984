#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer.
#   fuzz/build.sh [BUILD_DIR]      (default: <repo>/build-fuzz)
# Exit 77 when clang or its libFuzzer runtime is missing (CTest: skipped).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
build=${1:-${GRAVLET_FUZZ_BUILD:-$root/build-fuzz}}
jobs=${JOBS:-2}

if ! command -v clang >/dev/null || ! command -v clang++ >/dev/null; then
  echo "fuzz: clang is not installed (Debian packages clang and libclang-rt-14-dev)" >&2
  exit 77
fi
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' \
  > "$probe/probe.cpp"
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" 2>"$probe/log"; then
  echo "fuzz: clang cannot link libFuzzer with the sanitizers (package libclang-rt-14-dev?):" >&2
  cat "$probe/log" >&2
  exit 77
fi

if [ ! -f "$build/CMakeCache.txt" ]; then
  CC=clang CXX=clang++ cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$jobs" --target fuzz_tga fuzz_3ds fuzz_mp3
