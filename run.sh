#!/bin/sh
# Installs what is missing (Debian 12, as root), builds in build/ and starts dayloom.
set -e
cd "$(dirname "$0")"
./setup.sh
exec ./build/dayloom "$@"
