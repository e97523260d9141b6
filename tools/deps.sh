#!/bin/sh
# Makes sure the Debian packages that a make target needs are installed: as
# root it installs what is missing; as anyone else it names the one command
# to run and stops.
#
#   tools/deps.sh test|run|fuzz|deb
set -eu

# vidider-wayland's build: the client library, xkbcommon for its keys, the
# protocols' XML, wayland-scanner, and pkg-config to find them.
base="cmake make g++ libgtest-dev libbenchmark-dev libfreetype-dev libgif-dev fonts-dejavu-core zip unzip libx11-dev libxext-dev
  libwayland-dev libxkbcommon-dev wayland-protocols libwayland-bin pkgconf"
windows="g++-mingw-w64-i686 g++-mingw-w64-x86-64"
wine="wine wine64 wine32:i386 xvfb xserver-xephyr libxinerama1 libxinerama1:i386 libx11-dev libxtst-dev"
# The emulated PC that runs the 32-bit saver where this machine cannot.
vm32="qemu-system-x86 busybox-static kmod cpio e2fsprogs xz-utils"
# The X11 hack's daemon, and its peer moire2 for the benchmark.
x11="xscreensaver xscreensaver-data-extra"
# vidider-wayland's tests and benchmark: a headless compositor, its
# screenshots, keys and idle daemon.
wayland="sway grim wtype swayidle"
# The parsers' fuzz targets: clang and its libFuzzer runtime.
fuzz="clang-14 libclang-rt-14-dev"
# The Windows installer: makensis, its stubs and plug-ins.
installer="nsis"
# make deb: dpkg-shlibdeps, dpkg-gencontrol and dpkg-deb, the package's check,
# and man for its install test.
deb="dpkg-dev lintian man-db"
case "${1:-test}" in
  test) packages="$base $windows $wine $installer $vm32 $x11 $wayland $fuzz $deb" ;;
  run)  packages="$base $windows $wine" ;;
  fuzz) packages="cmake make g++ $fuzz" ;;
  deb)  packages="$base $deb" ;;
  *)    echo "usage: tools/deps.sh test|run|fuzz|deb" >&2; exit 2 ;;
esac

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

# 32-bit Wine comes from Debian's i386 architecture.
needs_i386=false
case "$missing" in *:i386*) dpkg --print-foreign-architectures | grep -qx i386 || needs_i386=true ;; esac

if [ "$(id -u)" -eq 0 ]; then
  echo "installing:$missing"
  if $needs_i386; then dpkg --add-architecture i386; fi
  apt-get -o DPkg::Lock::Timeout=600 update -qq
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends $missing
else
  echo "vidider needs Debian packages that are not installed. Run:" >&2
  if $needs_i386; then
    echo "  sudo dpkg --add-architecture i386 && sudo apt-get update && sudo apt-get install -y --no-install-recommends$missing" >&2
  else
    echo "  sudo apt-get install -y --no-install-recommends$missing" >&2
  fi
  exit 1
fi
