#!/bin/sh
# Makes sure the Debian packages that a make target needs are installed: as
# root it installs what is missing; as anyone else it names the one command
# to run and stops.
#
#   tools/deps.sh test|run
set -eu

base="cmake make g++ libgtest-dev libbenchmark-dev libfreetype-dev fonts-dejavu-core"
case "${1:-test}" in
  test) packages="$base g++-mingw-w64-i686" ;;
  run)  packages="$base" ;;
  *)    echo "usage: tools/deps.sh test|run" >&2; exit 2 ;;
esac

missing=""
for package in $packages; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  echo "installing:$missing"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
else
  echo "vidider needs Debian packages that are not installed. Run:" >&2
  echo "  sudo apt-get install -y --no-install-recommends$missing" >&2
  exit 1
fi
