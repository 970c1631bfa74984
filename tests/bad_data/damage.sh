# damage KIND IN OUT: writes OUT, a copy of the data file IN damaged the way
# files get damaged in the wild (cut downloads, hand edits, other tools); a
# KIND that names a file puts that file there instead. Sourced.
patch_at() { dd of="$2" bs=1 seek="$1" conv=notrunc status=none; }
damage() {
  local size
  size=$(stat -c %s "$2") || return 1
  case $1 in
  empty) : >"$3" ;;
  truncate-half) head -c $((size / 2)) "$2" >"$3" ;;
  truncate-tail) head -c -7 "$2" >"$3" ;;
  garbage)   # deterministic noise of the same length
    python3 -c 'import random, sys; random.seed(7)
sys.stdout.buffer.write(random.randbytes(int(sys.argv[1])))' "$size" >"$3" ;;
  tga-short-header) head -c 8 "$2" >"$3" ;;
  tga-bad-type) cp "$2" "$3" && printf '\3' | patch_at 2 "$3" ;;   # grey
  tga-huge)   # 65535 x 65535 announced, pixels as they were
    cp "$2" "$3" && printf '\377\377\377\377' | patch_at 12 "$3" ;;
  *) [ -f "$1" ] && cp "$1" "$3" ;;
  esac
}
