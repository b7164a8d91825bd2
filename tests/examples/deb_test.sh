#!/usr/bin/env bash
# CPack builds a Debian package that holds the program and its manual page
# under /usr, with the package fields set. The package is inspected with
# dpkg-deb, not installed.
# Usage: deb_test.sh BUILD_DIR SOURCE_DIR VERSION
set -euo pipefail
build=$1 source=$2 version=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg-deb; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

out=$(mktemp -d "${TMPDIR:-/tmp}/varnex-deb.XXXXXX")
trap 'rm -rf "$out"' EXIT
cpack --config "$build/CPackConfig.cmake" -B "$out" || fail "cpack failed"
debs=("$out"/varnex_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "cpack made no single varnex_*.deb"
deb=${debs[0]}
[ "$(basename "$deb")" = "varnex_${version}_$(dpkg --print-architecture).deb" ] || fail "unexpected name $(basename "$deb")"

dpkg-deb -I "$deb" | tee "$out/info.txt"
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = varnex ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version)"
[ "$(field Section)" = utils ] || fail "Section: $(field Section)"
[ "$(field Maintainer)" = "Varnex developers <dev@varnex.invalid>" ] || fail "Maintainer: $(field Maintainer)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
depends=$(field Depends)
for library in libc6 libstdc++6; do
  grep -q "\\b$library\\b" <<<"$depends" || fail "Depends lacks $library: $depends"
done
description=$(field Description)
[ "$(head -n 1 <<<"$description")" = "inspect and patch an existing file in place, a page at a time" ] \
  || fail "Description: $description"
[ "$(wc -l <<<"$description")" -gt 1 ] || fail "the description has no extended text"

dpkg-deb -c "$deb" | tee "$out/contents.txt"
files=$(awk '$1 ~ /^-/ { print $NF }' "$out/contents.txt" | LC_ALL=C sort)
# Every program built, its manual page compressed, the licence and the changelog.
wanted=(./usr/share/doc/varnex/changelog.gz ./usr/share/doc/varnex/copyright)
for program in varnex varnex-check varnex-diff varnex-apply; do
  [ -x "$build/src/$program" ] || continue
  wanted+=("./usr/bin/$program" "./usr/share/man/man1/$program.1.gz")
done
[ "$files" = "$(printf '%s\n' "${wanted[@]}" | LC_ALL=C sort)" ] || fail "unexpected files: $files"
grep -Eq '^-rwxr-xr-x root/root .* \./usr/bin/varnex$' "$out/contents.txt" || fail "usr/bin/varnex is not an executable owned by root"

# What the package would install works.
dpkg-deb -x "$deb" "$out/root"
"$out/root/usr/bin/varnex" -? > "$out/usage.txt" || fail "the packaged varnex does not run"
[ "$(head -n 1 "$out/usage.txt")" = "Usage:" ] || fail "the packaged varnex shows no usage text"
gzip -dc "$out/root/usr/share/man/man1/varnex.1.gz" | cmp - "$source/doc/varnex.1" ||
  fail "the packaged page differs from doc/varnex.1"
grep -q '^License: Expat$' "$out/root/usr/share/doc/varnex/copyright" || fail "the copyright file names no licence"
gzip -dc "$out/root/usr/share/doc/varnex/changelog.gz" | head -n 1 | grep -q "^varnex ($version) " ||
  fail "the changelog does not start with version $version"

# Debian's own checker finds nothing to complain of: no error, no warning
# (informational tags are not findings).
if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" > "$out/lintian.txt" 2>&1 || { cat "$out/lintian.txt"; fail "lintian"; }
  ! grep -E '^[EW]: ' "$out/lintian.txt" || fail "lintian reports errors or warnings"
elif [ "${CI:-}" = true ]; then
  fail "lintian is not installed"
else
  echo "note: lintian is not installed; the package was not linted"
fi
echo "PASS: deb"
