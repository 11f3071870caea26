#!/bin/sh
# Two writers on one data folder, as real processes: nothing either writes is
# lost and neither reports a success it did not have.
#   writers_check.sh BUILD_DIR [RUNS] [EVENTS] [BIG]
# 1. RUNS times (100) two writing commands at once on a store of EVENTS
#    events (20,000): both exit 0 and the file holds both one's events.
# 2. `export-ics -o` onto a device and into a pipe writes into them.
# 3. The window started while a command writes a store of BIG events
#    (1,000,000): it waits for the command and keeps what it wrote.
# 4. The lock file deleted under a running window: a second start still only
#    wakes the first, a command writes, the window adds an event and closes:
#    both are in the file.
# 5. The options file cannot be written: an event added is on disk before a
#    SIGKILL 4 s later; SIGTERM with a modal dialog open saves and ends.
# Exits 77 (skipped) without Xvfb or xdotool.
set -eu
runs=${2:-100}
events=${3:-20000}
big=${4:-1000000}
. "$(dirname "$0")/x_session.sh"

count() { od -An -tu4 -N4 "$1" | tr -d ' '; }
ics=$work/three.ics
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//check//EN\r\n' >"$ics"
for n in 1 2 3; do
    printf 'BEGIN:VEVENT\r\nUID:check-%s\r\nDTSTART:2031010%sT100000\r\nSUMMARY:Из календаря %s\r\nEND:VEVENT\r\n' \
        "$n" "$n" "$n" >>"$ics"
done
printf 'END:VCALENDAR\r\n' >>"$ics"

# 1. Two writing commands at once.
"$build/make_event_files" "$events" "$work/base" >/dev/null
base=$(count "$work/base/dayloom_data/ListToDo.db")
cp "$work/base/dayloom_data/ListToDo.db" "$data/"
cli good-days --data "$data" --birth-day 13 --year 2031 --months 3 >/dev/null
days=$(($(count "$data/ListToDo.db") - base))
[ "$days" -gt 0 ] || fail "good-days added nothing"
i=0
while [ $i -lt "$runs" ]; do
    i=$((i + 1))
    cp "$work/base/dayloom_data/ListToDo.db" "$data/ListToDo.db"
    cli import-ics --data "$data" "$ics" >"$work/a.out" 2>&1 &
    a=$!
    cli good-days --data "$data" --birth-day 13 --year 2031 --months 3 >"$work/b.out" 2>&1 &
    b=$!
    ra=0; rb=0
    wait $a || ra=$?
    wait $b || rb=$?
    [ $ra -eq 0 ] && [ $rb -eq 0 ] || { cat "$work/a.out" "$work/b.out"; fail "run $i: exit $ra and $rb"; }
    got=$(count "$data/ListToDo.db")
    [ "$got" -eq $((base + 3 + days)) ] || fail "run $i: $got events, not $((base + 3 + days))"
    leftovers=$(ls -A "$data" | grep -v -e '^ListToDo.db$' -e '^dayloom.lock$' || true)
    [ -z "$leftovers" ] || fail "run $i left $leftovers"
done
echo "ok: $runs times two writing commands at once on $events events: both exit 0, nothing lost"

# 2. Outputs that are not regular files.
cli export-ics --data "$data" --from 2031-01-01 --to 2031-01-31 -o /dev/null >/dev/null
[ -c /dev/null ] || fail "/dev/null is no longer a device"
cli export-ics --data "$data" --from 2031-01-01 --to 2031-01-31 -o /dev/stdout | cat >"$work/piped.ics"
grep -q "Из календаря 2" "$work/piped.ics" || fail "export-ics -o /dev/stdout into a pipe wrote nothing"
touch "$work/cal.ics.tmp-42"
cli export-ics --data "$data" -o "$work/cal.ics" >/dev/null
[ -f "$work/cal.ics.tmp-42" ] || fail "export-ics removed a file it did not make"
echo "ok: export-ics -o writes into a device and a pipe and removes nothing"

# 3. The window started while a command writes a large store.
"$build/make_event_files" "$big" "$work/big" >/dev/null
cp "$work/big/dayloom_data/ListToDo.db" "$data/ListToDo.db"
bigCount=$(count "$data/ListToDo.db")
cli import-ics --data "$data" "$ics" >"$work/a.out" 2>&1 &
a=$!
sleep 0.2  # the command holds the folder and is reading
start
ra=0
wait $a || ra=$?
[ $ra -eq 0 ] || { cat "$work/a.out"; fail "the command failed beside the window's start"; }
kill -TERM "$app"
wait_end "SIGTERM did not end the program"
[ "$(count "$data/ListToDo.db")" -eq $((bigCount + 3)) ] || fail "the command's events are lost to the window"
echo "ok: the window started during a command's write at $big events keeps the command's events"

# 4. The lock file deleted under a running window.
cp "$work/base/dayloom_data/ListToDo.db" "$data/ListToDo.db"
start
rm -f "$data/dayloom.lock"
second_start_ends "a second window started after the lock file was deleted"
rc=0
cli import-ics --data "$data" "$ics" >"$work/a.out" 2>&1 || rc=$?
add_event "Added in the window"
sleep 3
xdotool windowfocus --sync "$win"
xdotool key ctrl+q
wait_end "Ctrl+Q did not end the program"
cli export-ics --data "$data" -o "$work/after.ics" >/dev/null
grep -q "Added in the window" "$work/after.ics" || fail "the window's event is lost"
# The window makes its lock file again within seconds: the command either
# came first and its events are kept, or it was told the window is open.
if [ $rc -eq 0 ]; then
    grep -q "Из календаря 3" "$work/after.ics" || fail "the command's events are lost at the window's close"
else
    grep -q "окно dayloom" "$work/a.out" || { cat "$work/a.out"; fail "the command failed for another reason"; }
fi
echo "ok: with the lock file deleted a second window only wakes the first, and nothing is lost"

# 5. Options that cannot be written.
rm -f "$data/user_options"
mkdir -p "$data/user_options/blocker"
start
add_event "Despite the options"
sleep 4
kill -9 "$app"
wait "$app" 2>/dev/null || true
app=""
today | grep -q "Despite the options" || fail "with the options unwritable, the event is lost to a kill 4 s later"
start
add_event "Before a TERM"
xdotool windowfocus --sync "$win"
xdotool key ctrl+F12
window_of "$app" "Настройки" >/dev/null || fail "Ctrl+F12 did not open the preferences"
kill -TERM "$app"
wait_end "SIGTERM did not end the program while a dialog was open"
today | grep -q "Before a TERM" || fail "SIGTERM with a dialog open did not save"
echo "ok: unwritable options hold no event back; SIGTERM with a dialog open saves and ends"
