# Helpers shared by the cookbook scripts (examples/*/run.sh); sourced, not run.
#
# A script sources this file with its own arguments:
#   . "$(dirname "$0")/../common.sh" "$@"
# The first argument (or the environment variable VARNEX) names the varnex
# binary; without either, `varnex` is looked up on PATH.
# Afterwards the script runs in a fresh temporary folder that is removed on
# exit, and $example_dir is the folder of the script.

set -euo pipefail

example_dir=$(cd "$(dirname "${BASH_SOURCE[1]}")" && pwd)
varnex=${1:-${VARNEX:-varnex}}
case $varnex in
  */*) varnex=$(cd "$(dirname "$varnex")" && pwd)/$(basename "$varnex") ;;
esac

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# need TOOL...: skip the example (exit code 77) when a tool is not installed.
need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null 2>&1 || { echo "SKIP: $tool is not installed"; exit 77; }
  done
}

need "$varnex"

work=$(mktemp -d "${TMPDIR:-/tmp}/varnex-example.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# The checker is built next to varnex; an installed varnex may come alone.
checker=$(dirname "$varnex")/varnex-check
[ -x "$checker" ] || checker=$(command -v varnex-check || true)
# So is varnex-apply, which applies a stream all or nothing behind a journal.
applier=$(dirname "$varnex")/varnex-apply
[ -x "$applier" ] || applier=$(command -v varnex-apply || true)

# check_then_dry_run FILE STREAM LOG: the habit before a real run. The stream
# must lint clean, and a dry run must leave FILE unchanged; its log is kept in
# LOG.dry for predicted_log to compare with the real run's, and the stream
# that takes the run back in LOG.undo, for undo_takes_back.
check_then_dry_run() {
  local file=$1 stream=$2 log=$3 rc=0
  dry_run_clean=0
  [ -n "$checker" ] || return 0
  "$checker" "$stream" || fail "varnex-check finds slips in $(basename "$stream")"
  cp "$file" "$log.before"
  "$checker" --dry-run "$file" --undo "$log.undo" "$stream" > "$log.dry" || rc=$?
  [ "$rc" -le 1 ] || fail "the dry run exited with $rc"
  cmp -s "$file" "$log.before" || fail "the dry run changed $file"
  [ "$rc" -ne 0 ] || dry_run_clean=1
}

# journal_takes_back FILE LOG: the journal varnex-apply kept, run by plain
# varnex on a copy of the patched FILE, gives back FILE as it was; and
# varnex-apply --rollback refuses it on a copy, another file than its own.
journal_takes_back() {
  local file=$1 log=$2
  [ -f "$log.journal" ] || return 0   # a stream that writes nothing keeps no journal
  cp "$file" "$log.patched"
  "$varnex" "$log.patched" < "$log.journal" > "$log.journal-log" || fail "the journal run exited with $?"
  cmp -s "$log.patched" "$log.before" || fail "the journal did not take $file back"
  cp "$file" "$log.patched"
  cp "$log.journal" "$log.patched.journal"
  "$applier" -q --rollback --journal "$log.patched.journal" "$log.patched" 2>/dev/null && fail "varnex-apply took a copy back with the journal of another file"
  cmp -s "$log.patched" "$file" || fail "a refused rollback changed the copy"
  rm -f "$log.patched" "$log.patched.journal"
}

# undo_takes_back FILE LOG: the undo stream of the dry run, run on a copy of
# the patched FILE, gives back FILE as it was before the run.
undo_takes_back() {
  local file=$1 log=$2
  [ -n "$checker" ] || return 0
  cp "$file" "$log.patched"
  "$varnex" "$log.patched" < "$log.undo" > "$log.undo-log" || fail "the undo stream exited with $?"
  cmp -s "$log.patched" "$log.before" || fail "the undo stream did not take $file back"
  rm -f "$log.patched" "$log.before"
}

# predicted_log LOG: the real run's log is the dry run's, but for the write
# lines, which in the dry run say the page would be written.
predicted_log() {
  [ -n "$checker" ] || return 0
  if ! diff -u <(mask_addresses "$1.dry") \
      <(mask_addresses "$1" | sed -E 's/^MIP0117I: Write completed \(([0-9-]+) bytes written\) at offset /MIP0117I: Dry run: the page would be written (\1 bytes) at offset /'); then
    fail "the dry run (-) did not predict the real run (+)"
  fi
}

# run_varnex FILE STREAM LOG: checks the stream and dry-runs it, then runs
# varnex on FILE with the command stream, keeps the log, shows it, and
# insists on exit code 0, a run that read its stream to the end, a log the
# dry run predicted, and an undo stream that takes the run back.
#
# Where the dry run is clean and varnex-apply is there, the run is
# `varnex-apply --journal LOG.journal FILE STREAM`, whose log is varnex's
# own, and its journal must take the run back too.
run_varnex() {
  local file=$1 stream=$2 log=$3 rc=0
  check_then_dry_run "$file" "$stream" "$log"
  if [ -n "$applier" ] && [ "$dry_run_clean" -eq 1 ]; then
    "$applier" --journal "$log.journal" "$file" "$stream" > "$log" || fail "varnex-apply exited with $?"
    journal_takes_back "$file" "$log"
  fi
  [ -n "$applier" ] && [ "$dry_run_clean" -eq 1 ] || "$varnex" "$file" < "$stream" > "$log" || rc=$?
  echo "---- log of: varnex $file < $(basename "$stream")"
  cat "$log"
  echo "---- end of log"
  [ "$rc" -eq 0 ] || fail "varnex exited with $rc"
  expect "$log" "MIP0105I: The end of the command stream has been reached."
  predicted_log "$log"
  undo_takes_back "$file" "$log"
}

# expect LOG LINE: the log holds this exact line.
expect() {
  grep -qxF -- "$2" "$1" || fail "$1 has no line: $2"
}

# expect_count LOG N LINE: the log holds this exact line N times.
expect_count() {
  local found
  found=$(grep -cxF -- "$3" "$1" || true)
  [ "$found" -eq "$2" ] || fail "$1 has $found times, not $2: $3"
}

# no_problems LOG: the log holds no error and no warning message.
no_problems() {
  if grep -E '^MIP[0-9]{4}[EW]: ' "$1"; then
    fail "$1 reports the errors or warnings above"
  fi
}

# mask_addresses FILE: the log with the memory address in dump banners
# replaced, since it changes from run to run.
mask_addresses() {
  sed -E 's/ bytes @[0-9A-F]+ -/ bytes @ADDRESS -/' "$1"
}

# same_log LOG EXPECTED: the whole log equals the expected one, addresses aside.
same_log() {
  if ! diff -u <(mask_addresses "$2") <(mask_addresses "$1"); then
    fail "$1 differs from $2 (expected lines -, actual lines +)"
  fi
}

# changes BEFORE AFTER: one line "OFFSET OLD NEW" (hexadecimal, offsets from
# 0) for each byte that differs; the files must have the same size.
changes() {
  [ "$(stat -c %s "$1")" -eq "$(stat -c %s "$2")" ] || fail "$2 changed its size"
  local offset old new
  { cmp -l "$1" "$2" || true; } | while read -r offset old new; do
    printf '%X %02X %02X\n' $((offset - 1)) $((8#$old)) $((8#$new))
  done
}

# expect_changes BEFORE AFTER "OFFSET OLD NEW" ...: exactly these bytes differ.
expect_changes() {
  local before=$1 after=$2
  shift 2
  if ! diff -u <(printf '%s\n' "$@") <(changes "$before" "$after"); then
    fail "$after: other bytes changed than expected (expected -, actual +)"
  fi
}
