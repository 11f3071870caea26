#!/bin/sh
# Shared set-up of run.sh and test.sh: Debian packages, then a build in build/.
set -e
cd "$(dirname "$0")"
. tools/packages.sh
need_packages cmake g++ make pkg-config libical-dev qt6-base-dev qt6-multimedia-dev libgl-dev libgtest-dev libgmock-dev \
libbenchmark-dev libcurl4-openssl-dev libexpat1-dev radicale python3-caldav ccache fonts-dejavu-core xvfb xauth xdotool \
python3-icalendar desktop-file-utils appstream qt6-translations-l10n calcurse khal qtkeychain-qt6-dev
# A clone in another folder reuses the compiler cache of this one.
export CCACHE_BASEDIR="$(pwd)" CCACHE_NOHASHDIR=true
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2
