#!/usr/bin/env bash
# Cookbook: a patch in another format applied in place. The format's own
# decoder writes the new file to a pipe (VCDIFF with xdelta3) or a FIFO
# (bsdiff's bspatch); varnex-diff compares it with the old file as it streams
# by and writes a verified command stream; varnex applies that stream to the
# old file itself, so no second full-size file is ever written. The result is
# checked with cmp against the peer tool's own output.
# Usage: run.sh [path/to/varnex]
. "$(dirname "$0")/../common.sh" "$@"
need cmp dd seq xdelta3 bsdiff bspatch

differ=$(dirname "$varnex")/varnex-diff
[ -x "$differ" ] || differ=$(command -v varnex-diff || true)
[ -n "$differ" ] || { echo "SKIP: varnex-diff is not installed"; exit 77; }

# poke FILE OFFSET TEXT: TEXT written over FILE at OFFSET, its size unchanged.
poke() {
  printf '%s' "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# An "image" of about 6 MiB and a new version of it with scattered edits, one
# across a page boundary and one in the last bytes.
seq 1 900000 > old.img
cp old.img new.img
poke new.img 4094 "ACROSS"
poke new.img 100000 "patched"
poke new.img 3000000 "version 2"
poke new.img $(($(stat -c %s old.img) - 3)) "END"
xdelta3 -e -s old.img new.img patch.vcdiff
bsdiff old.img new.img patch.bsdiff
rm new.img  # from here on, only the old file and the patches exist

# apply_in_place NAME PATCH DECODE: DECODE writes the new file to its first
# argument (a pipe or a FIFO); the stream made from it is applied to a copy
# of old.img in place (the copy stands for the one file a user holds), and
# the result must equal what the peer tool writes by itself.
apply_in_place() {
  local name=$1 rc=0
  cp old.img "$name.img"
  "$3" "$name.img" > "$name.cmds" || rc=$?
  [ "$rc" -eq 1 ] || fail "$name: varnex-diff exited with $rc, not 1"
  echo "---- $name: the stream's heading"
  sed -n '1,/^PAGESIZE/p' "$name.cmds"
  grep -E '^PAGE ' "$name.cmds" | while read -r _ offset; do
    [ $((offset % 4096)) -eq 0 ] || fail "$name: PAGE $offset is not on a 4096-byte boundary"
  done
  run_varnex "$name.img" "$name.cmds" "$name.log"
  no_problems "$name.log"
  cmp "$name.img" "$name.expected" || fail "$name: the file patched in place differs from the peer's output"
}

# VCDIFF: xdelta3 decodes to standard output, varnex-diff reads "-".
xdelta3 -d -s old.img patch.vcdiff vcdiff.expected
vcdiff_stream() { xdelta3 -d -c -s "$1" patch.vcdiff | "$differ" -q "$1" -; }
apply_in_place vcdiff patch.vcdiff vcdiff_stream

# bsdiff: bspatch writes to a file name, here a FIFO that varnex-diff reads.
bspatch old.img bsdiff.expected patch.bsdiff
bsdiff_stream() {
  rm -f new.fifo && mkfifo new.fifo
  bspatch "$1" new.fifo patch.bsdiff &
  local rc=0
  "$differ" -q "$1" new.fifo || rc=$?
  wait $! || fail "bspatch exited with $?"
  return "$rc"
}
apply_in_place bsdiff patch.bsdiff bsdiff_stream

# A decoder that writes a file of another size (a patch meant for another
# file, a truncated download): exit status 2 and not one byte of stream, so
# a pipeline into varnex changes nothing.
rc=0
{ xdelta3 -d -c -s old.img patch.vcdiff; echo extra; } | "$differ" -q old.img - > longer.cmds 2> longer.err || rc=$?
[ "$rc" -eq 2 ] || fail "a longer new file gave exit status $rc, not 2"
[ ! -s longer.cmds ] || fail "a longer new file still gave a stream"
cat longer.err
echo "PASS: delta"
