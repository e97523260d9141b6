#!/bin/sh
# The README's pictures, made by vidider-sim and pbm_to_gif:
# - vidider.gif: 60 frames of the moire after the title time (every 4th of
#   frames 232 to 468 of seed 2004, shown 80 ms each), a quarter of the
#   classic stage's size;
# - fill-1920x1080.gif: frame 300 of seed 2004 on a 1920 x 1080 stage, the
#   stage that fills a screen of that size, at half its size.
#
#   tools/make_docs_gif.sh VIDIDER_SIM PBM_TO_GIF DOCS_DIR
set -eu
[ $# -eq 3 ] || { echo "usage: tools/make_docs_gif.sh VIDIDER_SIM PBM_TO_GIF DOCS_DIR" >&2; exit 2; }
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
"$1" frames --seed 2004 --frames 468 --out "$frames/classic"
"$2" "$3/vidider.gif" 8 4 $(ls "$frames"/classic/*.pbm | awk 'NR > 230 && NR % 4 == 0')
"$1" frames --seed 2004 --frames 300 --stage 1920x1080 --out "$frames/fill"
"$2" "$3/fill-1920x1080.gif" 100 2 "$frames/fill/frame-000300.pbm"
