#!/usr/bin/env bash
# Makes the Debian package from a build folder and checks it: the runtime dependencies are declared, and the
# program, desktop entry and icon are where the desktop looks for them. The packaged program then writes a
# standard SubRip copy, without a display, as the first thing a user could try.
# Usage: scripts/check-package.sh BUILD_FOLDER
set -euo pipefail
build=$(cd "${1:?usage: $0 BUILD_FOLDER}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/titrelle-package-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "package: $*" >&2; failures=$((failures + 1)); }

# gzip rather than the default xz: the test build's program is large, and this check is about the contents.
cpack --config "$build/CPackConfig.cmake" -B "$work" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/titrelle_*.deb)
echo "package: $(basename "$deb")"

info=$(dpkg-deb --info "$deb")
depends=$(printf '%s\n' "$info" | sed -n 's/^ Depends: //p')
echo "package: Depends: $depends"
for package in libqt6widgets6 libqt6gui6 libmpv2 fonts-wqy-microhei libxcb-keysyms1 qt6-translations-l10n; do
  [[ ", $depends," == *", $package"[\ ,]* || ", $depends," == *"| $package"[\ ,]* ]] ||
    fail "does not depend on $package"
done

contents=$(dpkg-deb -c "$deb")
expect_file() {  # path, mode pattern
  printf '%s\n' "$contents" | grep -Eq "^$2 .* \./$1\$" || fail "has no $1 (mode $2)"
}
expect_file usr/bin/titrelle '-rwxr-xr-x'
expect_file usr/share/applications/titrelle.desktop '-rw-r--r--'
expect_file usr/share/icons/hicolor/scalable/apps/titrelle.svg '-rw-r--r--'

dpkg-deb -x "$deb" "$work/root"
entry="$work/root/usr/share/applications/titrelle.desktop"
grep -qx 'Exec=titrelle %f' "$entry" || fail "the desktop entry does not pass the file (Exec=titrelle %f)"
grep -qx 'Icon=titrelle' "$entry" || fail "the desktop entry does not name the icon titrelle"
grep -Eq '^MimeType=(.*;)?video/mp4;' "$entry" || fail "the desktop entry lists no video types"
grep -q '<svg' "$work/root/usr/share/icons/hicolor/scalable/apps/titrelle.svg" || fail "the icon is not an SVG"
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate "$entry" || fail "desktop-file-validate rejects the desktop entry"
fi

printf '1\r\n00:00:01:000 --> 00:00:02:500\r\nA\r\n\r\n' >"$work/check.srt"
if env -u DISPLAY -u WAYLAND_DISPLAY ASAN_OPTIONS=detect_leaks=0 \
     "$work/root/usr/bin/titrelle" --export-srt "$work/check.srt" >/dev/null; then
  grep -q '00:00:01,000 --> 00:00:02,500' "$work/check.standard.srt" || fail "the packaged program's copy is wrong"
else
  fail "the packaged program cannot write a standard SubRip copy"
fi

[ "$failures" -eq 0 ] && echo "package: program, desktop entry, icon and dependencies in place"
exit $((failures > 0))
