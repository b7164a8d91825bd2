#!/usr/bin/env bash
# Cookbook: a ZIP archive. Makes an archive with Python's zipfile, follows
# its offsets from the end-of-central-directory record, patches a member and
# its CRC-32, and checks the result with unzip.   Usage: run.sh [path/to/varnex]
. "$(dirname "$0")/../common.sh" "$@"
need python3 unzip

python3 "$example_dir/make_archive.py"
unzip -tq archive.zip >/dev/null || fail "the archive made is not sound"
cp archive.zip archive.orig

run_varnex archive.zip "$example_dir/patch.cmds" patch.log
same_log patch.log "$example_dir/expected.log"
expect patch.log "MIP0124I: The search string was located at offset 42 (0x002A) in the current page."
expect patch.log "MIP0124I: The search string was located at offset 221 (0x00DD) in the current page."
expect patch.log "MIP0117I: Write completed (57 bytes written) at offset 0x00000000:00000036."
expect patch.log "MIP0117I: Write completed (132 bytes written) at offset 0x00000000:0000006F."
no_problems patch.log

# Exactly the data bytes and the two copies of the CRC-32 have changed.
expect_changes archive.orig archive.zip \
  "44 B5 CC" "45 28 72" "46 85 B1" "47 A9 48" \
  "6A 53 46" "6C 46 53" "6D 45 54" \
  "B5 B5 CC" "B6 28 72" "B7 85 B1" "B8 A9 48"
unzip -t archive.zip || fail "unzip finds the patched archive broken"
[ "$(unzip -p archive.zip config.ini)" = "$(printf '[boot]\nmode=FAST')" ] || fail "config.ini does not hold the new text"

# The check has teeth: the data patched without its CRC-32 fails the test.
cp archive.orig unfixed.zip
printf 'FAST' | dd of=unfixed.zip bs=1 seek=106 conv=notrunc status=none
if unzip -tq unfixed.zip >/dev/null 2>&1; then fail "unzip -t misses a wrong CRC-32"; fi
echo "PASS: zip"
