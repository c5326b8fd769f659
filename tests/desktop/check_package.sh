#!/usr/bin/env bash
# cpack -G DEB over the build, then the packages as Debian sees them: the split (library,
# program, common data, one package per plugin) with the right dependencies, the library's
# shlibs file and ldconfig trigger, no maintainer scripts, hardened binaries, lintian without
# errors or warnings, and an install into and removal from a temporary root with dpkg --root.
# Skipped (status 77) where cpack's Debian tools or lintian are missing.
set -euo pipefail
build=$1 multiarch=$2
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack dpkg dpkg-deb dpkg-shlibdeps lintian readelf; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack failed"; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")/\1/p' "$build/CPackConfig.cmake")
lib=usr/lib/$multiarch

deb() { ls "$work/$1"_*.deb 2>/dev/null || fail "no package $1"; }
depends() { dpkg-deb -f "$(deb "$1")" Depends; }
# Listings are taken whole first: grep -q in a pipe would stop its writer (pipefail).
has() { grep -qx "./$2" <<<"$(dpkg-deb -c "$(deb "$1")" | awk '{print $6}')" || fail "$1 lacks $2"; }
needs() { grep -qE "(^|, )$2( |,|$)" <<<"$(depends "$1")" || fail "$1 does not depend on $2"; }
lacks() { ! grep -qE "(^|, )$2( |,|$)" <<<"$(depends "$1")" || fail "$1 depends on $2"; }

packages=(libormel-blp0 ondrel ondrel-common ondrel-qt6-imageformat ondrel-qt5-imageformat
          ondrel-pixbuf-loader)
for p in "${packages[@]}"; do
  has "$p" "usr/share/doc/$p/copyright"
  has "$p" "usr/share/doc/$p/changelog.gz"
  dpkg-deb -e "$(deb "$p")" "$work/control-$p"
  for script in preinst postinst prerm postrm; do
    [ ! -e "$work/control-$p/$script" ] || fail "$p has a $script script"
  done
done

# The library: its soname's package, with the shlibs file others depend through and ldconfig.
has libormel-blp0 "$lib/libormel_blp.so.0"
grep -qx "libormel_blp 0 libormel-blp0 (>= $version)" "$work/control-libormel-blp0/shlibs" ||
  fail "libormel-blp0 has no shlibs line"
grep -qx 'activate-noawait ldconfig' "$work/control-libormel-blp0/triggers" || fail "no ldconfig trigger"
[ "$(dpkg-deb -f "$(deb libormel-blp0)" Section)" = libs ] || fail "the library is not in libs"

# The program and its data; the plugins need the library and the type, never the program.
for f in usr/bin/ondrel usr/bin/ondrel-thumbnailer usr/share/ondrel/jpeg.dat \
         usr/share/applications/ondrel.desktop usr/share/thumbnailers/ondrel.thumbnailer \
         usr/share/man/man1/ondrel.1.gz; do has ondrel "$f"; done
has ondrel-common usr/share/mime/packages/ondrel-blp.xml
[ "$(dpkg-deb -f "$(deb ondrel-common)" Architecture)" = all ] || fail "ondrel-common is not arch all"
has ondrel-qt6-imageformat "$lib/qt6/plugins/imageformats/libqblp.so"
has ondrel-qt5-imageformat "$lib/qt5/plugins/imageformats/libqblp.so"
has ondrel-qt5-imageformat usr/share/kservices5/qimageioplugins/blp.desktop
has ondrel-pixbuf-loader "$lib/gdk-pixbuf-2.0/2.10.0/loaders/libpixbufloader-blp.so"
needs ondrel libormel-blp0 && needs ondrel ondrel-common && needs ondrel qt6-qpa-plugins
needs ondrel libqt6gui6
needs ondrel-qt6-imageformat libormel-blp0 && needs ondrel-qt6-imageformat libqt6gui6
needs ondrel-qt5-imageformat libormel-blp0 && needs ondrel-qt5-imageformat libqt5gui5
needs ondrel-pixbuf-loader libormel-blp0 && needs ondrel-pixbuf-loader ondrel-common
needs ondrel-pixbuf-loader libgdk-pixbuf-2.0-0
for p in libormel-blp0 ondrel-qt6-imageformat ondrel-qt5-imageformat ondrel-pixbuf-loader; do
  lacks "$p" ondrel
done
# Files belong to one package each.
for p in "${packages[@]}"; do dpkg-deb -c "$(deb "$p")" | awk '$1 !~ /^d/ {print $6}'; done |
  sort | uniq -d | grep . && fail "files shipped twice"

# The caches belong to the system, refreshed by triggers, never shipped.
for p in "${packages[@]}"; do dpkg-deb -x "$(deb "$p")" "$work/tree"; done
if find "$work/tree" -name mime.cache -o -name mimeinfo.cache -o -name icon-theme.cache \
     -o -name loaders.cache | grep -q .; then
  fail "a package ships a database cache"
fi

# Hardened as Debian builds: PIE programs, full relro with bind-now, fortified calls.
for f in usr/bin/ondrel usr/bin/ondrel-thumbnailer "$lib/libormel_blp.so.0" \
         "$lib/qt6/plugins/imageformats/libqblp.so"; do
  elf=$work/tree/$f
  grep -q GNU_RELRO <<<"$(readelf -lW "$elf")" || fail "$f has no relro"
  grep -qE 'BIND_NOW|FLAGS.*NOW' <<<"$(readelf -dW "$elf")" || fail "$f is not bound now"
done
for f in usr/bin/ondrel usr/bin/ondrel-thumbnailer; do
  grep -q 'DYN' <<<"$(readelf -hW "$work/tree/$f")" || fail "$f is not PIE"
done
grep -q '__[a-z]*_chk' <<<"$(readelf -sW --dyn-syms "$work/tree/usr/bin/ondrel")" ||
  fail "no fortified calls"

# lintian: neither errors nor warnings (its note about running as root is not about us).
status=0
lintian --fail-on error,warning "$work"/*.deb >"$work/lintian.log" 2>&1 || status=$?
grep -v 'root privileges' "$work/lintian.log" || true
[ "$status" -eq 0 ] || fail "lintian reports errors or warnings"

# Installed into and purged from an empty root (no maintainer scripts to run, dependencies
# outside the root not checked).
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
if dpkg --root="$root" --force-depends --force-script-chrootless --no-triggers \
     -i "$work"/*.deb >"$work/dpkg.log" 2>&1; then
  for f in usr/bin/ondrel "$lib/libormel_blp.so.0" "$lib/qt5/plugins/imageformats/libqblp.so" \
           "$lib/gdk-pixbuf-2.0/2.10.0/loaders/libpixbufloader-blp.so"; do
    [ -e "$root/$f" ] || fail "$f is not installed by dpkg"
  done
  dpkg --root="$root" --force-depends --force-script-chrootless --no-triggers \
    --purge "${packages[@]}" >>"$work/dpkg.log" 2>&1 || { cat "$work/dpkg.log"; fail "purge failed"; }
  left=$(find "$root" -path "$root/var" -prune -o -type f -print)
  [ -z "$left" ] || fail "files left after purge: $left"
  echo "dpkg installed and purged the packages in a temporary root"
else
  cat "$work/dpkg.log"
  echo "note: dpkg cannot install into a temporary root here; contents checked only"
fi
echo "packages accepted by lintian: $(cd "$work" && ls *.deb | tr '\n' ' ')"
