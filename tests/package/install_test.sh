#!/bin/sh
# make install and make uninstall, staged under a temporary DESTDIR: the
# hack, its description and its manual where xscreensaver looks, the
# manual naming them by their real paths, the daemon's programs line
# printed, vidider-wayland and its manual; uninstall takes those away and
# leaves another hack's files.
#
#   tests/package/install_test.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
stage=$work/root
log=$work/install.log
failures=0
fail() { printf "FAILED: %s\n" "$*"; failures=$((failures + 1)); }

install_to() {  # PREFIX: the build's install rules, as make install runs them
    DESTDIR=$stage cmake --install "$build" --prefix "$1" --strip >"$log" 2>&1 ||
        { cat "$log"; echo "FAILED: cmake --install --prefix $1"; exit 1; }
    cat "$log"
}
uninstall_from() {  # PREFIX: as make uninstall runs it
    DESTDIR=$stage cmake -DCMAKE_INSTALL_PREFIX="$1" -DVIDIDER_ACTION=uninstall -P "$build/vidider_install.cmake" ||
        { echo "FAILED: uninstall from $1"; exit 1; }
}
files_left() { (cd "$stage" 2>/dev/null && find . ! -type d | sort | tr '\n' ' '); }

# Another hack's files in the same folders, which uninstall must leave.
mkdir -p "$stage/usr/local/libexec/xscreensaver" "$stage/usr/local/share/xscreensaver/config"
echo other >"$stage/usr/local/libexec/xscreensaver/other"
echo other >"$stage/usr/local/share/xscreensaver/config/other.xml"
others="./usr/local/libexec/xscreensaver/other ./usr/local/share/xscreensaver/config/other.xml "

echo "[package] make install's rules from $build, staged in $stage with the default prefix /usr/local"
printed=$(install_to /usr/local)
hack=$stage/usr/local/libexec/xscreensaver/vidider
xml=$stage/usr/local/share/xscreensaver/config/vidider.xml
manual=$stage/usr/local/share/man/man6/vidider.6
expected=$(printf '%s\n' ./usr/local/libexec/xscreensaver/other ./usr/local/libexec/xscreensaver/vidider \
    ./usr/local/share/man/man6/vidider.6 ./usr/local/share/xscreensaver/config/other.xml \
    ./usr/local/share/xscreensaver/config/vidider.xml ./usr/local/bin/vidider-wayland \
    ./usr/local/share/man/man6/vidider-wayland.6 | sort | tr '\n' ' ')
[ "$(files_left)" = "$expected" ] || fail "installed: $(files_left)"
[ -x "$hack" ] && "$hack" --help 2>&1 | grep -q "^usage: vidider" || fail "the installed hack does not answer --help with its usage"
wayland=$stage/usr/local/bin/vidider-wayland
[ -x "$wayland" ] && "$wayland" --help 2>&1 | grep -q "^usage: vidider-wayland" || fail "the installed vidider-wayland does not answer --help with its usage"
printf '%s\n' "$printed" | grep -qF "On a Wayland desktop run /usr/local/bin/vidider-wayland instead" ||
    fail "install does not name vidider-wayland for Wayland desktops: $printed"
warnings=$(MANWIDTH=80 man --warnings -l "$stage/usr/local/share/man/man6/vidider-wayland.6" 2>&1 >/dev/null) ||
    fail "man cannot show vidider-wayland's manual"
[ -z "$warnings" ] || fail "man warns about vidider-wayland's manual: $warnings"
cmp -s "$xml" "$(dirname "$0")/../../x11/vidider.xml" || fail "the installed vidider.xml is not x11/vidider.xml"

# The daemon needs the line with the full path: it finds a bare name only
# in /usr/libexec/xscreensaver and on its PATH.
line='  /usr/local/libexec/xscreensaver/vidider --root \n\'
printf '%s\n' "$printed" | grep -qxF -- "$line" || fail "install does not print the programs line '$line': $printed"
printf '%s\n' "$printed" | grep -q "reads descriptions from /usr/share/xscreensaver/config only" ||
    fail "install does not say that xscreensaver-settings will not read /usr/local's description"

# The manual names the files where they are, by absolute path.
grep -qx '\.I /usr/local/libexec/xscreensaver/vidider' "$manual" || fail "the manual's FILES does not name /usr/local/libexec/xscreensaver/vidider"
grep -qx '\.I /usr/local/share/xscreensaver/config/vidider.xml' "$manual" || fail "the manual's FILES does not name /usr/local/share/xscreensaver/config/vidider.xml"
version=$(sed -n 's/^project(vidider VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
head -n 1 "$manual" | grep -qF "\"vidider $version\"" || fail "the manual's title line is not of vidider $version: $(head -n 1 "$manual")"
warnings=$(MANWIDTH=80 man --warnings -l "$manual" 2>&1 >/dev/null) || fail "man cannot show the installed manual"
[ -z "$warnings" ] || fail "man warns about the installed manual: $warnings"

uninstall_from /usr/local
[ "$(files_left)" = "$others" ] || fail "after uninstall: $(files_left) (only the other hack's files should be left)"
[ -d "$stage/usr/local/libexec/xscreensaver" ] || fail "uninstall removed the folder that holds another hack"

# With no other hack there, uninstall leaves no folder of xscreensaver's
# behind; a prefix with a trailing slash gives the same paths.
rm -rf "$stage/usr"
echo "[package] the same with the prefix /usr/"
printed=$(install_to /usr/)
manual=$stage/usr/share/man/man6/vidider.6
grep -qx '\.I /usr/share/xscreensaver/config/vidider.xml' "$manual" || fail "the manual's FILES does not name /usr/share/xscreensaver/config/vidider.xml"
printf '%s\n' "$printed" | grep -qxF -- '  /usr/libexec/xscreensaver/vidider --root \n\' || fail "install to /usr/ prints no clean programs line: $printed"
if printf '%s\n' "$printed" | grep -q "reads descriptions from"; then fail "install to /usr warns about the description, which is where it is read"; fi
uninstall_from /usr/
[ -z "$(files_left)" ] || fail "after uninstall: $(files_left)"
if (cd "$stage" && find . -name '*xscreensaver*' | grep .); then fail "uninstall left the folders above"; fi

[ "$failures" -eq 0 ] || exit 1
echo "install and uninstall: all checks passed"
