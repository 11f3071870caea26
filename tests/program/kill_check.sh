#!/bin/sh
# The real program under a private X server, driven by keys as a user drives
# it: an event is added, the program is killed with SIGKILL three seconds
# later and started again, and the event is there. On the way, a second start
# on the same data folder must exit and leave the first one running, and an
# event added just before SIGTERM must be saved.
#   kill_check.sh BUILD_DIR
# Exits 77 (skipped) without Xvfb or xdotool.
set -eu
. "$(dirname "$0")/x_session.sh"

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
second_start_ends "a second start on the same data folder kept running"
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
