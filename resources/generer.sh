#!/bin/sh
# Regenerates the committed PNG and ICO files from their SVG sources.
# Needs rsvg-convert (Debian: librsvg2-bin) and ImageMagick's convert.
# The build never runs this: its outputs are committed beside the SVGs.
set -eu

cd "$(dirname "$0")"

# Button glyphs, 32x32.
for nom in valider annuler; do
    rsvg-convert -w 32 -h 32 -o "glyphes/$nom.png" "glyphes/$nom.svg"
done

# Program icon in the three sizes the executable carries.
for taille in 16 32 48; do
    rsvg-convert -w "$taille" -h "$taille" -o "icone/quilvarest-$taille.png" icone/quilvarest.svg
done

# The Windows icon holds the same three images (32-bit, alpha kept).
convert icone/quilvarest-16.png icone/quilvarest-32.png icone/quilvarest-48.png icone/quilvarest.ico
