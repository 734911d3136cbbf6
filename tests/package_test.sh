#!/usr/bin/env bash
# The Debian package: built from the release build, it holds what an installed copy needs, its
# metadata passes the validators, and the programs run from the unpacked tree (nothing is
# installed on this machine). Usage: tests/package_test.sh BUILD_DIR
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=$(realpath "$1")
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

deb=$("$source_dir/scripts/package" "$build_dir" "$tmp" | tail -n1)
[ -f "$deb" ] || fail "no package: $deb"

# The file list: everything in its place, nothing outside /usr, no files of the source tree.
dpkg-deb -c "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$tmp/files"
for f in /usr/bin/sheetwright /usr/bin/sheetwright-convert \
  /usr/share/applications/sheetwright.desktop \
  /usr/share/icons/hicolor/scalable/apps/sheetwright.svg \
  /usr/share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/sheetwright.png \
  /usr/share/metainfo/org.sheetwright.Sheetwright.metainfo.xml \
  /usr/share/man/man1/sheetwright.1.gz /usr/share/man/man1/sheetwright-convert.1.gz \
  /usr/share/bash-completion/completions/sheetwright-convert \
  /usr/share/sheetwright/vellumist.ini \
  /usr/share/doc/sheetwright/copyright /usr/share/doc/sheetwright/changelog.Debian.gz; do
  grep -qxF "$f" "$tmp/files" || fail "missing from the package: $f"
done
# Every data file of the sample meshes, as they stand in the source tree.
(cd "$source_dir/examples/meshes" && find . -type f ! -name README.md ! -name .gitattributes) |
  sed 's|^\.|/usr/share/sheetwright/meshes|' | sort >"$tmp/meshes"
grep '^/usr/share/sheetwright/meshes/.*\.' "$tmp/files" | sort | diff "$tmp/meshes" - ||
  fail "the sample meshes are not packaged as they are"
if grep -v '^/usr/' "$tmp/files" | grep -v '^/$'; then fail "files outside /usr"; fi
if grep -E 'README|\.git|/usr/local/' "$tmp/files"; then fail "source-tree files packaged"; fi
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *libqt6widgets6* && $depends == *libcairo2* ]] ||
  fail "Depends does not come from the linked libraries: $depends"

root=$tmp/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/sheetwright.desktop"
# Not even a note (a missing content rating is one): only pedantic remarks pass.
appstreamcli validate --no-net "$root/usr/share/metainfo/org.sheetwright.Sheetwright.metainfo.xml" \
  >"$tmp/appstream" || { cat "$tmp/appstream"; fail "appstreamcli validate"; }
if grep -E '^[IWE]:' "$tmp/appstream"; then fail "appstreamcli validate: remarks"; fi
zcat "$root/usr/share/man/man1/sheetwright-convert.1.gz" | grep -qF '\-\-settings' ||
  fail "the converter's manual page lacks its options"

# The packaged converter draws the packaged meshes with the packaged styles (labels included).
export HOME=$tmp/home XDG_CONFIG_HOME=$tmp/home/.config
share=$root/usr/share/sheetwright
"$root/usr/bin/sheetwright-convert" --version | grep -q '[0-9]\.[0-9]' || fail "converter --version"
# Without -s and before the user has settings of their own, the packaged example is read.
"$root/usr/bin/sheetwright-convert" -f wmf,svg "$share/meshes" "$tmp/out" 2>"$tmp/convert"
grep -qF "$share/vellumist.ini" "$tmp/convert" || fail "the packaged example was not named"
for mesh in 533935-partial 533945-urban 533946-coastal; do
  [ -s "$tmp/out/$mesh.wmf" ] || fail "$mesh.wmf not stored"
done
grep -q '<text' "$tmp/out/533945-urban.svg" || fail "no labels drawn with the example styles"

# The completion offers formats after -f and the meshes of INPUT_DIR after the two folders.
complete_words() {
  COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMPREPLY=()
  _sheetwright_convert
  echo "${COMPREPLY[*]}"
}
source "$root/usr/share/bash-completion/completions/sheetwright-convert"
[ "$(complete_words sheetwright-convert -f svg,p)" = "svg,png svg,pdf" ] || fail "format completion"
[ "$(complete_words sheetwright-convert -f dx)" = "dxf dxf2010" ] || fail "format completion"
[ "$(complete_words sheetwright-convert "$share/meshes" "$tmp/out" 53394)" = \
  "533945-urban 533946-coastal" ] || fail "mesh completion"

# The desktop program loads with the packaged tree's libraries and answers --version without a
# display.
if ldd "$root/usr/bin/sheetwright" | grep 'not found'; then fail "sheetwright: missing libraries"; fi
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/sheetwright" --version |
  grep -q '[0-9]\.[0-9]' || fail "sheetwright --version"
echo "package test: $(basename "$deb") passes"
