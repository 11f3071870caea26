#!/bin/sh
# Shared set-up of run.sh and test.sh: Debian packages, then a build in build/.
set -e
cd "$(dirname "$0")"
packages="cmake g++ make qt6-base-dev qt6-multimedia-dev libgl-dev libgtest-dev libgmock-dev \
libbenchmark-dev ccache fonts-dejavu-core xvfb xauth xdotool python3-icalendar desktop-file-utils appstream"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
# A clone in another folder reuses the compiler cache of this one.
export CCACHE_BASEDIR="$(pwd)" CCACHE_NOHASHDIR=true
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
