#!/bin/sh
# The Windows download holds the shipped saver, the README and the licence,
# the texts with Windows line ends.
#
#   tools/check_dist.sh SOURCE_DIR
set -eu
src=$1
saver=$src/build/win32/vidider.scr
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$src/tools/make_dist.sh" "$saver" "$out/vidider.zip" >/dev/null
names=$(unzip -Z1 "$out/vidider.zip" | sort | tr '\n' ' ')
[ "$names" = "LICENSE.txt README.txt vidider.scr " ] || { echo "the zip holds: $names"; exit 1; }
unzip -p "$out/vidider.zip" vidider.scr | cmp -s - "$saver" || { echo "vidider.scr in the zip is not the build's"; exit 1; }
for text in README.txt LICENSE.txt; do
    unzip -p "$out/vidider.zip" "$text" | head -n 1 | grep -q "$(printf '\r')\$" || { echo "$text lacks CR LF line ends"; exit 1; }
done
unzip -p "$out/vidider.zip" LICENSE.txt | grep -q "the vidider developers" || { echo "no licence holder"; exit 1; }
unzip -p "$out/vidider.zip" README.txt | grep -q "SysWOW64" || { echo "README.txt says nothing of SysWOW64"; exit 1; }
echo "the zip holds $names"
