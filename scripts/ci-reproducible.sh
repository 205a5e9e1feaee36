#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package twice from the committed tree, in two fresh clones in different folders, one after
# the other and under a different time zone, locale and umask, and requires byte-identical .deb files (the
# program's and the dbgsym). Every date inside comes from debian/changelog (SOURCE_DATE_EPOCH). Takes two
# package builds, so it is not part of scripts/test.sh; run it before a release. Leaves nothing behind.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

scratch=$(mktemp -d "${TMPDIR:-/tmp}/brelox-reproducible-XXXXXX")
trap 'rm -rf "$scratch"' EXIT
export TMPDIR="$scratch"

# build FOLDER: clones the committed tree into FOLDER and builds the binary packages beside it.
build() {
  mkdir -p "$1"
  git clone --quiet . "$1/brelox"
  (cd "$1/brelox" && dpkg-buildpackage -us -uc -b) >"$1/build.log" 2>&1 || {
    tail -40 "$1/build.log"
    echo "ci-reproducible: dpkg-buildpackage failed in $1" >&2
    exit 1
  }
}
build "$scratch/first"
(
  export TZ=Pacific/Kiritimati LC_ALL=C.UTF-8
  umask 0002
  build "$scratch/second/a/longer/path"
)

(cd "$scratch/first" && sha256sum ./*.deb) >"$scratch/first.sha256"
(cd "$scratch/second/a/longer/path" && sha256sum ./*.deb) >"$scratch/second.sha256"
cat "$scratch/first.sha256"
if ! diff -u "$scratch/first.sha256" "$scratch/second.sha256"; then
  echo "ci-reproducible: the two builds differ" >&2
  exit 1
fi
echo "ci-reproducible: two builds, $(wc -l <"$scratch/first.sha256") byte-identical packages"
