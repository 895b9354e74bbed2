#!/usr/bin/env bash
# Renders the kiosk's pictures from the SVG drawings in src/ to the PNG files beside this
# script, at their exact sizes. The PNG files are kept in the source tree, so building the
# program needs none of this; run it after changing a drawing.
#
# Needs rsvg-convert (Debian package librsvg2-bin) and, for the two logos with the word
# "Orbeta", the DejaVu Sans Bold font (fonts-dejavu-core).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
src="$here/src"
command -v rsvg-convert >/dev/null || { echo "rsvg-convert is missing (apt-get install librsvg2-bin)" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# render OUTPUT SVG WIDTH HEIGHT [X Y]: the WIDTH x HEIGHT area of the drawing whose top left
# corner is at X, Y (the group that the drawing names after OUTPUT), to one PNG file.
render() {
  local output="$1" svg="$2" width="$3" height="$4" x="${5:-0}" y="${6:-0}"
  rsvg-convert --page-width="$width" --page-height="$height" --left="$((-x))" --top="$((-y))" \
    "$svg" -o "$here/$output"
  echo "$output ${width}x${height}"
}

# The logo animation: in frame i the orbit dot stands at the parameter angle 30 + i * 360 / 46
# degrees and the globe's meridians at the longitudes 15 + i * 60 / 46 (+ 0, 60, 120) degrees,
# so the strip loops without a jump and frame 0 is the rest frame of logo.svg.
frames=46
{
  sed '/<!-- frames -->/,$d' "$src/logo.svg" \
    | sed -e "s/width=\"39\" height=\"47\" viewBox=\"0 0 39 47\"/width=\"$((39 * frames))\" height=\"47\" viewBox=\"0 0 $((39 * frames)) 47\"/" \
          -e '/^  <rect width="39" height="47"/d' -e '/^  <use xlink:href="#mark"/d' \
          -e 's/xlink:href="logo.svg#/xlink:href="#/'
  echo "  <g id=\"LOGO_ANIM\">"
  echo "    <rect width=\"$((39 * frames))\" height=\"47\" fill=\"#000\"/>"
  awk -v n="$frames" 'BEGIN {
    pi = atan2(0, -1)
    for (i = 0; i < n; i++) {
      t = (30 + i * 360 / n) * pi / 180
      x = 17.5 * cos(t); y = 5.5 * sin(t)
      behind = (y < 0)
      dot = sprintf("<circle transform=\"rotate(-22)\" cx=\"%.2f\" cy=\"%.2f\" r=\"%s\" fill=\"#ffc23a\"/>", x, y, behind ? "2.1" : "2.7")
      meridians = ""
      for (k = 0; k < 3; k++) {
        c = cos((15 + i * 60 / n + 60 * k) * pi / 180)
        meridians = meridians sprintf("<ellipse rx=\"%.2f\" ry=\"11.2\"/>", 11.2 * (c < 0 ? -c : c))
      }
      printf "    <g transform=\"translate(%d.5 23.5)\">\n", 39 * i + 19
      printf "      <use xlink:href=\"#orbit-back\" transform=\"rotate(-22)\"/>\n"
      if (behind) printf "      %s\n", dot
      printf "      <use xlink:href=\"#globe\"/>\n"
      printf "      <g fill=\"none\" stroke=\"#5fc4d0\" stroke-width=\"1\" opacity=\".8\">%s</g>\n", meridians
      printf "      <use xlink:href=\"#ring\"/>\n"
      printf "      <use xlink:href=\"#orbit-front\" transform=\"rotate(-22)\"/>\n"
      if (!behind) printf "      %s\n", dot
      printf "    </g>\n"
    }
  }'
  echo "  </g>"
  echo "</svg>"
} > "$work/logo_anim.svg"

render TOOLBAR_MAIN.png          "$src/toolbar_main.svg" 435 29
render TOOLBAR_MAIN_HOT.png      "$src/toolbar_main.svg" 435 29 0 39
render TOOLBAR_MAIN_DISABLED.png "$src/toolbar_main.svg" 435 29 0 78
render LINKS.png                 "$src/links.svg" 84 14
render LINKS_HOT.png             "$src/links.svg" 84 14 0 24
render LEDS.png                  "$src/leds.svg" 64 16
render PICTSYS.png               "$src/pictsys.svg" 432 18
render TOOLBAR.png               "$src/editor.svg" 220 20
render MENU.png                  "$src/editor.svg" 288 18 0 30
render MENU_MAIN.png             "$src/menu_main.svg" 220 20
render LOGO_ANIM.png             "$work/logo_anim.svg" $((39 * frames)) 47
render PIC_1000.png              "$src/splash.svg" 309 92
render PIC_1001.png              "$src/about.svg" 200 72
render CURSOR_8100.png           "$src/cursors.svg" 32 32
render CURSOR_8101.png           "$src/cursors.svg" 32 32 42 0
