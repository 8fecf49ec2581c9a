#!/usr/bin/env bash
# Writes the picture loader's fixtures with other programs (ImageMagick, libjpeg-turbo's cjpeg,
# libtiff's tools), so that the tests read files that our own code did not write. Run it from
# anywhere; it rewrites the files next to itself. Most show the same 64 × 48 picture: red top
# left, green top right, blue bottom left, white bottom right.
set -euo pipefail
cd "$(dirname "$0")"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert() { /usr/bin/convert "$@"; }

convert -size 32x24 xc:'#FF0000' xc:'#00FF00' +append \( -size 32x24 xc:'#0000FF' xc:'#FFFFFF' +append \) -append \
    -depth 8 "$work/quadrants.ppm"
convert -size 64x48 gradient:black-white -depth 8 "$work/grey.pgm"

# Windows bitmaps
convert "$work/quadrants.ppm" BMP3:quadrants.bmp
convert "$work/quadrants.ppm" -type Palette -compress RLE BMP3:quadrants-rle8.bmp
# JPEG
cjpeg -quality 95 -outfile quadrants.jpg "$work/quadrants.ppm"
cjpeg -quality 95 -progressive -outfile quadrants-progressive.jpg "$work/quadrants.ppm"
cjpeg -quality 95 -grayscale -outfile grey.jpg "$work/grey.pgm"
convert "$work/quadrants.ppm" -colorspace CMYK -quality 95 JPEG:quadrants-cmyk.jpg
# GIF
convert "$work/quadrants.ppm" GIF:quadrants.gif
convert "$work/quadrants.ppm" -interlace GIF GIF:quadrants-interlaced.gif
convert -size 20x10 xc:'#FF0000' -repage 64x48+30+20 GIF:gif-frame-smaller-than-screen.gif
# ImageMagick names the frame's own red as the screen's background; point it at entry 1 (black)
# so that the screen around the frame differs from the frame.
printf '\001' | dd of=gif-frame-smaller-than-screen.gif bs=1 seek=11 conv=notrunc status=none
convert -size 40x40 xc:'#00FF00' -size 40x40 xc:'#FF00FF' GIF:gif-two-frames.gif
# PNG
convert "$work/quadrants.ppm" -define png:exclude-chunks=date,time PNG24:quadrants.png
convert "$work/quadrants.ppm" -interlace PNG -define png:exclude-chunks=date,time PNG24:quadrants-interlaced.png
convert "$work/quadrants.ppm" -alpha set -region 32x24+0+0 -alpha transparent +region -define png:exclude-chunks=date,time PNG32:quadrants-transparent-top-left.png
convert "$work/grey.pgm" -depth 16 -define png:bit-depth=16 -define png:color-type=0 -define png:exclude-chunks=date,time PNG:grey-16bit.png
convert "$work/quadrants.ppm" -define png:bit-depth=4 -define png:color-type=3 -define png:exclude-chunks=date,time PNG:quadrants-palette4.png
convert -size 64x48 xc:white -fill black -draw 'rectangle 0,0 31,47' -depth 1 -type Bilevel -define png:exclude-chunks=date,time PNG:bilevel-1bit.png
head -c 150 quadrants.png > truncated.png
# TIFF
convert "$work/quadrants.ppm" -compress LZW TIFF:quadrants.tif
convert -size 64x48 xc:white -fill black -draw 'rectangle 0,0 31,47' -monochrome -depth 1 -compress None TIFF:"$work/bilevel.tif"
tiffcp -c g3 "$work/bilevel.tif" fax-group3.tif
tiffcp -c g4 "$work/bilevel.tif" fax-group4.tif
convert "$work/quadrants.ppm" -size 40x40 xc:black -compress LZW TIFF:tiff-two-pages.tif
# Targa, PCX, Photoshop, SGI, portable anymap
convert "$work/quadrants.ppm" TGA:quadrants.tga
convert "$work/quadrants.ppm" -compress RLE TGA:quadrants-rle.tga
convert "$work/quadrants.ppm" PCX:quadrants.pcx
convert "$work/quadrants.ppm" -depth 8 PSD:quadrants.psd
convert "$work/quadrants.ppm" -depth 8 SGI:quadrants.sgi
convert "$work/grey.pgm" -depth 8 -colorspace Gray SGI:grey.bw
cp "$work/quadrants.ppm" quadrants.ppm
cp "$work/grey.pgm" grey.pgm
convert -size 64x48 xc:white -fill black -draw 'rectangle 0,0 31,47' -type Bilevel PBM:bilevel.pbm
# Photo-CD always holds the 768 × 512 base; compressed, it is a few KiB.
convert "$work/quadrants.ppm" -resize 768x512! PCD:"$work/quadrants.pcd"
gzip -9 -n -c "$work/quadrants.pcd" > quadrants.pcd.gz
# Icon
convert "$work/quadrants.ppm" -resize 48x48! ICO:icon-48.ico
# The smallest side accepted, and one pixel less
convert -size 31x500 xc:'#808080' -define png:exclude-chunks=date,time PNG24:narrow-31x500.png
convert -size 32x32 xc:'#808080' -define png:exclude-chunks=date,time PNG24:square-32x32.png
# The remaining PNG colour types: 16-bit colour, grey with alpha, palette with transparency
convert "$work/quadrants.ppm" -depth 16 -define png:exclude-chunks=date,time PNG48:quadrants-16bit.png
convert "$work/quadrants.ppm" -colorspace Gray -alpha set -region 32x24+0+0 -alpha transparent +region \
    -define png:color-type=4 -define png:exclude-chunks=date,time PNG:grey-alpha-transparent-top-left.png
