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
[ "$files" = "$(printf './usr/bin/varnex\n./usr/bin/varnex-check\n./usr/share/man/man1/varnex-check.1\n./usr/share/man/man1/varnex.1')" ] || fail "unexpected files: $files"
grep -Eq '^-rwxr-xr-x root/root .* \./usr/bin/varnex$' "$out/contents.txt" || fail "usr/bin/varnex is not an executable owned by root"

# What the package would install works.
dpkg-deb -x "$deb" "$out/root"
"$out/root/usr/bin/varnex" -? > "$out/usage.txt" || fail "the packaged varnex does not run"
[ "$(head -n 1 "$out/usage.txt")" = "Usage:" ] || fail "the packaged varnex shows no usage text"
cmp "$out/root/usr/share/man/man1/varnex.1" "$source/doc/varnex.1" || fail "the packaged page differs from doc/varnex.1"
echo "PASS: deb"
