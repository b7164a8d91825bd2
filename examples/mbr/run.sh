#!/usr/bin/env bash
# Cookbook: an MBR disk image. Partitions an empty image with sfdisk, checks
# and changes two partition entries, reads the first sector of a partition,
# and checks the result with sfdisk.   Usage: run.sh [path/to/varnex]
. "$(dirname "$0")/../common.sh" "$@"
PATH=$PATH:/usr/sbin:/sbin  # sfdisk lives in sbin
need sfdisk

truncate -s 4M disk.img
sfdisk -q disk.img < "$example_dir/layout.sfdisk"
# The first sector of partition 1 gets a recognisable label.
printf 'COOKBOOK VOLUME 1' | dd of=disk.img bs=512 seek=2048 conv=notrunc status=none
cp disk.img disk.orig

run_varnex disk.img "$example_dir/patch.cmds" patch.log
same_log patch.log "$example_dir/expected.log"
no_problems patch.log

expect_changes disk.orig disk.img "1BE 00 80" "1D2 82 83"
sfdisk -d disk.img > table.txt || fail "sfdisk cannot read the patched table"
cat table.txt
grep -Eq '^disk\.img1 : start= *2048, size= *4096, type=83, bootable$' table.txt || fail "partition 1 is not active"
grep -Eq '^disk\.img2 : start= *6144, size= *2048, type=83$' table.txt || fail "partition 2 does not have the type 83"
sfdisk -V disk.img || fail "sfdisk finds the table inconsistent"
echo "PASS: mbr"
