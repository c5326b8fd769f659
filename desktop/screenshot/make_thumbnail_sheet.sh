#!/usr/bin/env bash
# docs/thumbnails.png: a folder of BLP textures as a file manager shows them, from the
# thumbnailer's own output. The textures are generated here (ImageMagick), written as BLP
# through the Qt image plugin, thumbnailed at 128 pixels and tiled with their names over a
# checkerboard that shows their alpha.
# Usage: bash desktop/screenshot/make_thumbnail_sheet.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
cmake --build "$build" --target save_as_blp ondrel-thumbnailer qblp >/dev/null
export QT_PLUGIN_PATH=$PWD/$build/plugins
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# name, subtype, ImageMagick recipe of a 256-pixel texture
make() {
  local name=$1 kind=$2; shift 2
  convert "$@" "$work/$name.png"
  "$build/desktop/screenshot/save_as_blp" "$work/$name.png" "$work/$name.blp" "$kind"
}
# Two-tone natural textures: fractal plasma mapped between two colours.
tones() { echo -seed "$1" plasma:fractal -blur 0x"$2" -colorspace gray -auto-level +level-colors "$3","$4"; }
make lava_rock jpeg -size 256x256 $(tones 7 1 '#3b0a02' '#ff9a2e')
make sky_clouds dxt -size 256x256 $(tones 3 2 '#2f6db3' '#f4f8ff')
make grass_tile jpeg -size 256x256 $(tones 11 0.8 '#1f4d12' '#a8d65a')
make water_ripples jpeg -size 256x256 $(tones 5 1.5 '#06224a' '#4fd6d0') -swirl 140
make stone_bricks dxt -size 256x256 pattern:bricks -scale 400% -negate \
  +level-colors '#4a3a2c','#bca78c' -blur 0x0.6
make spell_glow dxt -size 256x256 radial-gradient:'#fff3a0'-'#ff660000'
make rune_circle dxt -size 256x256 xc:none -stroke '#4fd1ff' -strokewidth 10 -fill none \
  -draw 'circle 128,128 128,28' -strokewidth 6 -draw 'polygon 128,44 201,170 55,170'
make ui_bar dxt -size 512x64 gradient:'#3a7bd5'-'#00d2ff' \
  \( -size 512x64 xc:none -fill '#ffffff60' -draw 'rectangle 0,0 511,20' \) -composite

mkdir -p "$work/thumbs"
for blp in "$work"/*.blp; do
  name=$(basename "$blp")
  "$build/bin/ondrel-thumbnailer" -s 128 "$blp" "$work/thumbs/$name.png"
  # Over a checkerboard, as a viewer shows transparency; the label is the file name.
  w=$(identify -format '%w' "$work/thumbs/$name.png")
  h=$(identify -format '%h' "$work/thumbs/$name.png")
  convert -size "$((2 * w))x$((2 * h))" pattern:checkerboard -scale 50% -fill white -colorize 55% \
    "$work/thumbs/$name.png" -composite \
    -set label "$name" "$work/thumbs/$name.png"
done
montage "$work"/thumbs/*.png -geometry '128x128+14+10' -tile 4x -background '#fbfbfb' \
  -pointsize 13 -fill '#303030' docs/thumbnails.png
echo "wrote docs/thumbnails.png"
