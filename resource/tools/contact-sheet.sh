#!/usr/bin/env bash
# Lays every rendered picture out on one sheet (large, toolbar size, button size on the
# buttons' blue, menu size, and the two notices) so the set can be checked by eye in one look.
#   contact-sheet.sh <dir with the rendered PNGs> <output.png>
set -euo pipefail
dir=$(cd "$1" && pwd)
out=$2
icons=(USBconnect res dataView importStorage sampleInterval auto format-xlsx format-pdf info
       live base_data language change delete save clear appIcon)

cell=140
cols=9
width=$((cols * cell + 20))
svg="$dir/contact-sheet.svg"
{
  echo "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' width='$width' height='660'>"
  echo "<rect width='100%' height='100%' fill='#EFEFEF'/>"
  echo "<g font-family='DejaVu Sans' font-size='11' fill='#333' text-anchor='middle'>"
  i=0
  for n in "${icons[@]}"; do
    x=$((10 + (i % cols) * cell)); y=$((10 + (i / cols) * 160))
    echo "<image x='$((x + 6))' y='$y' width='128' height='128' xlink:href='$n.png'/>"
    echo "<text x='$((x + 70))' y='$((y + 145))'>$n</text>"
    i=$((i + 1))
  done
  # Toolbar size on the window grey, then button size on the buttons' blue.
  y=330
  i=0
  for n in "${icons[@]}"; do
    x=$((20 + i * 52))
    echo "<image x='$x' y='$y' width='32' height='32' xlink:href='$n.png'/>"
    echo "<rect x='$((x - 4))' y='$((y + 44))' width='31' height='31' rx='3' fill='rgb(142,189,243)'/>"
    echo "<image x='$x' y='$((y + 48))' width='23' height='23' xlink:href='$n.png'/>"
    echo "<image x='$x' y='$((y + 84))' width='16' height='16' xlink:href='$n.png'/>"
    i=$((i + 1))
  done
  echo "</g>"
  echo "<image x='20' y='440' width='440' height='200' xlink:href='overTempZh.png'/>"
  echo "<image x='500' y='440' width='440' height='200' xlink:href='overTempEn.png'/>"
  echo "</svg>"
} > "$svg"
rsvg-convert -o "$out" "$svg"
