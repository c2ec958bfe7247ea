#!/bin/sh
# contact_sheet_test.sh TOOL ASSETS OUT.png SCENE_SOURCE: the sheet is drawn from every
# asset and is a real picture of a sensible size; beside it, views of the level from its
# camera.
set -eu
tool=$1 assets=$2 out=$3 source=$4
rm -f "$out"
"$tool" "$assets" "$out"
size=$(wc -c < "$out")
[ "$size" -gt 200000 ] || { echo "contact sheet is only $size bytes"; exit 1; }
head -c 8 "$out" | od -An -c | grep -q 'P   N   G' || { echo "not a PNG"; exit 1; }
# A missing texture must fail the sheet, not leave a hole in it.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp "$assets"/*.3df "$scratch"/
printf 'not a texture' > "$scratch/broken.tga"
if "$tool" "$scratch" "$scratch/sheet.png" 2>/dev/null; then echo "a broken texture was drawn"; exit 1; fi
preview="${out%.png}_level.png"
"$tool" --scene "$source" "$assets" "$preview"
[ "$(wc -c < "$preview")" -gt 200000 ] || { echo "level preview too small"; exit 1; }
echo "contact sheet: $out ($size bytes), level views: $preview"
