#!/bin/sh
# The Windows installer is a 32-bit GUI program that carries the build's
# saver, and the same tree makes the same bytes: built twice, the second time
# from a copy of the saver with another date, the two are one file.
#
#   tools/check_installer.sh SOURCE_DIR
set -eu
src=$1
saver=$src/build/win32/vidider.scr
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$src/tools/make_installer.sh" "$saver" "$out/first.exe" >/dev/null
cp "$saver" "$out/vidider.scr"
touch -d '2001-01-01' "$out/vidider.scr"
"$src/tools/make_installer.sh" "$out/vidider.scr" "$out/second.exe" >/dev/null
cmp "$out/first.exe" "$out/second.exe" || { echo "two builds of the installer differ"; exit 1; }
file=$(i686-w64-mingw32-objdump -f -p "$out/first.exe")
echo "$file" | grep -q 'file format pei-i386' || { echo "the installer is not a 32-bit Windows program"; exit 1; }
echo "$file" | grep -q 'Subsystem.*(Windows GUI)' || { echo "the installer is not a GUI program"; exit 1; }
# A different saver makes a different installer: the saver is inside.
printf 'x' >> "$out/vidider.scr"
"$src/tools/make_installer.sh" "$out/vidider.scr" "$out/third.exe" >/dev/null
if cmp -s "$out/first.exe" "$out/third.exe"; then echo "the installer does not change with its saver"; exit 1; fi
echo "the installer, $(wc -c < "$out/first.exe") bytes, is the same from the same tree"