convert "$work/quadrants.ppm" -alpha set -region 32x24+0+0 -alpha transparent +region \
    -define png:exclude-chunks=date,time PNG8:quadrants-palette-transparent-top-left.png
# Rows stored from the bottom up, and tall enough to be converted in more than one band
convert -size 2048x150 xc:'#FF0000' xc:'#00FF00' +append \( -size 2048x150 xc:'#0000FF' xc:'#FFFFFF' +append \) \
    -append -depth 8 -orient bottom-left -compress Zip TIFF:tiff-bottom-up-4096x300.tif
# HEIF, WebP, AVIF and JPEG XL, each written by its own library's encoder. heif-enc misreads
# palette PNGs, so its inputs are true-colour ones.
convert -seed 7 -size 64x48 plasma:fractal -blur 0x1.5 -depth 8 -define png:exclude-chunks=date,time \
    PNG24:photo-plasma-64x48.png
heif-enc -o photo-plasma.heic photo-plasma-64x48.png >/dev/null
cwebp -quiet photo-plasma-64x48.png -o photo-plasma.webp
cwebp -quiet -lossless photo-plasma-64x48.png -o photo-plasma-lossless.webp
avifenc photo-plasma-64x48.png photo-plasma.avif >/dev/null
cjxl photo-plasma-64x48.png photo-plasma.jxl >/dev/null 2>&1
convert "$work/quadrants.ppm" PNG24:"$work/quadrants.png"
heif-enc -o quadrants.heic "$work/quadrants.png" >/dev/null
cwebp -quiet "$work/quadrants.png" -o quadrants.webp
avifenc "$work/quadrants.png" quadrants.avif >/dev/null
cjxl "$work/quadrants.png" quadrants.jxl >/dev/null 2>&1
# Grey: coded with one channel, which the readers give as Palette8
convert "$work/grey.pgm" -define png:color-type=0 PNG:"$work/grey.png"
heif-enc -o grey.heic "$work/grey.png" >/dev/null
avifenc -y 400 "$work/grey.png" grey.avif >/dev/null
cjxl "$work/grey.png" grey.jxl >/dev/null 2>&1
# Alpha, and samples of more than 8 bits
heif-enc -o quadrants-transparent-top-left.heic quadrants-transparent-top-left.png >/dev/null
cwebp -quiet -lossless quadrants-transparent-top-left.png -o quadrants-transparent-top-left.webp
avifenc quadrants-transparent-top-left.png quadrants-transparent-top-left.avif >/dev/null
cjxl quadrants-transparent-top-left.png quadrants-transparent-top-left.jxl >/dev/null 2>&1
heif-enc -b 10 -o quadrants-10bit.heic quadrants-16bit.png >/dev/null
avifenc -d 12 quadrants-16bit.png quadrants-12bit.avif >/dev/null
cjxl quadrants-16bit.png quadrants-16bit.jxl >/dev/null 2>&1
# Turned pictures. heif-enc writes no rotation, so the HEIF one is AV1-coded by avifenc, whose
# rotation libheif applies and libavif leaves alone. cjxl keeps the orientation of a JPEG
# whose Exif block says "turn 90° clockwise".
avifenc --irot 1 "$work/quadrants.png" heif-av1-turned-90-anticlockwise.heif >/dev/null
{
    printf '\377\330\377\341\000\042Exif\000\000MM\000\052\000\000\000\010\000\001'
    printf '\001\022\000\003\000\000\000\001\000\006\000\000\000\000\000\000'
    tail -c +3 quadrants.jpg
} >"$work/turned.jpg"
cjxl "$work/turned.jpg" jxl-turned-90-clockwise.jxl >/dev/null 2>&1
# Two pictures, green then magenta: the first is the one read
convert -size 64x48 xc:'#00FF00' PNG24:"$work/green.png"
convert -size 64x48 xc:'#FF00FF' PNG24:"$work/magenta.png"
convert -delay 10 "$work/green.png" "$work/magenta.png" "$work/two-frames.gif"
heif-enc -o heif-two-images.heic "$work/green.png" "$work/magenta.png" >/dev/null
gif2webp -quiet "$work/two-frames.gif" -o webp-two-frames.webp
avifenc "$work/green.png" "$work/magenta.png" avif-two-frames.avif >/dev/null
cjxl "$work/two-frames.gif" jxl-two-frames.jxl >/dev/null 2>&1
