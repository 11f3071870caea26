#!/bin/sh
# Installs what is missing (Debian 12, as root), builds in build/ and runs every test;
# then the library's tests again under the sanitizers and each fuzzer for 20 seconds.
set -e
cd "$(dirname "$0")"
./setup.sh
ctest --test-dir build --output-on-failure -j2
tools/fuzz.sh 20
