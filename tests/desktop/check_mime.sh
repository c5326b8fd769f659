#!/usr/bin/env bash
# The image/x-blp type installed under PREFIX, as the freedesktop tools see it once
# update-mime-database has run: BLP1 and BLP2 files are image/x-blp by name and by signature.
# A text file named x.blp is image/x-blp only while nothing else claims *.blp (the name alone
# decides then, by the freedesktop rules); with a database that also gives *.blp to Blueprint
# sources, as newer shared-mime-info releases do, the signature must tell them apart.
set -euo pipefail
prefix=$1 fixtures=$2 standin=$(dirname "$0")/standin
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in update-mime-database xdg-mime mimetype; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps.sh installs it)"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
XDG_DATA_DIRS="$prefix/share" update-mime-database "$prefix/share/mime"
mkdir -p "$work/other/mime/packages" "$work/home"
cp "$standin/blueprint-standin.xml" "$work/other/mime/packages/"
XDG_DATA_DIRS="$work/other" update-mime-database "$work/other/mime"

cp "$fixtures/blp/blp1_paletted_alpha.blp" "$work/one.blp"
cp "$fixtures/blp/blp2_dxt1.blp" "$work/two.blp"
cp "$fixtures/blp/blp2_dxt1.blp" "$work/texture.bin"
printf 'using Gtk 4.0;\ntemplate $Window : Gtk.ApplicationWindow {}\n' > "$work/x.blp"

# query DATA_DIRS DESKTOP FILE: the type xdg-mime gives, with nothing of the user's own.
query() {
  env -u XDG_CURRENT_DESKTOP XDG_DATA_HOME="$work/home" XDG_DATA_DIRS="$1" \
    ${2:+XDG_CURRENT_DESKTOP=$2} xdg-mime query filetype "$3"
}
expect() {
  local got; got=$(query "$1" "$2" "$work/$3")
  [ "$got" = "$4" ] || fail "${2:-generic} desktop, ${1%%:*}...: $3 is '$got', expected '$4'"
}
expect_not() {
  local got; got=$(query "$1" "$2" "$work/$3")
  [ "$got" != "$4" ] || fail "${2:-generic} desktop: $3 is '$got'"
}

desktops=("")
command -v gio >/dev/null && desktops+=(GNOME)
for desktop in "${desktops[@]}"; do
  for dirs in "$prefix/share:/usr/share" "$prefix/share:$work/other:/usr/share"; do
    expect "$dirs" "$desktop" one.blp image/x-blp
    expect "$dirs" "$desktop" two.blp image/x-blp
    expect "$dirs" "$desktop" texture.bin image/x-blp
  done
  expect_not "$prefix/share:$work/other:/usr/share" "$desktop" x.blp image/x-blp
done
echo "image/x-blp is recognised by name and by signature"
