#!/bin/sh
# The real program under a private X server, driven by keys as a user drives
# it: an event is added, the program is killed with SIGKILL three seconds
# later and started again, and the event is there. On the way, a second start
# on the same data folder must exit and leave the first one running, and an
# event added just before SIGTERM must be saved.
#   kill_check.sh BUILD_DIR
# Exits 77 (skipped) without Xvfb or xdotool.
set -eu
build=$(cd "$1" && pwd)
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/dayloom-kill.XXXXXX")
xpid=""
app=""
cleanup() {
    [ -n "$app" ] && kill -9 "$app" 2>/dev/null || true
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }

# Beside a copy of the program, so its data folder is this test's own.
cp "$build/dayloom" "$work/"
data=$work/dayloom_data
mkdir "$data"

Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xpid=$!
i=0
until [ -s "$work/display" ]; do
    i=$((i + 1)); [ $i -lt 100 ] || fail "Xvfb did not start"; sleep 0.1
done
DISPLAY=:$(cat "$work/display")
export DISPLAY
unset QT_QPA_PLATFORM

# Waits up to 20 s for a visible window of process $1 whose title is $2.
window_of() {
    n=0
    while [ $n -lt 200 ]; do
        w=$(xdotool search --all --onlyvisible --pid "$1" --name "^$2\$" 2>/dev/null | head -1) || true
        [ -n "$w" ] && { echo "$w"; return 0; }
        n=$((n + 1)); sleep 0.1
    done
    return 1
}
start() {
    "$work/dayloom" >>"$work/app.log" 2>&1 &
    app=$!
    win=$(window_of "$app" dayloom) || fail "the window did not show"
}
today() { "$build/dayloom-cli" agenda --data "$data"; }

# Ins, the name, Enter: an event added as a user adds it.
add_event() {
    xdotool windowfocus --sync "$win"
    xdotool key Insert
    editor=$(window_of "$app" "Событие") || fail "Insert did not open the editor"
    xdotool windowfocus --sync "$editor"
    sleep 0.5  # the mapped dialog takes keys once Qt has handled its focus
    xdotool type --delay 20 "$1"
    xdotool key Return
}
# Waits up to 20 s for the program to end.
wait_end() {
    n=0
    while kill -0 "$app" 2>/dev/null; do
        n=$((n + 1)); [ $n -lt 200 ] || fail "$1"
        sleep 0.1
    done
    wait "$app" 2>/dev/null || true
    app=""
}

start
add_event "Survives a kill"
sleep 3
kill -9 "$app"
wait "$app" 2>/dev/null || true
app=""
today | grep -q "Survives a kill" || { today || true; fail "the event added 3 s before SIGKILL is lost"; }
echo "ok: the event added 3 s before SIGKILL is in the file"

# Started again over the killed run's lock.
start
first=$app
second_log=$work/second.log
"$work/dayloom" >"$second_log" 2>&1 &
second=$!
n=0
while kill -0 "$second" 2>/dev/null; do
    n=$((n + 1)); [ $n -lt 100 ] || { kill -9 "$second"; fail "a second start on the same data folder kept running"; }
    sleep 0.1
done
kill -0 "$first" 2>/dev/null || fail "the first program ended when the second started"
echo "ok: a second start exits, the first keeps running"

xdotool windowfocus --sync "$win"
xdotool key ctrl+q
wait_end "Ctrl+Q did not end the program"
today | grep -q "Survives a kill" || fail "the event is gone after a restart and Ctrl+Q"
echo "ok: the event is kept after a restart and Ctrl+Q"

# SIGTERM (a shutdown) at once after a change: the window closes as a user
# closes it, and saves.
start
add_event "Survives a TERM"
sleep 0.3  # Enter handled; the save after the change is still 2 s away
kill -TERM "$app"
wait_end "SIGTERM did not end the program"
today | grep -q "Survives a TERM" || fail "the event added just before SIGTERM is lost"
echo "ok: the event added just before SIGTERM is in the file"
