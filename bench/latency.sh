#!/bin/bash
# Key → repaint of the real window for the actions of the day, with a
# realistic store: the median over TRIES of the milliseconds from the key sent
# to the X server until the window's last repaint (bench/key_latency.cpp, X
# DAMAGE). The library calls behind each action are timed by build/bench_actions.
#
#   bench/latency.sh BUILD_DIR COUNT [TRIES]
#
# Needs an X server on $DISPLAY (for example `Xvfb :96 -noreset &` and
# DISPLAY=:96) and xdotool; builds BUILD_DIR/key_latency (installing the X
# DAMAGE and XTEST headers when missing). Run it on a quiet machine.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
count=$2
tries=${3:-7}
: "${DISPLAY:?an X server is needed (e.g. Xvfb :96 -noreset & export DISPLAY=:96)}"
. "$here/tools/packages.sh"
need_packages libxdamage-dev libxtst-dev xdotool
if [ ! -x "$build/key_latency" ] || [ "$here/bench/key_latency.cpp" -nt "$build/key_latency" ]; then
    g++ -O2 -std=c++20 -o "$build/key_latency" "$here/bench/key_latency.cpp" -lXdamage -lXtst -lX11
fi

work=$(mktemp -d)
pid=""
trap '[ -n "$pid" ] && { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }; rm -rf "$work"' EXIT
first=$(date -d "-5 years" +%Y-01-01)
"$build/make_event_files" "$count" "$work/store" --first "$first" >/dev/null

win=""
# A fresh copy of the store, the program started on it, its window focused
# and the calendar clicked (the arrows and the page keys are the calendar's).
start() {
    [ -n "$pid" ] && { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true; }
    rm -rf "$work/run"
    mkdir -p "$work/run"
    cp "$build/dayloom" "$work/run/"
    cp -r "$work/store/dayloom_data" "$work/run/"
    (cd "$work/run" && exec ./dayloom >"$work/log" 2>&1) &
    pid=$!
    win=""
    for _ in $(seq 600); do
        win=$(xdotool search --onlyvisible --pid "$pid" --name "dayloom" 2>/dev/null | head -1) && [ -n "$win" ] && break
        sleep 0.05
    done
    [ -n "$win" ] || { echo "the window did not show"; cat "$work/log"; exit 1; }
    sleep 2  # today's reminders come up at the first ticks
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    eval "$(xdotool getwindowgeometry --shell "$win")"
}

median() { sort -n | awk '{a[NR]=$1} END {if (NR == 0) print "none"; else print a[int((NR + 1) / 2)]}'; }

# One key, TRIES times, on the running program; before each, a click on the
# calendar (the arrows and the page keys are its keys) or on the first event
# of the day's list (completion and Del act on the selected event).
measure() {
    local key=$1 y=$2 i
    for i in $(seq "$tries"); do
        xdotool mousemove --window "$win" $((WIDTH / 2)) "$y" click 1
        sleep 0.3
        "$build/key_latency" "$win" "$key"
    done | grep -v none | median
}
calendar=110 firstRow=270

start
printf '%-34s %s ms\n' "next day (Right)" "$(measure Right $calendar)"
printf '%-34s %s ms\n' "next month (PageDown)" "$(measure Next $calendar)"
printf '%-34s %s ms\n' "completion (Space)" "$(measure space $firstRow)"
printf '%-34s %s ms\n' "Del" "$(measure Delete $firstRow)"
adds=()
for i in $(seq "$tries"); do
    # The event added before is due now: its reminder's window took the focus.
    xdotool windowfocus --sync "$win" 2>/dev/null || true
    sleep 0.3
    xdotool key Insert
    sleep 0.6
    xdotool type "latency $i"
    sleep 0.2
    adds+=("$("$build/key_latency" "$win" Return)")
done
printf '%-34s %s ms\n' "add (Return in the editor)" "$(printf '%s\n' "${adds[@]}" | grep -v none | median)"
purges=()
for i in $(seq "$tries"); do
    start
    xdotool mousemove --window "$win" $((WIDTH / 2)) $calendar click 1
    sleep 0.3
    purges+=("$("$build/key_latency" "$win" ctrl+Delete)")
done
printf '%-34s %s ms\n' "purge (Ctrl+Del)" "$(printf '%s\n' "${purges[@]}" | grep -v none | median)"
