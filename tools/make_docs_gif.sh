#!/bin/sh
# The small animated picture at the top of the README: 60 frames of the
# moire after the title time (every 4th of frames 232 to 468 of seed 2004,
# shown 80 ms each), a quarter of the stage's size, made by vidider-sim.
#
#   tools/make_docs_gif.sh VIDIDER_SIM PBM_TO_GIF OUT.gif
set -eu
[ $# -eq 3 ] || { echo "usage: tools/make_docs_gif.sh VIDIDER_SIM PBM_TO_GIF OUT.gif" >&2; exit 2; }
frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
"$1" frames --seed 2004 --frames 468 --out "$frames"
"$2" "$3" 8 4 $(ls "$frames"/*.pbm | awk 'NR > 230 && NR % 4 == 0')
