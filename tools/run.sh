#!/bin/sh
# make run: the saver full screen on your display under Wine; on a machine
# with no display, ten seconds of the moire rendered by vidider-sim.
set -eu
cd "$(dirname "$0")/.."

# A display: a local one has its socket; a remote one (host:n) is taken on trust.
has_display() {
  [ -n "${DISPLAY:-}" ] || return 1
  number=${DISPLAY#*:}
  number=${number%%.*}
  [ -S "/tmp/.X11-unix/X$number" ] || [ -n "${DISPLAY%%:*}" ]
}

if has_display; then
  # 32-bit Wine where this machine runs 32-bit code, else the 64-bit twin.
  if [ -x /usr/lib/wine/wine ] && /lib/ld-linux.so.2 --help >/dev/null 2>&1; then
    saver=build/win32/vidider.scr loader=/usr/lib/wine/wine arch=win32
  else
    saver=build/win64/vidider.scr loader=/usr/lib/wine/wine64 arch=win64
    echo "this machine cannot run 32-bit programs: running the 64-bit build of the saver"
  fi
  export WINEPREFIX="$PWD/build/wine-$arch" WINEARCH=$arch WINELOADER=$loader WINEDEBUG=-all
  echo "vidider on $DISPLAY: any key or a double click on the moire ends it"
  exec "$loader" "$saver" /s
fi

echo "no display: rendering ten seconds of the moire with vidider-sim instead"
rm -rf build/demo-frames
build/linux/vidider-sim frames --seed 2004 --frames 500 --out build/demo-frames
build/linux/pbm_to_gif build/demo.gif 4 2 $(ls build/demo-frames/*.pbm | awk 'NR % 2 == 1')
rm -rf build/demo-frames
echo "ten seconds of the moire, at half size and 25 frames a second: build/demo.gif"
