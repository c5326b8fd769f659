#!/usr/bin/env bash
# The installed tree under PREFIX: every file in its standard place, the library with its
# soname, programs that start from the prefix alone, and desktop data the validators accept.
set -euo pipefail
prefix=$1 multiarch=$2 sample=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
need() { command -v "$1" >/dev/null || fail "$1 is missing (scripts/deps.sh installs it)"; }

lib=lib/$multiarch
expected=(
  bin/ondrel
  bin/ondrel-thumbnailer
  "$lib/libormel_blp.so.0"
  "$lib/qt6/plugins/imageformats/libqblp.so"
  share/ondrel/jpeg.dat
  share/applications/ondrel.desktop
  share/mime/packages/ondrel-blp.xml
  share/thumbnailers/ondrel.thumbnailer
  share/metainfo/org.ondrel.Ondrel.metainfo.xml
  share/icons/hicolor/scalable/apps/ondrel.svg
  share/icons/hicolor/scalable/mimetypes/image-x-blp.svg
  share/man/man1/ondrel.1
  share/man/man1/ondrel-thumbnailer.1
  share/doc/ondrel/copyright
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/ondrel.png"
             "share/icons/hicolor/${size}x${size}/mimetypes/image-x-blp.png")
done
for f in "${expected[@]}"; do [ -e "$prefix/$f" ] || fail "$f is not installed"; done
# Language files go beside jpeg.dat when the source tree has them.
for lng in "$(dirname "$0")"/../../lang/*.lng; do
  [ -e "$lng" ] || continue
  [ -e "$prefix/share/ondrel/$(basename "$lng")" ] || fail "$(basename "$lng") is not installed"
done
# The Qt 5 plugin, where Qt 5's development files were there, comes with KDE 5's description.
if [ -e "$prefix/$lib/qt5/plugins/imageformats/libqblp.so" ]; then
  grep -qx 'X-KDE-MimeType=image/x-blp' "$prefix/share/kservices5/qimageioplugins/blp.desktop" ||
    fail "the Qt 5 plugin has no kservices5 description"
fi
# ondrel-convert and its man page come with it when it is built.
if [ -e "$prefix/bin/ondrel-convert" ]; then
  ls "$prefix"/share/man/man1/ondrel-convert.1* >/dev/null 2>&1 || fail "ondrel-convert has no man page"
fi

soname=$(readelf -d "$prefix/$lib/libormel_blp.so.0" | sed -n 's/.*SONAME.*\[\(.*\)\]/\1/p')
[ "$soname" = libormel_blp.so.0 ] || fail "soname is '$soname'"
[ ! -e "$prefix/$lib/libormel_blp.so" ] || fail "the development symlink has no header to go with"
for symbol in BLP_LoadFromMemoryEx BLP_SaveToMemory BLP_FreeMem GetLibraryVersion; do
  nm -D --defined-only "$prefix/$lib/libormel_blp.so.0" | grep -qw "$symbol" || fail "$symbol is not exported"
done

# The installed thumbnailer finds the installed library by itself.
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
env -u LD_LIBRARY_PATH "$prefix/bin/ondrel-thumbnailer" -s 64 "$sample" "$out/t.png" ||
  fail "the installed thumbnailer does not run"
[ -s "$out/t.png" ] || fail "the installed thumbnailer wrote nothing"

# The entries name programs and icons that are installed.
grep -qx 'Exec=ondrel %f' "$prefix/share/applications/ondrel.desktop" || fail "desktop Exec"
grep -qx 'MimeType=image/x-blp;image/x-tga;image/x-dds;image/bmp;image/png;image/jpeg;' "$prefix/share/applications/ondrel.desktop" || fail "desktop MimeType"
grep -qx 'Categories=Graphics;Viewer;2DGraphics;' "$prefix/share/applications/ondrel.desktop" ||
  fail "desktop Categories"
exec_line=$(sed -n 's/^Exec=//p' "$prefix/share/thumbnailers/ondrel.thumbnailer")
[ -x "$prefix/bin/${exec_line%% *}" ] || fail "the thumbnailer entry runs '${exec_line%% *}'"

need desktop-file-validate
desktop-file-validate "$prefix/share/applications/ondrel.desktop"
need appstreamcli
appstreamcli validate --no-net "$prefix/share/metainfo/org.ondrel.Ondrel.metainfo.xml" >/dev/null ||
  appstreamcli validate --no-net "$prefix/share/metainfo/org.ondrel.Ondrel.metainfo.xml"
echo "installed tree is complete"
