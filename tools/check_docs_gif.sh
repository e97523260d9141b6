#!/bin/sh
# The README's pictures (docs/vidider.gif, docs/fill-1920x1080.gif) are what
# vidider-sim and pbm_to_gif make now, and each stays under 2 MB.
#
#   tools/check_docs_gif.sh VIDIDER_SIM PBM_TO_GIF SOURCE_DIR
set -eu
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$3/tools/make_docs_gif.sh" "$1" "$2" "$out"
for picture in vidider.gif fill-1920x1080.gif; do
    cmp -s "$out/$picture" "$3/docs/$picture" || { echo "docs/$picture is stale: make docs"; exit 1; }
    size=$(wc -c < "$3/docs/$picture")
    [ "$size" -le 2097152 ] || { echo "docs/$picture is $size bytes, over 2 MB"; exit 1; }
    echo "docs/$picture is current, $size bytes"
done
