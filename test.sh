#!/bin/sh
# Installs what is missing (Debian 12, as root), builds in build/ and runs every test.
set -e
cd "$(dirname "$0")"
./setup.sh
ctest --test-dir build --output-on-failure -j2
