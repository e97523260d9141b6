#!/bin/sh
# The Debian package as a user meets it. make deb's script builds it into
# dist/ (lintian passes or the script fails), with the expected files and
# fields; apt-get installs it, as root; the daemon's config folder holds
# vidider.xml, the programs answer --help, man finds the pages, the daemon
# runs the hack by its bare name, make install and make uninstall keep off
# its files; apt-get purge leaves nothing of it. Installing needs root:
# elsewhere that half says SKIPPED, and in CI (CI set) fails instead.
#
#   tests/package/deb_test.sh SOURCE_DIR INSTALL_SCRIPT BUILD_DIR
set -eu
src=$1
install_script=$2
build=$3
failures=0
skipped=false
fail() { printf "FAILED: %s\n" "$*"; failures=$((failures + 1)); }
# Where a part cannot run: SKIPPED, which ctest shows (exit 77), or in CI a
# failure.
cannot() {
    if [ -n "${CI:-}" ]; then
        fail "cannot run here: $*"
    else
        echo "SKIPPED: $*"
        skipped=true
    fi
}
finish() {
    [ "$failures" -eq 0 ] || exit 1
    if $skipped; then
        echo "the package: the checks that ran passed; some were SKIPPED (above)"
        exit 77
    fi
    echo "the package: all checks passed"
    exit 0
}
cannot_install() {
    cannot "installing and purging the package: $*"
    finish
}

# --- the package file ---
made=$(mktemp)
"$src/packaging/make_deb.sh" "$src/dist" >"$made" 2>&1 || { cat "$made"; rm -f "$made"; echo "FAILED: make_deb.sh"; exit 1; }
deb=$(tail -n 1 "$made")
rm -f "$made"
version=$(dpkg-deb -f "$deb" Version)
[ "$deb" = "$src/dist/vidider_${version}_$(dpkg --print-architecture).deb" ] || fail "make_deb wrote $deb"
echo "[package] built $deb with packaging/make_deb.sh (from $src/build/deb)"
listing=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $1, $2, $6 }')
expected="-rwxr-xr-x root/root ./usr/bin/vidider-wayland
-rwxr-xr-x root/root ./usr/libexec/xscreensaver/vidider
-rw-r--r-- root/root ./usr/share/doc/vidider/changelog.gz
-rw-r--r-- root/root ./usr/share/doc/vidider/copyright
-rw-r--r-- root/root ./usr/share/man/man6/vidider-wayland.6.gz
-rw-r--r-- root/root ./usr/share/man/man6/vidider.6.gz
-rw-r--r-- root/root ./usr/share/xscreensaver/config/vidider.xml"
[ "$listing" = "$expected" ] || fail "the package holds:
$listing"
[ "$(dpkg-deb -f "$deb" Recommends)" = xscreensaver ] || fail "Recommends: $(dpkg-deb -f "$deb" Recommends)"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libx11-6 libxext6 libwayland-client0 libxkbcommon0; do
    printf '%s\n' "$depends" | grep -q "\\b$library\\b" || fail "Depends lacks $library: $depends"
done
# The copyright file carries LICENSE's terms, word for word.
terms=$(sed -n '/^Permission is hereby granted/,$p' "$src/LICENSE" | tr -s ' \n' ' ')
shipped=$(dpkg-deb --fsys-tarfile "$deb" | tar -xOf - ./usr/share/doc/vidider/copyright |
    sed -n '/^ Permission is hereby granted/,$p' | sed 's/^ \.$//; s/^ //' | tr -s ' \n' ' ')
[ "$terms" = "$shipped" ] || fail "the copyright file's licence is not LICENSE's"

# --- installed with apt-get, then purged ---
[ "$(id -u)" -eq 0 ] || cannot_install "apt-get needs root"
command -v man >/dev/null || cannot_install "man is not installed (tools/deps.sh test installs man-db)"
if grep -rqs '^path-exclude=/usr/share/man' /etc/dpkg/dpkg.cfg.d/; then
    cannot_install "dpkg is told to leave out manual pages here (path-exclude in /etc/dpkg/dpkg.cfg.d)"
fi
installed() { dpkg-query -W -f '${Status}' vidider 2>/dev/null | grep -q "ok installed"; }
if installed; then
    cannot_install "a vidider package is installed already, which the test would purge (apt-get purge vidider)"
