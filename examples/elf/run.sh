#!/usr/bin/env bash
# Cookbook: an ELF executable. Builds a small program with gcc, inspects it,
# patches the text it prints, and checks the result with readelf and by
# running the program.   Usage: run.sh [path/to/varnex]
. "$(dirname "$0")/../common.sh" "$@"
need gcc readelf

gcc -O2 -o mode "$example_dir/mode.c"
[ "$(./mode)" = "boot mode: SAFE" ] || fail "the program built does not print its text"
cp mode mode.orig

# Pass 1, read only: verify the headers, follow the stored offsets, find the text.
run_varnex mode "$example_dir/find.cmds" find.log
no_problems find.log
expect_count find.log 1 "MIP0112I: Verify operation succeeded (7 bytes compared)."
expect_count find.log 3 "MIP0112I: Verify operation succeeded (4 bytes compared)."
expect find.log "MIP0112I: Verify operation succeeded (8 bytes compared)."
expect find.log "MIP0110I: Page command completed 112 bytes loaded from offset 0x00000000:00000040."
interp=$(readelf -lW mode | sed -n 's/^ *INTERP *0x\([0-9a-f]*\) .*/\1/p')
expect find.log "MIP0110I: Page command completed 32 bytes loaded from offset 0x00000000:$(printf '%08X' $((16#$interp)))."
offset=$(sed -n 's/^MIP0124I: The search string was located at offset \([0-9]*\) (0x[0-9A-F]*) in the current page\.$/\1/p' find.log)
[ -n "$offset" ] || fail "the text was not found"
[ "$offset" -eq "$(grep -abo 'boot mode: SAFE' mode | cut -d: -f1)" ] || fail "SEARCH reported the wrong offset"
cmp -s mode mode.orig || fail "a read-only stream changed the program"

# Pass 2: the patch stream, with the offset that the search reported.
sed "s/{OFFSET}/$offset/g" "$example_dir/patch.cmds.in" > patch.cmds
run_varnex mode patch.cmds patch.log
no_problems patch.log
expect patch.log "MIP0117I: Write completed ($(stat -c %s mode) bytes written) at offset 0x00000000:00000000."

# Only the three bytes of SAFE that differ from FAST have changed.
expect_changes mode.orig mode \
  "$(printf '%X 53 46' $((offset + 11)))" \
  "$(printf '%X 46 53' $((offset + 13)))" \
  "$(printf '%X 45 54' $((offset + 14)))"
header=$(readelf -hW mode) || fail "readelf no longer reads the header"
grep -q 'Start of program headers: *64 ' <<<"$header" || fail "readelf shows another program-header offset"
strings=$(readelf -p .rodata mode) || fail "readelf cannot dump .rodata"
grep -q 'boot mode: FAST' <<<"$strings" || fail "readelf does not show the new text"
[ "$(./mode)" = "boot mode: FAST" ] || fail "the patched program does not print the new text"
echo "PASS: elf"
