#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package as Debian does (dpkg-buildpackage -us -uc -b, from a clone of the committed tree in
# a scratch folder, so that nothing is written beside the checkout) and checks it: lintian reports nothing at
# warning level or above over the .deb, the .buildinfo and the .changes; both programs are stripped (their
# symbols are in the dbgsym package) and hardened; the control fields; the menu entry and the metainfo
# (desktop-file-validate, appstreamcli: no errors, no warnings); the man pages and the icons; that the
# unpacked programs answer --help, --version and a wrong option without a display; and that the package holds
# exactly what CMake's install rules install (man pages compressed, plus debhelper's changelog and copyright).
# Exits non-zero on the first fault and leaves nothing behind.
#
# Under `set -o pipefail` a check never pipes into a reader that may stop early (`grep -q`, `head`): the writer
# would die of SIGPIPE and fail the check by chance. Output is taken into a variable or a file first.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

fail() {
  echo "ci-package: $*" >&2
  exit 1
}
# contains TEXT PART: whether TEXT contains PART.
contains() {
  [[ "$1" == *"$2"* ]]
}

scratch=$(mktemp -d "${TMPDIR:-/tmp}/brelox-package-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
# Whatever the tools put in a temporary folder goes with the scratch folder.
export TMPDIR="$scratch"
git clone --quiet . "$scratch/brelox"
src="$scratch/brelox"
(cd "$src" && dpkg-buildpackage -us -uc -b) >"$scratch/build.log" 2>&1 || {
  tail -40 "$scratch/build.log"
  fail "dpkg-buildpackage failed"
}

version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)
arch=$(dpkg --print-architecture)
deb="$scratch/brelox_${version}_$arch.deb"
dbgsym="$scratch/brelox-dbgsym_${version}_$arch.deb"
for file in "$deb" "$dbgsym" "$scratch/brelox_${version}_$arch.buildinfo" "$scratch/brelox_${version}_$arch.changes"; do
  [ -f "$file" ] || fail "dpkg-buildpackage made no $(basename "$file")"
done

# lintian, as a Debian maintainer runs it before an upload.
lintian --fail-on error,warning --display-level '>=warning' "$deb" "$scratch"/*.buildinfo "$scratch"/*.changes \
  >"$scratch/lintian.log" 2>&1 || {
  cat "$scratch/lintian.log"
  fail "lintian found errors or warnings"
}
echo "ci-package: lintian: nothing at warning level or above"

# The control fields.
field() {
  dpkg-deb -f "$deb" "$1"
}
[ "$(field Package)" = brelox ] || fail "package name is not brelox"
[ "$(field Version)" = "$version" ] || fail "package version is not $version"
[ "$(field Section)" = electronics ] || fail "section is not electronics"
depends=$(field Depends)
contains "$depends" libqt6core6 || fail "no library dependencies from dpkg-shlibdeps: $depends"
contains "$depends" libqt6svg6 || fail "the SVG plugins are not a dependency: $depends"
contains "$(field Recommends)" qt6-translations-l10n || fail "Qt's translations not recommended"
contains "$(field Recommends)" fonts-dseg || fail "the board window's face not recommended"
contains "$(field Suggests)" socat || fail "socat not suggested"
contains "$(field Description)" dialout || fail "the description does not name the dialout group"

dpkg-deb -x "$deb" "$scratch/root"
root="$scratch/root/usr"

# Stripped, with their symbols in the dbgsym package, and hardened: PIE, stack protector, RELRO, BIND_NOW.
# Fortify is checked on the compile commands too: where every call is proven within bounds at compile time
# (brelox: poll, memmove) the binary keeps no *_chk function and hardening-check reports "only unprotected
# functions found" although the flag was there. Control-flow protection is not asked for: Debian 12's C start
# files (crt1.o) carry no IBT/SHSTK marking, so no program on it has one (/usr/bin/ls included).
dpkg-deb -x "$dbgsym" "$scratch/dbgsym"
for program in brelox brelox-device-simulator; do
  binary="$root/bin/$program"
  description=$(file -b "$binary")
  contains "$description" ", stripped" || fail "$program is not stripped: $description"
  id=$(readelf -n "$binary" | sed -n 's/^ *Build ID: *//p')
  [ -f "$scratch/dbgsym/usr/lib/debug/.build-id/${id:0:2}/${id:2}.debug" ] ||
    fail "$program: no debug symbols for build id $id in the dbgsym package"
  out=$(hardening-check --nofortify --nocfprotection "$binary") || fail "hardening-check: $out"
