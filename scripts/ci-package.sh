#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the release programs, makes the .deb with CPack and checks it: the package's name, version and
# dependencies, the menu entry and the metainfo (desktop-file-validate, appstreamcli: no errors, no warnings),
# the man page, the icon sizes, that the unpacked brelox answers --help, --version and a wrong option without
# a display, and that the package holds exactly the files `cmake --install` puts on the machine.
# Exits non-zero on the first fault.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset package
cmake --build --preset package
rm -f build/package/brelox_*.deb
cpack --preset package

fail() {
  echo "ci-package: $*" >&2
  exit 1
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package/CMakeCache.txt)
deb="build/package/brelox_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $deb"

# The control fields.
[ "$(dpkg-deb -f "$deb" Package)" = brelox ] || fail "package name is not brelox"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not $version"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6core6' || fail "no library dependencies from dpkg-shlibdeps"
dpkg-deb -f "$deb" Recommends | grep -q 'qt6-translations-l10n' || fail "Qt's translations not recommended"
dpkg-deb -f "$deb" Description | grep -q 'dialout' || fail "the description does not name the dialout group"

dpkg-deb -x "$deb" "$work/root"
root="$work/root/usr"

# The menu entry and the metainfo, as shipped.
desktop=$(ls "$root"/share/applications/*.desktop)
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
metainfo=$(ls "$root"/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate found errors or warnings"
[ "$(basename "$desktop" .desktop)" = "$(basename "$metainfo" .metainfo.xml)" ] ||
  fail "menu entry and metainfo have different ids"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$root/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for size in 48 256; do
  file "$root/share/icons/hicolor/${size}x$size/apps/$icon.png" | grep -q "PNG image data, $size x $size" ||
    fail "no $size px icon $icon"
done
out=$(LC_ALL=C.UTF-8 groff -man -ww -z "$root/share/man/man1/brelox.1" 2>&1) || fail "man page: $out"
[ -z "$out" ] || fail "man page: $out"

# The unpacked programs answer on a terminal without a display.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
out=$("${nodisplay[@]}" "$root/bin/brelox" --version) || fail "brelox --version exited with $?"
[ "$out" = "Brelox $version" ] || fail "brelox --version printed '$out'"
"${nodisplay[@]}" "$root/bin/brelox" --help | grep -q -- '--ports' || fail "brelox --help names no --ports"
status=0
"${nodisplay[@]}" "$root/bin/brelox" --no-such-option 2>"$work/err" || status=$?
[ "$status" -eq 2 ] || fail "brelox with a wrong option exited with $status, not 2"
grep -q "no-such-option" "$work/err" || fail "brelox with a wrong option did not name it"
"${nodisplay[@]}" "$root/bin/brelox-device-simulator" --help | grep -q -- '--board-window' ||
  fail "brelox-device-simulator --help names no --board-window"

# The package holds exactly what `cmake --install` installs.
cmake --install build/package --prefix "$work/installed/usr" >/dev/null
sed "s|^$work/installed||" build/package/install_manifest.txt | sort >"$work/manifest"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $NF }' | sed 's|^\.||' | sort >"$work/contents"
diff -u "$work/manifest" "$work/contents" || fail "the package's files differ from the install manifest"

echo "ci-package: $deb is sound ($(wc -l <"$work/contents") files)"
