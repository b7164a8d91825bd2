#!/usr/bin/env bash
# The cookbook's index is complete and true: every example folder has a
# README and a run.sh and is linked from examples/README.md, and the whole
# log shown there is the one the mbr example checks against.
# Usage: cookbook_test.sh SOURCE_DIR
set -euo pipefail
examples=$1/examples
fail() { echo "FAIL: $*" >&2; exit 1; }

count=0
for folder in "$examples"/*/; do
  name=$(basename "$folder")
  [ -f "$folder/README.md" ] || fail "$name has no README.md"
  [ -x "$folder/run.sh" ] || fail "$name has no executable run.sh"
  grep -qF "]($name/)" "$examples/README.md" || fail "examples/README.md does not link $name/"
  count=$((count + 1))
done
[ "$count" -ge 4 ] || fail "only $count examples"

# The block after the marker line, up to the closing fence, is the log.
shown=$(awk '/^<!-- whole log: mbr\/expected.log -->$/ { marker = 1; next }
             marker && /^```/ { if (inside) exit; inside = 1; next }
             inside { print }' "$examples/README.md")
[ -n "$shown" ] || fail "examples/README.md shows no whole log"
if ! diff -u "$examples/mbr/expected.log" <(printf '%s\n' "$shown"); then
  fail "the log in examples/README.md (+) is not examples/mbr/expected.log (-)"
fi
echo "PASS: cookbook"
