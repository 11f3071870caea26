#!/bin/bash
# The real program with a realistic store under an X server: seconds from
# launch until its window is on screen, seconds from Ctrl+Q until it has
# exited (the store is saved on the way out; the reminders of today came due
# at the first tick), and the program's peak memory. A run that does not end
# with status 0 is reported and its folder (log, core file if any) kept, so the
# script also hunts faults at close: build BUILD_DIR with
# -fsanitize=address and run it many times.
#
#   bench/startup.sh BUILD_DIR COUNT [RUNS]
#   SETTLE=0.5 bench/startup.sh ...   # Ctrl+Q sooner (default 3 s after the window)
#   CHANGE=1 SETTLE=2.1 bench/startup.sh ...   # add an event first, quit SETTLE s
#                                    # later, and check that the file holds it
#                                    # (needs BUILD_DIR/dayloom-cli)
#
# Needs an X server on $DISPLAY (for example `Xvfb :96 -noreset &` and DISPLAY=:96),
# xdotool, and BUILD_DIR/dayloom and BUILD_DIR/make_event_files.
set -euo pipefail
build=$(cd "$1" && pwd)
count=$2
runs=${3:-3}
: "${DISPLAY:?an X server is needed (e.g. Xvfb :96 -noreset & export DISPLAY=:96)}"
command -v xdotool >/dev/null || { echo "xdotool is needed" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
kept=${TMPDIR:-/tmp}/dayloom-failed-runs
failed=0
ulimit -c unlimited 2>/dev/null || true
# Ten years of events, today among them.
first=$(date -d "-5 years" +%Y-01-01)
"$build/make_event_files" "$count" "$work/store" --first "$first"
size=$(stat -c %s "$work/store/dayloom_data/ListToDo.db")
echo "events: $count, file: $size bytes"

now() { date +%s.%N; }
for run in $(seq "$runs"); do
    dir="$work/run$run"
    mkdir -p "$dir"
    cp "$build/dayloom" "$dir/"
    cp -r "$work/store/dayloom_data" "$dir/"
    t0=$(now)
    (cd "$dir" && exec /usr/bin/time -f "%M" -o "$dir/peak" "$dir/dayloom" >"$dir/log" 2>&1) &
    timer=$!
    pid=""
    while [ -z "$pid" ] && kill -0 "$timer" 2>/dev/null; do pid=$(pgrep -P "$timer" || true); done
    win=""
    # A program that ends before its window shows is a failed run too.
    until [ -z "$pid" ] || ! kill -0 "$pid" 2>/dev/null ||
          { win=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -1) && [ -n "$win" ]; }; do
        sleep 0.01
    done
    t1=$(now)
    if [ -n "$win" ] && [ -n "${CHANGE:-}" ]; then
        # An event added with the keys, then Ctrl+Q SETTLE seconds later:
        # before, during or after the save that follows a change.
        sleep 1
        xdotool windowfocus --sync "$win" 2>/dev/null || true
        xdotool key Insert
        editor=""
        for _ in $(seq 200); do
            editor=$(xdotool search --all --onlyvisible --pid "$pid" --name "^Событие\$" 2>/dev/null | head -1) || true
            [ -n "$editor" ] && break
            sleep 0.05
        done
        xdotool windowfocus --sync "$editor" 2>/dev/null || true
        sleep 0.3
        xdotool type "Change $run"
        xdotool key Return
    fi
    if [ -n "$win" ]; then
        # The first ticks raise today's reminders; give them time to come up.
        sleep "${SETTLE:-3}"
        xdotool windowfocus --sync "$win" 2>/dev/null || true
        xdotool key ctrl+q 2>/dev/null
    fi
    t2=$(now)
    status=0
    wait "$timer" || status=$?
    t3=$(now)
    if [ -n "${CHANGE:-}" ] && [ "$status" -eq 0 ] &&
       ! { "$build/dayloom-cli" agenda --data "$dir/dayloom_data" >"$dir/agenda" &&
           grep -q "Change $run\$" "$dir/agenda"; }; then
        echo "run $run: the added event is not in the file" >>"$dir/log"
        status=99
    fi
    if [ "$status" -ne 0 ] || [ -z "$win" ] || grep -q "ERROR: AddressSanitizer\|runtime error" "$dir/log"; then
        failed=$((failed + 1))
        mkdir -p "$kept"
        rm -rf "$dir/dayloom_data"
        mv "$dir" "$kept/run$run-$$"
        echo "run $run: status $status, kept in $kept/run$run-$$:"
        tail -5 "$kept/run$run-$$/log"
        continue
    fi
    printf 'run %d: window shown %.2f s, Ctrl+Q to exit %.2f s, peak %d MiB\n' "$run" \
        "$(echo "$t1 - $t0" | bc)" "$(echo "$t3 - $t2" | bc)" "$(( $(cat "$dir/peak") / 1024 ))"
    rm -rf "$dir"
done
echo "runs: $runs, failed: $failed"
