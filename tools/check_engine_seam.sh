#!/bin/sh
# The figure engine (figure/, pace/) must build anywhere: no Windows or X11
# header, no platform conditionals, no include of the platform layer.
top=${1:-.}
if grep -n -E '#[[:space:]]*include[[:space:]]*[<"](windows\.h|winuser\.h|wingdi\.h|X11/|platform/)|_WIN32|__MINGW|WINAPI' \
    "$top"/figure/* "$top"/pace/*; then
  echo "platform code found in the engine (above)" >&2
  exit 1
fi
exit 0
