#!/usr/bin/env bash
# cpack -G DEB over the build, then the package as Debian sees it: lintian reports no error,
# the files sit under /usr, and the control data carries dpkg-shlibdeps' dependencies and the
# ldconfig trigger. Skipped (status 77) where cpack's Debian tools or lintian are missing.
set -euo pipefail
build=$1 multiarch=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg-deb dpkg-shlibdeps lintian; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
deb=$(ls "$work"/ondrel_*.deb)

control=$(dpkg-deb -f "$deb")
grep -q '^Depends:.*libqt6gui6' <<<"$control" || fail "no dependencies from dpkg-shlibdeps"
dpkg-deb -e "$deb" "$work/control"
grep -qx 'activate-noawait ldconfig' "$work/control/triggers" || fail "no ldconfig trigger"

dpkg-deb -x "$deb" "$work/root"
for f in usr/bin/ondrel usr/bin/ondrel-thumbnailer "usr/lib/$multiarch/libormel_blp.so.0" \
         "usr/lib/$multiarch/qt6/plugins/imageformats/libqblp.so" \
         usr/share/mime/packages/ondrel-blp.xml usr/share/thumbnailers/ondrel.thumbnailer \
         usr/share/man/man1/ondrel.1.gz usr/share/doc/ondrel/copyright \
         usr/share/doc/ondrel/changelog.gz; do
  [ -e "$work/root/$f" ] || fail "$f is not in the package"
done

# The caches belong to the system, refreshed by triggers, never shipped.
if find "$work/root" -name mime.cache -o -name mimeinfo.cache -o -name icon-theme.cache | grep -q .; then
  fail "the package ships a database cache"
fi

# Errors fail the test; warnings are shown for whoever reads the log.
status=0
lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || status=$?
grep -v 'root privileges' "$work/lintian.log" || true
[ "$status" -eq 0 ] || fail "lintian reports errors"
echo "package $(basename "$deb") is accepted by lintian"