done
out=$(hardening-check --nocfprotection "$root/bin/brelox-device-simulator") || fail "hardening-check: $out"
contains "$out" "Fortify Source functions: yes" || fail "hardening-check: $out"
# (grep -c exits with 1 when it counts none; the count is what is checked.)
compiles=$(grep -c '"command":' "$src"/obj-*/compile_commands.json || true)
for flag in -D_FORTIFY_SOURCE=2 -fstack-clash-protection; do
  flagged=$(grep -c -- "\"command\":.* $flag " "$src"/obj-*/compile_commands.json || true)
  [ "$compiles" -gt 0 ] && [ "$compiles" = "$flagged" ] || fail "only $flagged of $compiles files compiled with $flag"
done
echo "ci-package: both programs stripped and hardened ($compiles files compiled fortified)"

# The menu entry and the metainfo, as shipped.
desktop=$(ls "$root"/share/applications/*.desktop)
out=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
metainfo=$(ls "$root"/share/metainfo/*.metainfo.xml)
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate found errors or warnings"
[ "$(basename "$desktop" .desktop)" = "$(basename "$metainfo" .metainfo.xml)" ] ||
  fail "menu entry and metainfo have different ids"
# The window's WM_CLASS is ("brelox", "Brelox"): Qt takes the class from the application name.
[ "$(sed -n 's/^StartupWMClass=//p' "$desktop")" = Brelox ] || fail "the menu entry does not name the window's class"
icon=$(sed -n 's/^Icon=//p' "$desktop")
[ -f "$root/share/icons/hicolor/scalable/apps/$icon.svg" ] || fail "no scalable icon $icon"
for size in 48 256; do
  description=$(file -b "$root/share/icons/hicolor/${size}x$size/apps/$icon.png")
  contains "$description" "PNG image data, $size x $size" || fail "no $size px icon $icon: $description"
done
for page in brelox brelox-device-simulator; do
  gzip -dc "$root/share/man/man1/$page.1.gz" >"$scratch/$page.1" || fail "no compressed man page for $page"
  out=$(LC_ALL=C.UTF-8 groff -man -ww -z "$scratch/$page.1" 2>&1) || fail "man page of $page: $out"
  [ -z "$out" ] || fail "man page of $page: $out"
done

# The unpacked programs answer on a terminal without a display.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
out=$("${nodisplay[@]}" "$root/bin/brelox" --version) || fail "brelox --version exited with $?"
[ "$out" = "Brelox $version" ] || fail "brelox --version printed '$out'"
out=$("${nodisplay[@]}" "$root/bin/brelox" --help) || fail "brelox --help exited with $?"
contains "$out" "--ports" || fail "brelox --help names no --ports"
status=0
"${nodisplay[@]}" "$root/bin/brelox" --no-such-option 2>"$scratch/err" || status=$?
[ "$status" -eq 2 ] || fail "brelox with a wrong option exited with $status, not 2"
grep -q "no-such-option" "$scratch/err" || fail "brelox with a wrong option did not name it"
out=$("${nodisplay[@]}" "$root/bin/brelox-device-simulator" --help) || fail "brelox-device-simulator --help failed"
contains "$out" "--board-window" || fail "brelox-device-simulator --help names no --board-window"

# The package holds exactly what CMake's install rules installed: man pages compressed by dh_compress, and
# debhelper's own changelog and copyright beside them.
manifest=$(ls "$src"/obj-*/install_manifest.txt)
{
  sed -e "s|^$src/debian/brelox||" -e 's|^\(/usr/share/man/.*\)$|\1.gz|' "$manifest"
  echo
  printf '%s\n' /usr/share/doc/brelox/changelog.gz /usr/share/doc/brelox/copyright
} | sed '/^$/d' | sort >"$scratch/expected"
dpkg-deb -c "$deb" >"$scratch/listing"
awk '$1 !~ /^d/ { print $NF }' "$scratch/listing" | sed 's|^\.||' | sort >"$scratch/contents"
diff -u "$scratch/expected" "$scratch/contents" || fail "the package's files differ from CMake's install manifest"

echo "ci-package: $(basename "$deb") is sound ($(wc -l <"$scratch/contents") files)"
