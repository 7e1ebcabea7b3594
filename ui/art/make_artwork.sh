#!/bin/sh
# Renders the bootstrapper's pictures from the MVG sources beside this
# script: the banner (bitmap 130, 634 x 78), the splash (bitmap 133,
# 428 x 211), both 24 bits per pixel without alpha, and the application icon
# (icon 5) at 16, 32 and 48 pixels. Needs ImageMagick 6 and the DejaVu fonts.
# The results are kept in the repository, so building needs neither.
set -eu
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

render() { # source width height output
    convert -size "$2x$3" -background none "mvg:$1" "$4"
}

render mark.mvg 256 256 "$work/mark.png"
convert "$work/mark.png" -resize 50x50 "$work/mark_banner.png"
convert "$work/mark.png" -resize 84x84 "$work/mark_splash.png"

# Pictures the MVG sources place by name are looked up in the working folder.
cp banner.mvg splash.mvg "$work/"
(cd "$work" && render banner.mvg 634 78 banner.png && render splash.mvg 428 211 splash.png)

for name in banner splash; do
    convert "$work/$name.png" -background white -alpha remove -alpha off -type TrueColor \
        -define bmp:format=bmp3 "BMP3:$name.bmp"
done

# Each icon size is resampled from the large mark; the smallest gets a
# little sharpening so the ring stays crisp.
convert "$work/mark.png" -resize 48x48 "$work/i48.png"
convert "$work/mark.png" -resize 32x32 "$work/i32.png"
convert "$work/mark.png" -resize 16x16 -unsharp 0x0.6 "$work/i16.png"
convert "$work/i16.png" "$work/i32.png" "$work/i48.png" corvane.ico
identify banner.bmp splash.bmp corvane.ico
