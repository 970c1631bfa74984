#!/usr/bin/env bash
# Writes seed corpora for the fuzz targets into OUT/{tga,3ds,mp3}:
# small hand-made files of every shape the readers accept, the real files of
# the shared test data, and, when a gravlet-data program is given, the files
# of a generated data set.
#   fuzz/seeds.sh OUT [GRAVLET_DATA]    (or GRAVLET_DATA in the environment)
set -euo pipefail
out=$1
gravlet_data=${2:-${GRAVLET_DATA:-}}
here=$(cd "$(dirname "$0")" && pwd)
testdata=${GRAVLET_TESTDATA:-$here/../../shared/testdata}
mkdir -p "$out/tga" "$out/3ds" "$out/mp3"

# Little-endian helpers: octal escapes for printf.
u8() { printf "\\$(printf '%03o' "$1")"; }
u16() { u8 $(($1 & 255)); u8 $(($1 >> 8 & 255)); }
u32() { u16 $(($1 & 65535)); u16 $(($1 >> 16 & 65535)); }

# TGA header: id length, colour-map type, image type, map first/length/bits,
# origin x/y, width, height, depth, descriptor.
tga_header() {  # idlen maptype type maplen mapbits width height depth
  u8 "$1"; u8 "$2"; u8 "$3"; u16 0; u16 "$4"; u8 "$5"; u16 0; u16 0; u16 "$6"; u16 "$7"; u8 "$8"; u8 0
}
{ tga_header 0 0 2 0 0 2 2 24; printf '\001\002\003\004\005\006\007\010\011\012\013\014'; } > "$out/tga/plain24.tga"
{ tga_header 0 0 2 0 0 2 1 32; printf '\001\002\003\004\005\006\007\010'; } > "$out/tga/plain32.tga"
{ tga_header 3 0 2 0 0 1 1 24; printf 'abc\011\012\013'; } > "$out/tga/image_id.tga"
{ tga_header 0 1 2 2 24 1 1 24; printf '\000\000\000\377\377\377\001\002\003'; } > "$out/tga/colour_map.tga"
# RLE: a run of 3 pixels, then 1 raw pixel.
{ tga_header 0 0 10 0 0 2 2 24; printf '\202\001\002\003\000\004\005\006'; } > "$out/tga/rle24.tga"
{ tga_header 0 0 10 0 0 4 1 32; printf '\001\001\002\003\004\201\005\006\007\010'; } > "$out/tga/rle32.tga"

# 3DS: chunk id, length (header included), body.
chunk() { local id=$1 body=$2; u16 "$id"; u32 $((6 + $(wc -c < "$body"))); cat "$body"; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
{ u16 3; for v in 0 0 0 1065353216 0 0 0 1065353216 0; do u32 "$v"; done; } > "$tmp/verts"
{ printf 'mat\000'; u16 1; u16 0; } > "$tmp/fmatb"; chunk 0x4130 "$tmp/fmatb" > "$tmp/fmat"
{ u16 1; u16 0; u16 1; u16 2; u16 0; cat "$tmp/fmat"; } > "$tmp/facesb"
{ u16 3; for v in 0 0 1065353216 0 0 1065353216; do u32 "$v"; done; } > "$tmp/mapb"
{ chunk 0x4110 "$tmp/verts"; chunk 0x4120 "$tmp/facesb"; chunk 0x4140 "$tmp/mapb"; } > "$tmp/trib"
chunk 0x4100 "$tmp/trib" > "$tmp/tri"
{ printf 'tri\000'; cat "$tmp/tri"; } > "$tmp/objb"
chunk 0x4000 "$tmp/objb" > "$tmp/obj"
printf 'mat\000' > "$tmp/mnameb"; printf 'GRASS.BMP\000' > "$tmp/mfileb"
{ chunk 0xA300 "$tmp/mfileb"; } > "$tmp/mapchunkb"
{ chunk 0xA000 "$tmp/mnameb"; chunk 0xA200 "$tmp/mapchunkb"; } > "$tmp/matb"
{ chunk 0xAFFF "$tmp/matb"; cat "$tmp/obj"; } > "$tmp/meshb"
chunk 0x3D3D "$tmp/meshb" > "$tmp/mesh"
chunk 0x4D4D "$tmp/mesh" > "$out/3ds/triangle.3ds"

for f in "$testdata"/tga/*.tga; do [ -f "$f" ] && cp "$f" "$out/tga/"; done
for f in "$testdata"/3ds/*; do [ -f "$f" ] && cp "$f" "$out/3ds/"; done

# MP3: short encodings of several shapes (rates, channels, bit rates,
# with and without the encoder's info frame and an ID3v2 tag).
if command -v ffmpeg >/dev/null; then
  mp3() {
    local name=$1; shift
    ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=440:duration=0.15" "$@" "$out/mp3/$name.mp3" || true
  }
  mp3 mono8k -ac 1 -ar 8000 -b:a 8k
  mp3 stereo44 -ac 2 -ar 44100 -b:a 64k
  mp3 mono22_vbr -ac 1 -ar 22050 -q:a 7
  mp3 stereo48_notag -ac 2 -ar 48000 -b:a 32k -write_xing 0 -id3v2_version 0
  mp3 mono32_id3 -ac 1 -ar 32000 -b:a 32k -metadata title=seed
fi

if [ -n "$gravlet_data" ]; then
  "$gravlet_data" generate --placeholder-music "$tmp/gen" >/dev/null 2>&1
  cp "$tmp"/gen/data/*.3ds "$out/3ds/"
  # The smallest textures whole; larger ones are cut to the fuzzers' length.
  ls -S "$tmp"/gen/data/*.tga | tail -n 4 | while read -r f; do cp "$f" "$out/tga/gen_$(basename "$f")"; done
  head -c 16384 "$tmp/gen/data/music/vopa.mp3" > "$out/mp3/generated_head.mp3"
fi
