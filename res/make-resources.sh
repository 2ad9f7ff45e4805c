#!/usr/bin/env bash
# Makes the program's pictures and sound from Debian's ImageMagick and sox. The files it writes are
# committed beside it; run it again after changing a drawing below.
#   close_normal.png  16 × 16 RGBA: a white ×, transparent around it (RCDATA 500)
#   close_hover.png   16 × 16 RGBA: the same × in pink 212, 35, 122 (RCDATA 501)
#   dovrane.ico       the program's icon at 16, 32 and 48 pixels (icon group 100)
#   click.wav         a 25 ms click, 16-bit mono 22050 Hz (WAVE 29185)
set -euo pipefail
cd "$(dirname "$0")"

# PNGs without time stamps, so that running the script again gives the same bytes.
png_options=(-define png:exclude-chunks=date,time +set date:create +set date:modify)

close_mark() {   # colour, output file
    convert -size 16x16 xc:none -stroke "$1" -strokewidth 2.2 -fill none \
        -draw "line 4,4 11.5,11.5" -draw "line 11.5,4 4,11.5" "${png_options[@]}" "PNG32:$2"
}
close_mark 'rgb(255,255,255)' close_normal.png
close_mark 'rgb(212,35,122)' close_hover.png

# The icon: a database drum in light grey on the window's slate blue, drawn at 48 pixels and
# scaled down for the smaller sizes.
convert -size 48x48 xc:none \
    -fill 'rgb(50,65,85)' -draw "roundrectangle 1,1 46,46 8,8" \
    -fill 'rgb(236,236,236)' -stroke 'rgb(50,65,85)' -strokewidth 2 \
    -draw "rectangle 12,14 36,34" -draw "ellipse 24,34 12,5 0,180" -draw "ellipse 24,14 12,5 0,360" \
    -fill none -draw "arc 12,19 36,29 0,180" -draw "arc 12,25 36,35 0,180" \
    -define icon:auto-resize=48,32,16 "${png_options[@]}" dovrane.ico

# -R and -D: no random dither, so the same bytes come out each time.
sox -R -D -n -r 22050 -c 1 -b 16 click.wav synth 0.025 sine 1800 fade q 0 0.025 0.02 vol 0.6
