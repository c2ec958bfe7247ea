#!/bin/sh
# zubra-texture TOOL CORPUS: converting the seed TGAs again must reproduce the seeds, and
# sizes the engine cannot load must be refused.
set -eu
tool=$1
corpus=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for name in four_colours eight_colours; do
  "$tool" "$corpus/tga/${name}_32.tga" "$work/$name.tga" > /dev/null
  cmp "$corpus/tga/${name}_32.tga" "$work/$name.tga"
  "$tool" "$corpus/tga/${name}_32.tga" "$work/$name.kor.texture" > /dev/null
  cmp "$corpus/engine/$name.kor.texture" "$work/$name.kor.texture"
done

"$tool" "$corpus/tga/four_colours_32.tga" "$work/four_24.tga" --depth 24 > /dev/null
size=$(wc -c < "$work/four_24.tga")
[ "$size" -eq $((18 + 4 * 4 * 3)) ] || { echo "depth 24 TGA has $size bytes"; exit 1; }

# A 3 x 2 image: the TGA writer itself makes it, the tool must refuse to pass it on.
printf '\000\000\002\000\000\000\000\000\000\000\000\000\003\000\002\000\030\040' > "$work/odd.tga"
head -c 18 /dev/zero >> "$work/odd.tga"
if "$tool" "$work/odd.tga" "$work/odd.kor.texture" 2> "$work/err"; then
  echo "a 3 x 2 image was converted"; exit 1
fi
grep -q "not a power of two" "$work/err"
[ ! -e "$work/odd.kor.texture" ]

if "$tool" "$work/missing.png" "$work/x.tga" 2> /dev/null; then echo "missing input accepted"; exit 1; fi
if "$tool" "$corpus/tga/four_colours_32.tga" "$work/x.bmp" 2> /dev/null; then echo "unknown output accepted"; exit 1; fi
echo ok
