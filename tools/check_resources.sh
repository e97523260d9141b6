#!/bin/sh
# The committed pictures are what make_resources draws from today's engine.
#   tools/check_resources.sh MAKE_RESOURCES SOURCE_DIR
set -eu
tool=$1
top=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$tool" "$out"
status=0
for name in title.bmp sample.bmp vidider.ico; do
  if ! cmp -s "$out/$name" "$top/resources/$name"; then
    echo "resources/$name is out of date: run build/linux/make_resources resources" >&2
    status=1
  fi
done
exit $status
