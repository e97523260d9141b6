#!/bin/sh
# The download for Windows users: the 32-bit saver, a README, the licence and
# the two .reg files that choose the stage, with Windows line ends, in one
# zip, written whole or not at all.
#
#   tools/make_dist.sh SAVER OUT.zip
set -eu
[ $# -eq 2 ] || { echo "usage: tools/make_dist.sh SAVER OUT.zip" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
saver=$1
out=$2
[ -f "$saver" ] || { echo "make_dist: $saver is missing: build the win32 preset first" >&2; exit 1; }
command -v zip >/dev/null || { echo "make_dist: zip is not installed (tools/deps.sh test installs it)" >&2; exit 1; }
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$saver" "$stage/vidider.scr"
sed 's/$/\r/' "$here/windows/README.txt" > "$stage/README.txt"
sed 's/$/\r/' "$here/LICENSE" > "$stage/LICENSE.txt"
for reg in "Fill every screen.reg" "Classic 1024x768 stage.reg"; do
    sed 's/$/\r/' "$here/windows/$reg" > "$stage/$reg"
done
mkdir -p "$(dirname "$out")"
(cd "$stage" && zip -q -X -D "$stage/vidider.zip" vidider.scr README.txt LICENSE.txt "Fill every screen.reg" \
    "Classic 1024x768 stage.reg")
mv "$stage/vidider.zip" "$out.partial"
mv "$out.partial" "$out"
echo "$out"
