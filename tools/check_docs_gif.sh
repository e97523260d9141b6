#!/bin/sh
# docs/vidider.gif is what vidider-sim and pbm_to_gif make now, and stays
# under 2 MB.
#
#   tools/check_docs_gif.sh VIDIDER_SIM PBM_TO_GIF SOURCE_DIR
set -eu
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$3/tools/make_docs_gif.sh" "$1" "$2" "$out/vidider.gif"
cmp -s "$out/vidider.gif" "$3/docs/vidider.gif" || { echo "docs/vidider.gif is stale: make docs"; exit 1; }
size=$(wc -c < "$3/docs/vidider.gif")
[ "$size" -le 2097152 ] || { echo "docs/vidider.gif is $size bytes, over 2 MB"; exit 1; }
echo "docs/vidider.gif is current, $size bytes"
