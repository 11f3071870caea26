#!/usr/bin/python3
"""Checks dayloom-cli export-ics with a parser this project did not write.

The event file of every kind (written by ics_check_fixture) is exported; the
file is parsed with Debian's python3-icalendar and its repetitions expanded
with python3-dateutil; for each day of October 2010 the events that fall on it
must be those `dayloom-cli agenda` lists for that day, at the same times.

Usage: ics_check.py CLI FIXTURE WORK
Exit 77 (skipped) when python3-icalendar is not installed.
"""
import datetime
import os
import shutil
import subprocess
import sys

try:
    import icalendar
    from dateutil import rrule
except ImportError as missing:
    print("SKIPPED: python3-icalendar is not installed (%s); "
          "apt-get install python3-icalendar runs this check" % missing)
    sys.exit(77)

cli, fixture, work = sys.argv[1:4]
shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
data = os.path.join(work, "data")
ics = os.path.join(work, "events.ics")
env = dict(os.environ, TZ="Europe/Berlin")
subprocess.run([fixture, data], check=True)
subprocess.run([cli, "export-ics", "--data", data, "-o", ics], check=True, env=env)

raw = open(ics, "rb").read()
for number, line in enumerate(raw.split(b"\r\n"), 1):
    assert len(line) <= 75, "line %d is %d octets long" % (number, len(line))
calendar = icalendar.Calendar.from_ical(raw)
assert calendar["VERSION"] == "2.0"
zones = [str(z["TZID"]) for z in calendar.walk("VTIMEZONE")]
assert zones == ["Europe/Berlin"], zones

YEAR, MONTH = 2010, 10
first = datetime.date(YEAR, MONTH, 1)
days = [first + datetime.timedelta(n) for n in range(31)]


def naive(value):
    """A DTSTART/DTEND/DUE as a wall-clock time of the zone it names."""
    if isinstance(value, datetime.datetime):
        return value.replace(tzinfo=None)
    return datetime.datetime.combine(value, datetime.time())


expected = {day: [] for day in days}  # day -> [(HH:MM or None, name)]
uids = set()
kinds = {"VEVENT": 0, "VTODO": 0}
for component in calendar.walk():
    if component.name not in kinds:
        continue
    kinds[component.name] += 1
    uid = str(component["UID"])
    assert uid not in uids, "UID %s twice" % uid
    uids.add(uid)
    name = str(component["SUMMARY"])
    start = naive(component.decoded("DTSTART"))
    assert component["DTSTART"].params.get("TZID") == "Europe/Berlin", name
    if "RRULE" in component:
        rule = component["RRULE"].to_ical().decode()
        if "UNTIL=" in rule:  # UTC in the file; dateutil wants it as naive as the start
            until = component["RRULE"]["UNTIL"][0].astimezone(
                component.decoded("DTSTART").tzinfo).replace(tzinfo=None)
            rule = ";".join(p for p in rule.split(";") if not p.startswith("UNTIL="))
            rule += ";UNTIL=" + until.strftime("%Y%m%dT%H%M%S")
        moments = set(rrule.rrulestr(rule, dtstart=start).between(
            datetime.datetime(YEAR, MONTH, 1), datetime.datetime(YEAR, MONTH, 31, 23, 59), inc=True))
        moments.add(start)
        for rdate in component.get("RDATE", []) if isinstance(component.get("RDATE"), list) \
                else [component["RDATE"]] if "RDATE" in component else []:
            moments.update(naive(d.dt) for d in rdate.dts)
        for day in days:
            on_day = sorted(m for m in moments if m.date() == day)
            if on_day:
                expected[day].append((on_day[0].strftime("%H:%M"), name))
        continue
    end_key = "DUE" if component.name == "VTODO" else "DTEND"
    end = naive(component.decoded(end_key)) if end_key in component else start
    if component.name == "VTODO" and str(component.get("STATUS")) == "COMPLETED":
        end = start  # a finished to-do shows on its start day only
    for day in days:
        if start.date() <= day <= end.date():
            same_day = end_key not in component
            expected[day].append((start.strftime("%H:%M") if same_day else None, name))

assert kinds["VTODO"] == 2 and kinds["VEVENT"] == 15, kinds

failures = []
for day in days:
    out = subprocess.run([cli, "agenda", "--data", data, "--date", day.isoformat(),
                          "--now", "2010-10-11 09:00"], check=True, capture_output=True,
                         text=True, env=env).stdout
    shown = [tuple(line.split("\t", 1)) for line in out.splitlines()]
    names_shown = sorted(name for _, name in shown)
    names_expected = sorted(name for _, name in expected[day])
    timed = sorted((t, n) for t, n in expected[day] if t is not None)
    missing_times = [entry for entry in timed if entry not in shown]
    if names_shown != names_expected or missing_times:
        failures.append("%s: agenda %s, calendar %s" % (day, shown, expected[day]))

if failures:
    print("\n".join(failures))
    sys.exit(1)
print("ok: %d events and %d to-dos, 31 days of October 2010 as agenda shows them"
      % (kinds["VEVENT"], kinds["VTODO"]))
