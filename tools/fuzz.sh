#!/bin/sh
# Builds the library, its tests and the libFuzzer harnesses with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer into build-fuzz/, runs the
# library's and the command line's tests there, then each harness for SECONDS
# (default 20) on its corpus under fuzz/corpus/. New inputs go to
# build-fuzz/corpus/, so the committed seeds stay small; a crash leaves its
# input in build-fuzz/ and fails the script.
#   tools/fuzz.sh            # 20 s each, as CI runs it
#   tools/fuzz.sh 600        # ten minutes each
set -e
cd "$(dirname "$0")/.."
seconds=${1:-20}
. tools/packages.sh
need_packages clang libclang-rt-14-dev
export CCACHE_BASEDIR="$(pwd)" CCACHE_NOHASHDIR=true  # a clone elsewhere reuses the cache
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DDAYLOOM_FUZZ=ON -DDAYLOOM_BUILD_UI=OFF \
    -DDAYLOOM_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build-fuzz -j2 --target core_tests cli_tests fuzz_event_file fuzz_ics fuzz_settings fuzz_zet
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ./build-fuzz/tests/core_tests --gtest_brief=1
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ./build-fuzz/tests/cli_tests --gtest_brief=1
status=0
for h in event_file ics settings zet; do
    mkdir -p "build-fuzz/corpus/$h"
    echo "fuzz_$h: $seconds s"
    if ! ./build-fuzz/fuzz/fuzz_$h -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
            -artifact_prefix="build-fuzz/crash-$h-" "build-fuzz/corpus/$h" "fuzz/corpus/$h" \
            > "build-fuzz/fuzz_$h.log" 2>&1; then
        echo "fuzz_$h FAILED:"; tail -40 "build-fuzz/fuzz_$h.log"; status=1
    else
        grep -E "^Done [0-9]+ runs" "build-fuzz/fuzz_$h.log" || tail -2 "build-fuzz/fuzz_$h.log"
    fi
done
exit $status
