#!/usr/bin/env bash
# The manual page is clean roff, and it documents what the program does:
# every message text of the sources, every verb, every word-kind keyword,
# and the byte layouts of its word-kind table, which are checked by running
# varnex on files made for each row.
# Usage: manual_test.sh SOURCE_DIR VARNEX
set -euo pipefail
source=$1 varnex=$2
page=$source/doc/varnex.1
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v groff >/dev/null || { echo "SKIP: groff is not installed"; exit 77; }

# ---- clean roff
warnings=$(groff -man -ww -z "$page" 2>&1) || fail "groff failed: $warnings"
[ -z "$warnings" ] || fail "groff warns: $warnings"
if command -v mandoc >/dev/null; then
  warnings=$(mandoc -T lint -W warning "$page" 2>&1) || fail "mandoc finds faults: $warnings"
  [ -z "$warnings" ] || fail "mandoc warns: $warnings"
fi

# ---- messages: the manual quotes every message format of the sources, and
# lists no identifier that the sources do not have.
documented=$(sed -n 's/^\.B "\(MIP[0-9]\{4\}[IWE]: .*\)"$/\1/p' "$page" | sed 's/\\-/-/g')
[ -n "$documented" ] || fail "the manual lists no message"
# The checker (src/check) and the dry run (src/dryrun) belong to other
# programs, with their own manual pages.
formats=$(grep -rhoE --exclude-dir=check --exclude-dir=dryrun '"MIP[0-9]{4}[IWE]: [^"]*' "$source/src" | cut -c2- | sort -u)
[ -n "$formats" ] || fail "no message format found in the sources"
while IFS= read -r format; do
  grep -qF -- "$format" <<<"$documented" || fail "the manual does not quote: $format"
done <<<"$formats"
ids() { grep -oE '^MIP[0-9]{4}[IWE]' | sort -u; }
if ! diff -u <(ids <<<"$formats") <(ids <<<"$documented"); then
  fail "message identifiers of the sources (-) and of the manual (+) differ"
fi

# ---- verbs and word-kind keywords of the sources each have their entry.
verbs=$(grep -rhoE '\{"[A-Z]+", CommandCode::' "$source/src/command" | grep -oE '[A-Z]{3,}' | sort -u)
[ "$(wc -l <<<"$verbs")" -ge 10 ] || fail "the verb table was not found in the sources"
commands=$(sed -n '/^\.SH COMMANDS/,/^\.SH /p' "$page")
for verb in $verbs; do
  grep -qE "^\.BR? \"?$verb( |\"|\$)|^\.BI \"?$verb[ \"]" \
    <<<"$commands" || fail "the manual has no entry for the verb $verb"
done
kinds=$(grep -rhoE '\{"W[A-Z][0-9]{2}", WordKind::' "$source/src/command" | grep -oE 'W[A-Z][0-9]{2}' | sort -u)
table=$(sed -n '/^\.SH WORD KINDS/,/^\.EE/p' "$page" | grep -E '^W[A-Z][0-9]{2} ')
if ! diff -u <(echo "$kinds") <(awk '{ print $1 }' <<<"$table" | sort); then
  fail "word kinds of the sources (-) and of the manual's table (+) differ"
fi

# ---- the table's layouts are the program's. For each row a file holds the
# bytes b0..b7 = 11 22 33 44 55 66 77 08; PAGE @0 with the keyword must load
# the offset that the row assembles. A file one byte shorter than the row's
# width must be refused (MIP0123E), which checks the width; the keyword is
# given in lower case there.
[ -x "$varnex" ] || fail "no varnex binary at $varnex"
work=$(mktemp -d "${TMPDIR:-/tmp}/varnex-manual.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
bytes=(11 22 33 44 55 66 77 08)
byte_of() { [ "$1" = 0 ] && echo 0 || echo $((16#${bytes[${1#b}]})); }
while read -r kind width l3 l2 l1 l0 h3 h2 h1 h0; do
  low=$(( $(byte_of "$l3") << 24 | $(byte_of "$l2") << 16 | $(byte_of "$l1") << 8 | $(byte_of "$l0") ))
  high=$(( $(byte_of "$h3") << 24 | $(byte_of "$h2") << 16 | $(byte_of "$h1") << 8 | $(byte_of "$h0") ))
  target=$(printf '0x%08X:%08X' "$high" "$low")
  printf '\x11\x22\x33\x44\x55\x66\x77\x08' | head -c "$width" > word.bin
  printf 'PAGE 0\nPAGE @0 %s\nPAGESIZE %d\nPAGE 0\nPAGE @0 %s\n' \
    "$kind" $((width - 1)) "${kind,,}" > stream.txt
  "$varnex" word.bin "-P:$width" < stream.txt > log.txt || fail "$kind: varnex exited with $?"
  # The target lies past the end of the file (0 bytes loaded) or past what
  # the file system can address (MIP0101E); both messages name the offset.
  grep -qE "^MIP0110I: Page command completed 0 bytes loaded from offset $target\.\$|^MIP0101E: Unable to position the file to the requested offset $target\.\$" log.txt \
    || { cat log.txt; fail "$kind: the manual's layout gives $target, the program loads another offset"; }
  [ "$(grep -c '^MIP0123E: ' log.txt)" -eq 1 ] \
    || { cat log.txt; fail "$kind: a word cut to $((width - 1)) bytes is not refused once"; }
done <<<"$table"
echo "PASS: manual"