fi
work=$(mktemp -d)
apt() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 -y -q "$@" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; return 1; }; }
# What apt did: other packages must stay as they were. (Its own summary, not
# a list of every package, which another apt-get on the machine may change.)
apt_did() { grep -q "^0 upgraded, $1 newly installed, $2 to remove and" "$work/apt.log" || fail "apt-get: $(grep upgraded "$work/apt.log")"; }
xvfb= daemon=
cleanup() {
    for pid in $daemon $xvfb; do kill "$pid" 2>/dev/null || true; done
    if installed; then apt purge vidider || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

echo "[package] apt-get install $deb, as root"
apt install --no-install-recommends "$deb" || fail "apt-get install failed"
apt_did 1 0
installed || { fail "dpkg does not have vidider installed"; finish; }
owned=$(dpkg -L vidider)

cmp -s /usr/share/xscreensaver/config/vidider.xml "$src/x11/vidider.xml" ||
    fail "the daemon's config folder does not hold vidider.xml"
/usr/libexec/xscreensaver/vidider --help >"$work/help" 2>&1 || fail "the installed vidider --help exits $?"
grep -q "^usage: vidider" "$work/help" || fail "the installed vidider --help prints: $(cat "$work/help")"
/usr/bin/vidider-wayland --version >"$work/help" 2>&1 || fail "the installed vidider-wayland --version exits $?"
grep -qx "vidider-wayland $version" "$work/help" || fail "the installed vidider-wayland --version prints: $(cat "$work/help")"
man -aw vidider-wayland 2>&1 | grep -qx /usr/share/man/man6/vidider-wayland.6.gz ||
    fail "man -w vidider-wayland finds: $(man -aw vidider-wayland 2>&1)"
# (-a: a vidider of make install's under /usr/local may be found as well.)
man -aw vidider 2>&1 | grep -qx /usr/share/man/man6/vidider.6.gz || fail "man -w vidider finds: $(man -aw vidider 2>&1)"
warnings=$(MANWIDTH=80 man --warnings -l /usr/share/man/man6/vidider.6.gz 2>&1 >/dev/null) || fail "man cannot show the page"
[ -z "$warnings" ] || fail "man warns about the page: $warnings"
zcat /usr/share/man/man6/vidider.6.gz | grep -qx '\.I /usr/share/xscreensaver/config/vidider.xml' ||
    fail "the page's FILES does not name /usr/share/xscreensaver/config/vidider.xml"

# make install and make uninstall to /usr would change the package's files
# behind dpkg's back: both stop, and the files stay as dpkg installed them.
if cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1; then
    fail "make install PREFIX=/usr overwrote the package's files"
fi
grep -q "belongs to the Debian package vidider" "$work/install.log" || fail "make install PREFIX=/usr says: $(cat "$work/install.log")"
if cmake -DCMAKE_INSTALL_PREFIX=/usr -DVIDIDER_ACTION=uninstall -P "$install_script" >"$work/uninstall.log" 2>&1; then
    fail "make uninstall PREFIX=/usr removed the package's files"
fi
grep -q "belongs to the Debian package vidider" "$work/uninstall.log" || fail "make uninstall PREFIX=/usr says: $(cat "$work/uninstall.log")"
dpkg --verify vidider || fail "the package's files changed under dpkg"

# The daemon, as nobody (it runs no hack as root), with "vidider --root" on
# its programs list: it finds the hack in /usr/libexec/xscreensaver.
if ! command -v xscreensaver >/dev/null || ! command -v Xvfb >/dev/null; then
    cannot "the daemon: xscreensaver or Xvfb is not installed (tools/deps.sh test installs them)"
else
    home=$work/home
    mkdir -p "$home"
    printf 'timeout: 0:30:00\nlock: False\nmode: one\nselected: 0\nsplash: False\nfade: False\nunfade: False\nprograms: vidider --root \\n\n' >"$home/.xscreensaver"
    chown -R nobody "$home"
    chmod 0755 "$work"
    mkfifo "$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
    xvfb=$!
    display=:$(head -n 1 "$work/display")
    [ "$display" != : ] || { fail "Xvfb did not start: $(cat "$work/xvfb.log")"; finish; }
    as_nobody() { runuser -u nobody -- env HOME="$home" DISPLAY="$display" PATH=/usr/bin:/bin "$@"; }
    as_nobody xscreensaver -no-splash >"$work/daemon.log" 2>&1 &
    daemon=$!
    ready=false
    for _ in $(seq 50); do
        if as_nobody xscreensaver-command -time >/dev/null 2>&1; then ready=true; break; fi
        sleep 0.3
    done
    # The processes whose environment holds this home (no pgrep: procps is
    # not in every Debian).
    of_this_home() {
        for environ in /proc/[0-9]*/environ; do
            tr '\0' '\n' 2>/dev/null <"$environ" | grep -qx "HOME=$home" && basename "$(dirname "$environ")"
        done
        return 0
    }
    hack_of_this_daemon() {
        for pid in $(of_this_home); do
            [ "$(readlink "/proc/$pid/exe")" = /usr/libexec/xscreensaver/vidider ] && echo "$pid"
        done
        return 0
    }
    if ! $ready; then
        fail "the daemon did not start: $(cat "$work/daemon.log")"
    else
        echo "[package] xscreensaver as nobody on Xvfb $display, its programs list 'vidider --root'"
        as_nobody xscreensaver-command -activate >/dev/null
        running=
        for _ in $(seq 50); do
            running=$(hack_of_this_daemon)
            [ -n "$running" ] && break
            sleep 0.3
        done
        [ -n "$running" ] || fail "the daemon did not run /usr/libexec/xscreensaver/vidider: $(cat "$work/daemon.log")"
        as_nobody xscreensaver-command -deactivate >/dev/null
        for _ in $(seq 50); do
            [ -z "$(hack_of_this_daemon)" ] && break
            sleep 0.2
        done
        [ -z "$(hack_of_this_daemon)" ] || fail "the hack still runs after -deactivate"
    fi
    kill "$daemon" 2>/dev/null || true
    wait "$daemon" 2>/dev/null || true
    # The daemon's helpers outlive it by a moment; they hold this home.
    for pid in $(of_this_home); do kill "$pid" 2>/dev/null || true; done
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    daemon= xvfb=
fi

echo "[package] apt-get purge vidider"
apt purge vidider || fail "apt-get purge failed"
apt_did 0 1
if installed || dpkg-query -W -f '${Status}' vidider 2>/dev/null | grep -q "config-files"; then
    fail "dpkg still knows vidider: $(dpkg-query -W -f '${Status}' vidider)"
fi
# Of what it owned only folders that other packages hold are left.
for path in $owned; do
    [ "$path" != /. ] && [ -e "$path" ] || continue
    if [ -d "$path" ] && dpkg -S "$path" >/dev/null 2>&1; then continue; fi
    fail "left after purge: $path"
done
if man -aw vidider 2>/dev/null | grep -qx /usr/share/man/man6/vidider.6.gz; then fail "man still finds the package's page"; fi

finish
