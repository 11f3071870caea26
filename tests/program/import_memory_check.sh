#!/bin/sh
# dayloom-cli import-ics on calendars of 16 MB made to be held many times over
# (a line of a few bytes for each thing a reader might keep, a list or a line
# as long as the file), and on one of 77 000 000 bytes, each under an address-space
# limit of 128 MB: every one must be read within it or refused with a message
# (a rule no program writes), never run out of memory or crash, and none may
# take long.
#   import_memory_check.sh BUILD_DIR
# Exits 77 (skipped) for a build with AddressSanitizer, which reserves more
# address space than any limit of this size.
set -eu
cli=$(cd "$1" && pwd)/dayloom-cli
if grep -q __asan_init "$cli"; then echo "SKIPPED: AddressSanitizer build"; exit 77; fi
work=$(mktemp -d "${TMPDIR:-/tmp}/dayloom-memory.XXXXXX")
trap 'rm -rf "$work"' EXIT
size=16000000
limit_kb=131072

# `unit` (lines, without the last line break) again and again up to the size.
lines() { yes "$1" | head -n $((size / (${#1} + 1) * $(printf '%s\n' "$1" | wc -l))); }
# One line: `head`, then `unit` repeated up to the size, then `tail`.
long_line() { printf '%s' "$1"; yes "$2" | head -n $((size / ${#2})) | tr -d '\n'; printf '%s\n' "$3"; }

calendar() {
    name=$1
    shift
    { echo BEGIN:VCALENDAR; "$@"; echo END:VCALENDAR; } >"$work/$name.ics"
}
event() { echo BEGIN:VEVENT; echo DTSTART:20100305T100000; "$@"; echo END:VEVENT; }
zone() {
    printf 'BEGIN:VTIMEZONE\nTZID:Z\nBEGIN:STANDARD\nDTSTART:19700101T000000\nTZOFFSETFROM:+0300\n'
    printf 'TZOFFSETTO:+0300\n'
    "$@"
    printf 'END:STANDARD\nEND:VTIMEZONE\n'
}

calendar properties lines "A:"
calendar components lines "BEGIN:A
END:A"
calendar events lines "BEGIN:VEVENT
DTSTART:20100305
END:VEVENT"
calendar parameters long_line "X" ";A" ":v"
folded() { echo SUMMARY:s; lines " x"; }
calendar folded event folded
calendar alarms event lines "BEGIN:VALARM
TRIGGER:-PT5M
END:VALARM"
calendar starts event lines "DTSTART:20100305T100000"
calendar weekdays event long_line "RRULE:FREQ=WEEKLY;BYDAY=MO" ",MO" ""
calendar rule_parts event long_line "RRULE:FREQ=WEEKLY" ";X=1" ""
calendar zone_dates zone long_line "RDATE:" "," ""
calendar zones lines "BEGIN:VTIMEZONE
TZID:Z
BEGIN:STANDARD
DTSTART:19700101T000000
TZOFFSETFROM:+0300
TZOFFSETTO:+0300
END:STANDARD
END:VTIMEZONE"

# Larger than the 64 MB a calendar was once held whole to: read a block at a
# time, within the same limit, with both its events.
big() {
    event echo SUMMARY:first
    yes "X-FILLER:$(printf '%0100d' 0)" | head -n 700000
    event echo SUMMARY:last
}
calendar large big

status=0
for f in "$work"/*.ics; do
    name=$(basename "$f" .ics)
    rm -rf "$work/data"
    start=$(date +%s)
    code=0
    (ulimit -v $limit_kb && "$cli" import-ics --data "$work/data" "$f" >"$work/out" 2>&1) || code=$?
    if [ $code -eq 0 ] || { [ $code -eq 1 ] && grep -q "^dayloom-cli: .*Ничего не импортировано" "$work/out"; }; then
        took=$(($(date +%s) - start))
        echo "$name: $(cat "$work/out") ($took s)"
        if [ "$took" -gt 60 ]; then echo "FAILED: $name took $took s"; status=1; fi
        if [ "$name" = large ] && ! grep -q "^iCalendar. Добавлено событий: 2\.$" "$work/out"; then
            echo "FAILED: $name did not come in whole"
            status=1
        fi
    else
        echo "FAILED: $name within $limit_kb KB: $(cat "$work/out")"
        status=1
    fi
done
exit $status
