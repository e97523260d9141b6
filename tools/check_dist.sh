#!/bin/sh
# The Windows download holds the shipped saver, the README, the licence and
# the stage's two .reg files, the texts with Windows line ends.
#
#   tools/check_dist.sh SOURCE_DIR
set -eu
src=$1
saver=$src/build/win32/vidider.scr
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$src/tools/make_dist.sh" "$saver" "$out/vidider.zip" >/dev/null
names=$(unzip -Z1 "$out/vidider.zip" | LC_ALL=C sort | tr '\n' '|')
[ "$names" = "Classic 1024x768 stage.reg|Fill every screen.reg|LICENSE.txt|README.txt|vidider.scr|" ] ||
    { echo "the zip holds: $names"; exit 1; }
unzip -p "$out/vidider.zip" vidider.scr | cmp -s - "$saver" || { echo "vidider.scr in the zip is not the build's"; exit 1; }
for text in README.txt LICENSE.txt "Fill every screen.reg" "Classic 1024x768 stage.reg"; do
    unzip -p "$out/vidider.zip" "$text" | head -n 1 | grep -q "$(printf '\r')\$" || { echo "$text lacks CR LF line ends"; exit 1; }
done
unzip -p "$out/vidider.zip" LICENSE.txt | grep -q "the vidider developers" || { echo "no licence holder"; exit 1; }
unzip -p "$out/vidider.zip" README.txt | grep -q "SysWOW64" || { echo "README.txt says nothing of SysWOW64"; exit 1; }
unzip -p "$out/vidider.zip" README.txt | grep -q "Fill every screen.reg" || { echo "README.txt says nothing of the .reg files"; exit 1; }
unzip -p "$out/vidider.zip" "Fill every screen.reg" | head -n 1 | grep -q "^REGEDIT4" || { echo "a .reg file that regedit does not read"; exit 1; }
echo "the zip holds $names"
