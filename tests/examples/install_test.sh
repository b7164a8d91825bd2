#!/usr/bin/env bash
# `cmake --install` into a temporary prefix puts the program and its manual
# page where Linux tools go, and both work from there.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
command -v man >/dev/null || { echo "SKIP: man is not installed"; exit 77; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/varnex-install.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
cd "$scratch"
cmake --install "$build" --prefix "$prefix"

[ -x "$prefix/bin/varnex" ] || fail "bin/varnex is missing"
page=$prefix/share/man/man1/varnex.1.gz
[ -f "$page" ] || fail "share/man/man1/varnex.1.gz is missing"
gzip -dc "$page" | cmp - "$source/doc/varnex.1" || fail "the installed page differs from doc/varnex.1"
installed=$(cd "$prefix" && find . -type f | LC_ALL=C sort)
wanted=(./share/doc/varnex/changelog.gz ./share/doc/varnex/copyright)
for program in varnex varnex-check varnex-diff varnex-apply; do
  [ -x "$build/src/$program" ] || continue
  wanted+=("./bin/$program" "./share/man/man1/$program.1.gz")
done
[ "$installed" = "$(printf '%s\n' "${wanted[@]}" | LC_ALL=C sort)" ] || fail "unexpected files installed: $installed"

# The installed program runs: -? shows the usage text and exits with 0.
usage=$("$prefix/bin/varnex" -?) || fail "varnex -? exited with $?"
[ "$(head -n 1 <<<"$usage")" = "Usage:" ] || fail "varnex -? shows no usage text"

# The page renders without a warning, by file and by name from the prefix.
export MANPAGER=cat PAGER=cat MANWIDTH=80 LC_ALL=C.UTF-8
man --warnings -l "$page" > by-file.txt 2> warnings.txt || fail "man -l failed"
[ ! -s warnings.txt ] || { cat warnings.txt; fail "man -l warns about the page"; }
grep -q '^NAME' by-file.txt || fail "the rendered page has no NAME section"
grep -q 'MIP0105I' by-file.txt || fail "the rendered page lists no messages"
man -M "$prefix/share/man" varnex > by-name.txt 2>/dev/null || fail "man does not find varnex under the prefix"
cmp -s by-file.txt by-name.txt || fail "man finds another page by name"
echo "PASS: install"
