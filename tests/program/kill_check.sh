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

# A reminder put off with "Отложить" on the alert window, the program killed,
# started again after the moment: it comes back at the start, and the file of
# snoozes forgets it. (The moment is moved into the past in that file, as
# the five minutes would.)
start
add_event "Snoozed before a kill"  # starts this minute, reminded on time
alert=$(window_of "$app" "Сообщение") || fail "the reminder of the new event was not raised"
sleep 1.5  # the tick that raises the new tab
eval "$(xdotool getwindowgeometry --shell "$alert")"
xdotool mousemove --sync $((X + WIDTH - 30)) $((Y + HEIGHT - 10)) click 1
sleep 0.5
xdotool key Down Return  # the first choice: 5 minutes
n=0
until cli reminders --data "$data" | grep -q "Snoozed before a kill"; do
    n=$((n + 1)); [ $n -lt 50 ] || fail "the snoozed reminder is not listed by dayloom-cli reminders"; sleep 0.1
done
later=$(cli reminders --data "$data" | grep "Snoozed before a kill" | cut -f1)
[ "$(date -d "$later" +%s)" -gt "$(date +%s)" ] || fail "the snoozed reminder is not put off ($later)"
echo "ok: snoozed for 5 minutes, listed at $later"
kill -9 "$app"
wait "$app" 2>/dev/null || true
app=""
awk -F '\t' 'BEGIN { OFS = "\t" } NR > 1 { $1 = sprintf("%.17g", $1 - 6 / 1440) } { print }' \
    "$data/snoozed" >"$work/snoozed" && mv "$work/snoozed" "$data/snoozed"
start
window_of "$app" "Сообщение" >/dev/null || fail "the snoozed reminder was not raised after the restart"
n=0
while [ "$(grep -c . "$data/snoozed")" -gt 1 ]; do
    n=$((n + 1)); [ $n -lt 50 ] || fail "the raised snooze stays in the file"; sleep 0.1
done
echo "ok: the snooze whose moment passed while killed is raised at the start and forgotten"
