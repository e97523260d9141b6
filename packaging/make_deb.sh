#!/bin/sh
# The Debian package of the X11 hack and vidider-wayland,
# OUT_DIR/vidider_VERSION_ARCH.deb, built as Debian builds its own
# (dpkg-buildflags' hardening, stripped programs, dpkg-shlibdeps' Depends, files owned by root), checked by lintian,
# and written whole or not at all. VERSION is CMakeLists.txt's, and the
# latest entry of packaging/debian/changelog must be for it.
#
#   packaging/make_deb.sh OUT_DIR
set -eu
[ $# -eq 1 ] || { echo "usage: packaging/make_deb.sh OUT_DIR" >&2; exit 2; }
here=$(cd "$(dirname "$0")/.." && pwd)
case $1 in /*) out=$1 ;; *) out=$(pwd)/$1 ;; esac
for tool in cmake dpkg-buildflags dpkg-parsechangelog dpkg-shlibdeps dpkg-gencontrol dpkg-deb lintian; do
    command -v "$tool" >/dev/null || { echo "make_deb: $tool is not installed (tools/deps.sh deb installs it)" >&2; exit 1; }
done

changelog=$here/packaging/debian/changelog
version=$(sed -n 's/^project(vidider VERSION \([0-9.]*\).*/\1/p' "$here/CMakeLists.txt")
logged=$(dpkg-parsechangelog -l "$changelog" -S Version)
[ "$version" = "$logged" ] || {
    echo "make_deb: CMakeLists.txt says $version, packaging/debian/changelog's latest entry $logged: add an entry for $version at its top" >&2
    exit 1
}
arch=$(dpkg --print-architecture)
# Every date in the package is the changelog entry's, so that the same
# sources make the same bytes.
SOURCE_DATE_EPOCH=$(dpkg-parsechangelog -l "$changelog" -S Timestamp)
export SOURCE_DATE_EPOCH

# The program, in a build folder of its own with Debian's flags, all its
# hardening on. The flags map the source folder to "." when run from it.
cd "$here"
DEB_BUILD_MAINT_OPTIONS=hardening=+all
export DEB_BUILD_MAINT_OPTIONS
build=$here/build/deb
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIDIDER_TESTS=OFF -DVIDIDER_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" --target vidider vidider-wayland

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root=$work/root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 || { cat "$work/install.log" >&2; exit 1; }

program=$root/usr/libexec/xscreensaver/vidider
wayland=$root/usr/bin/vidider-wayland
for binary in "$program" "$wayland"; do strip --remove-section=.comment --remove-section=.note "$binary"; done
gzip -9n "$root/usr/share/man/man6/vidider.6" "$root/usr/share/man/man6/vidider-wayland.6"
doc=$root/usr/share/doc/vidider
mkdir -p "$doc"
gzip -9n -c "$changelog" >"$doc/changelog.gz"
{
    cat "$here/packaging/debian/copyright.in"
    # LICENSE's permission text as the paragraph's indented lines, a blank
    # line as " .".
    sed -n '/^Permission is hereby granted/,$p' "$here/LICENSE" | sed 's/^$/./; s/^/ /'
} >"$doc/copyright"
find "$root" -type d -exec chmod 0755 {} +
find "$root" -type f -exec chmod 0644 {} +
chmod 0755 "$program" "$wayland"

# DEBIAN/control from debian/control, the changelog's version and the
# libraries the programs link against.
mkdir -p "$work/debian" "$root/DEBIAN"
cp "$here/packaging/debian/control" "$changelog" "$work/debian/"
(cd "$work" && dpkg-shlibdeps -Tdebian/substvars "$program" "$wayland" &&
    dpkg-gencontrol -P"$root" -Tdebian/substvars -fdebian/files)
(cd "$root" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$root/DEBIAN/md5sums"
chmod 0644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"
find "$root" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +

deb=$work/vidider_${version}_$arch.deb
dpkg-deb --root-owner-group --build "$root" "$deb" >/dev/null
lintian --fail-on error --display-info "$deb" || { echo "make_deb: lintian finds errors in the package" >&2; exit 1; }

mkdir -p "$out"
cp "$deb" "$out/vidider_${version}_$arch.deb.partial"
mv "$out/vidider_${version}_$arch.deb.partial" "$out/vidider_${version}_$arch.deb"
echo "$out/vidider_${version}_$arch.deb"
