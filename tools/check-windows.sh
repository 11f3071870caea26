#!/bin/sh
# Cross-builds the library, its tests and dayloom-cli for 64-bit Windows with
# MinGW-w64 and runs the tests under Wine. Installs what is missing (Debian 12,
# as root). The build goes to build-windows/ (or $DAYLOOM_WINDOWS_BUILD).
set -eu
cd "$(dirname "$0")/.."
src=$(pwd)
build=${DAYLOOM_WINDOWS_BUILD:-$src/build-windows}

fail() {
    echo "check-windows: FAILED: $*" >&2
    exit 1
}

. tools/packages.sh
need_packages cmake pkg-config g++-mingw-w64-x86-64-posix wine64 libgtest-dev

# Debian's wine64 package puts its loader outside PATH; the wine package adds a wrapper.
find_tool() {
    for t in "$@"; do
        if command -v "$t" >/dev/null 2>&1; then command -v "$t"; return 0; fi
    done
    return 1
}
wine=$(find_tool wine wine64 /usr/lib/wine/wine64) || fail "no wine found"
wineserver=$(find_tool wineserver /usr/lib/wine/wineserver) || wineserver=""

# libical is not in MinGW form on Debian: tools/libical-mingw.sh builds it
# once from Debian's source of libical3, with its own zone data (Windows has
# no /usr/share/zoneinfo); the zone data goes beside the programs, where
# libical looks for it.
ical="$build/libical"
tools/libical-mingw.sh "$ical/prefix" || fail "libical for Windows did not build"
export PKG_CONFIG_LIBDIR="$ical/prefix/lib/pkgconfig"

cmake -S "$src" -B "$build" \
    -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDAYLOOM_BUILD_UI=OFF -DDAYLOOM_BUILD_BENCH=OFF
nice cmake --build "$build" -j2 --target dayloom_core core_tests cli_tests dayloom-cli
for dir in "$build" "$build/tests"; do
    rm -rf "$dir/zoneinfo"
    cp -r "$ical/prefix/share/libical/zoneinfo" "$dir/zoneinfo"
done

# A throwaway Wine prefix of our own, quiet, without the Mono and Gecko prompts.
WINEPREFIX="$build/wineprefix"
WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
stop_wine() {
    [ -n "$wineserver" ] && "$wineserver" -k 2>/dev/null || true
}
trap stop_wine EXIT

log="$build/core_tests.log"
status=0
timeout 900 "$wine" "$build/tests/core_tests.exe" --gtest_color=no >"$log" 2>&1 || status=$?
cat "$log"
[ "$status" -eq 0 ] || fail "core_tests.exe exited with $status under Wine"
grep -q '^\[  PASSED  \]' "$log" || fail "core_tests.exe printed no PASSED line"
cli_log="$build/cli_tests.log"
timeout 300 "$wine" "$build/tests/cli_tests.exe" --gtest_color=no >"$cli_log" 2>&1 || status=$?
cat "$cli_log"
[ "$status" -eq 0 ] || fail "cli_tests.exe exited with $status under Wine"
grep -q '^\[  PASSED  \]' "$cli_log" || fail "cli_tests.exe printed no PASSED line"

help=$(timeout 300 "$wine" "$build/dayloom-cli.exe" --help 2>&1) || fail "dayloom-cli.exe --help exited with $?"
case "$help" in
    *"dayloom-cli agenda"*) ;;
    *) fail "dayloom-cli.exe --help printed no usage: $help" ;;
esac

passed=0
skipped=0
for n in $(sed -n 's/^\[  PASSED  \] \([0-9]*\) test.*/\1/p' "$log" "$cli_log"); do passed=$((passed + n)); done
for n in $(sed -n 's/^\[  SKIPPED \] \([0-9]*\) test.*/\1/p' "$log" "$cli_log"); do skipped=$((skipped + n)); done
echo "check-windows: core_tests.exe and cli_tests.exe passed under Wine, dayloom-cli.exe runs"
echo "check-windows: $passed passed, 0 failed, $skipped skipped"
