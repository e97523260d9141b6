#!/bin/sh
# The Windows downloads: the zip holds the shipped saver, the README, the
# licence and the stage's two .reg files, the texts with Windows line ends;
# the installer is a 32-bit GUI program that carries the build's saver, and
# the same tree makes the same bytes.
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

# The installer twice, the second time from a copy of the saver with another
# date: one file. A saver with another byte makes another installer.
"$src/tools/make_installer.sh" "$saver" "$out/first.exe" >/dev/null
cp "$saver" "$out/vidider.scr"
touch -d '2001-01-01' "$out/vidider.scr"
"$src/tools/make_installer.sh" "$out/vidider.scr" "$out/second.exe" >/dev/null
cmp "$out/first.exe" "$out/second.exe" || { echo "two builds of the installer differ"; exit 1; }
header=$(i686-w64-mingw32-objdump -f -p "$out/first.exe")
echo "$header" | grep -q 'file format pei-i386' || { echo "the installer is not a 32-bit Windows program"; exit 1; }
echo "$header" | grep -q 'Subsystem.*(Windows GUI)' || { echo "the installer is not a GUI program"; exit 1; }
printf 'x' >> "$out/vidider.scr"
"$src/tools/make_installer.sh" "$out/vidider.scr" "$out/third.exe" >/dev/null
if cmp -s "$out/first.exe" "$out/third.exe"; then echo "the installer does not change with its saver"; exit 1; fi
echo "the installer, $(wc -c < "$out/first.exe") bytes, is the same from the same tree"
