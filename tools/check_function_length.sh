#!/bin/sh
# No function of the saver and its hosts (saver/, windows/, x11/, wayland/)
# is longer than 50 lines, its signature and braces counted. A function's
# body opens with a brace alone in the first column; its signature is the
# lines above it up to a blank line, a comment or the end of what came before.
#
#   tools/check_function_length.sh [SOURCE_DIR]
top=${1:-.}
status=0
for dir in saver windows x11 wayland; do
  [ -d "$top/$dir" ] || continue
  for file in "$top/$dir"/*.cpp "$top/$dir"/*.h; do
    [ -f "$file" ] || continue
    awk -v file="${file#"$top"/}" '
      { line[NR] = $0 }
      /^\{/ {
        start = NR
        while (start > 1) {
          above = line[start - 1]
          if (above ~ /^[ \t]*$/ || above ~ /^[ \t]*\/\// || above ~ /[;}][ \t]*$/ || above ~ /^#/) break
          start--
        }
        open = start
      }
      /^\}/ && open {
        length_ = NR - open + 1
        if (length_ > 50) { printf "%s:%d: a function of %d lines\n", file, open, length_; bad = 1 }
        open = 0
      }
      END { exit bad }
    ' "$file" || status=1
  done
done
[ $status -eq 0 ] || echo "functions over 50 lines (above): split them" >&2
exit $status
