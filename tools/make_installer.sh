#!/bin/sh
# The Windows installer: packaging/windows/vidider.nsi compiled by makensis
# around the 32-bit saver, the licence (Windows line ends) and the icon, into
# OUT.exe, written whole or not at all. The same inputs give the same bytes:
# every date in it is the last commit's (SOURCE_DATE_EPOCH).
#
#   tools/make_installer.sh SAVER OUT.exe [VERSION]
#
# VERSION defaults to the project's (CMakeLists.txt); the tests give another
# to make an older build to upgrade from.
set -eu
[ $# -eq 2 ] || [ $# -eq 3 ] || { echo "usage: tools/make_installer.sh SAVER OUT.exe [VERSION]" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
saver=$1
out=$2
version=${3:-$(grep -m1 '^project' "$here/CMakeLists.txt" | grep -o 'VERSION [0-9.]*' | cut -d' ' -f2)}
case "$version" in
  [0-9]*.[0-9]*.[0-9]*) ;;
  *) echo "make_installer: a version is three numbers, not '$version'" >&2; exit 2 ;;
esac
[ -f "$saver" ] || { echo "make_installer: $saver is missing: build the win32 preset first" >&2; exit 1; }
command -v makensis >/dev/null || { echo "make_installer: makensis is not installed (tools/deps.sh test installs nsis)" >&2; exit 1; }
if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git -C "$here" log -1 --format=%ct 2>/dev/null || echo 0)
fi
export SOURCE_DATE_EPOCH
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
sed 's/$/\r/' "$here/LICENSE" > "$stage/LICENSE.txt"
mkdir -p "$(dirname "$out")"
out_abs=$(cd "$(dirname "$out")" && pwd)/$(basename "$out")
if ! makensis -V2 -INPUTCHARSET UTF8 \
    "-DVERSION=$version" "-DSAVER=$(realpath "$saver")" "-DLICENSE=$stage/LICENSE.txt" \
    "-DICON=$here/resources/vidider.ico" "-DOUTFILE=$stage/setup.exe" \
    "$here/packaging/windows/vidider.nsi" > "$stage/makensis.log" 2>&1; then
  cat "$stage/makensis.log" >&2
  echo "make_installer: makensis failed" >&2
  exit 1
fi
mv "$stage/setup.exe" "$out_abs.partial"
mv "$out_abs.partial" "$out_abs"
echo "$out"
