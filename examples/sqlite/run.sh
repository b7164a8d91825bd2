#!/usr/bin/env bash
# Cookbook: an SQLite database. Makes a database with the sqlite3 shell,
# walks its pages by number, patches a value, and checks the result with
# SQLite's own integrity check.   Usage: run.sh [path/to/varnex]
. "$(dirname "$0")/../common.sh" "$@"
need sqlite3

sqlite3 demo.db < "$example_dir/make.sql"
[ "$(sqlite3 demo.db "SELECT value FROM settings WHERE name = 'boot'")" = SAFE ] || fail "the database made is not as expected"
cp demo.db demo.orig

run_varnex demo.db "$example_dir/patch.cmds" patch.log
no_problems patch.log
[ "$(grep -c '^MIP0112I: ' patch.log)" -eq 10 ] || fail "not every VER succeeded"
expect patch.log "MIP0110I: Page command completed 1024 bytes loaded from offset 0x00000000:00000000."
expect patch.log "MIP0110I: Page command completed 74 bytes loaded from offset 0x00000000:000003B6."
expect patch.log "MIP0110I: Page command completed 1024 bytes loaded from offset 0x00000000:00000400."
expect patch.log "MIP0110I: Page command completed 1024 bytes loaded from offset 0x00000000:00000800."
expect patch.log "MIP0110I: Page command completed 1024 bytes loaded from offset 0x00000000:00001800."
expect patch.log "MIP0124I: The search string was located at offset 1016 (0x03F8) in the current page."
last=$(( $(grep -abo 'entry 100 of the boot journal' demo.db | cut -d: -f1) - 0x1800 ))
expect patch.log "$(printf 'MIP0124I: The search string was located at offset %d (0x%04X) in the current page.' $last $last)"
expect_count patch.log 1 "MIP0117I: Write completed (1024 bytes written) at offset 0x00000000:00000400."

# Only the three bytes of SAFE that differ from FAST have changed.
expect_changes demo.orig demo.db "7FC 53 46" "7FE 46 53" "7FF 45 54"
[ "$(sqlite3 demo.db 'PRAGMA integrity_check')" = ok ] || fail "SQLite finds the patched database damaged"
[ "$(sqlite3 demo.db "SELECT value FROM settings WHERE name = 'boot'")" = FAST ] || fail "the value is not FAST"
[ "$(sqlite3 demo.db 'SELECT count(*) FROM journal')" = 100 ] || fail "the journal lost rows"
echo "PASS: sqlite"
