#!/bin/sh
# The layers' seams:
# - the figure engine (figure/, pace/) must build anywhere: no Windows or X11
#   header, no platform conditionals, no include of the platform layer;
# - nothing below the hosts (the engine, saver/, app/, platform/) includes a
#   host (windows/, x11/) or the system headers that only hosts may use.
top=${1:-.}
status=0
if grep -n -E '#[[:space:]]*include[[:space:]]*[<"](windows\.h|winuser\.h|wingdi\.h|X11/|platform/)|_WIN32|__MINGW|WINAPI' \
    "$top"/figure/* "$top"/pace/*; then
  echo "platform code found in the engine (above)" >&2
  status=1
fi
if grep -rn -E '#[[:space:]]*include[[:space:]]*[<"](windows/|x11/|windows\.h|winuser\.h|wingdi\.h|X11/)' \
    "$top"/figure "$top"/pace "$top"/saver "$top"/app "$top"/platform; then
  echo "a lower layer includes a host (above)" >&2
  status=1
fi
exit $status
