#!/usr/bin/env bash
# Cookbook: an upgrade stream made by varnex-diff. Builds one C program twice
# with cc, differing in one constant, makes the stream that turns the old
# build into the new one, patches a copy of the old build with it, and checks
# the result with cmp and by running the programs; then shows that the stream
# changes nothing on a build that is not the old one.
# Usage: run.sh [path/to/varnex]
. "$(dirname "$0")/../common.sh" "$@"
need cc cmp

# varnex-diff is built next to varnex, like the checker; this example needs both.
differ=$(dirname "$varnex")/varnex-diff
[ -x "$differ" ] || differ=$(command -v varnex-diff || true)
[ -n "$differ" ] || { echo "SKIP: varnex-diff is not installed"; exit 77; }
[ -n "$checker" ] || { echo "SKIP: varnex-check is not installed"; exit 77; }

# build LIMIT NAME: the program built with this limit. Limits of the same
# width in the instruction keep the layout, so the builds have one size.
build() {
  cc -O2 -DLIMIT="$1" -o "$2" "$example_dir/limit.c"
  [ "$(./"$2")" = "at most $1 connections" ] || fail "$2 does not print its limit"
}
build 100 old
build 250 new
build 999 other
[ "$(stat -c %s old)" -eq "$(stat -c %s new)" ] || fail "the two builds differ in size; pick another limit"
[ "$(stat -c %s old)" -eq "$(stat -c %s other)" ] || fail "the third build differs in size; pick another limit"

# The stream: exit status 1, the files differ. It counts the bytes that cmp finds.
rc=0
"$differ" old new > upgrade.cmds || rc=$?
[ "$rc" -eq 1 ] || fail "varnex-diff old new exited with $rc, not 1"
cat upgrade.cmds
changed=$({ cmp -l old new || true; } | wc -l)
grep -qE "^\* $changed bytes? changes? in [0-9]+ pages?\.$" upgrade.cmds || fail "the stream does not count the $changed bytes that cmp finds"
rc=0
"$differ" --changes old new > changes.txt || rc=$?
[ "$rc" -eq 1 ] || fail "varnex-diff --changes old new exited with $rc, not 1"
echo "---- varnex-diff --changes old new"
cat changes.txt
grep -q '^old ' changes.txt && grep -q '^new ' changes.txt || fail "the change view shows no old and new bytes"
cp old same
rc=0
"$differ" old same > same.cmds || rc=$?
[ "$rc" -eq 0 ] || fail "varnex-diff on equal files exited with $rc, not 0"

# Lint, dry run with an undo stream (the file unchanged), real run, on a copy of old.
cp old program
run_varnex program upgrade.cmds upgrade.log
no_problems upgrade.log
writes=$(grep -c '^WRITE' upgrade.cmds)
expect_count upgrade.log 0 "MIP0113E: Verify operation failed."
[ "$(grep -c '^MIP0117I: Write completed' upgrade.log)" -eq "$writes" ] || fail "not every page of the stream was written"
cmp program new || fail "the patched program is not the new build"
[ "$(./program)" = "at most 250 connections" ] || fail "the patched program does not print the new limit"

# The undo stream that the dry run wrote takes the program back to the old build.
cp upgrade.log.undo undo.cmds
"$checker" undo.cmds || fail "varnex-check finds slips in the undo stream"
"$varnex" program < undo.cmds > undo.log || fail "the undo run exited with $?"
no_problems undo.log
cmp program old || fail "the undo stream did not give back the old build"
[ "$(./program)" = "at most 100 connections" ] || fail "the program taken back does not print the old limit"

# refused FILE: on a copy of a build that is not old, every page of the stream
# fails its verify, no page is written, and the copy stays as it was.
refused() {
  cp "$1" "$1.copy"
  "$varnex" "$1.copy" < upgrade.cmds > "$1.log" || fail "varnex on $1 exited with $?"
  echo "---- log of: varnex $1.copy < upgrade.cmds"
  cat "$1.log"
  echo "---- end of log"
  expect_count "$1.log" "$writes" "MIP0108W: This page will not be written because a patch verification has failed."
  expect "$1.log" "MIP0113E: Verify operation failed."
  expect "$1.log" "MIP0107W: This patch cannot be applied because a previous verify has failed."
  if grep '^MIP0117I: ' "$1.log"; then fail "the stream wrote a page of $1"; fi
  cmp "$1.copy" "$1" || fail "the stream changed $1"
  [ "$(./"$1.copy")" = "$(./"$1")" ] || fail "the copy of $1 prints another limit"
}
refused new
refused other
echo "PASS: diff"
