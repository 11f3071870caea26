#!/usr/bin/python3
"""Checks that two other calendar programs read dayloom's export as dayloom shows it.

A calendar of the shapes other programs write (a weekly series with COUNT and
an EXDATE, a Berlin series across the change of summer time, a daily one with
UNTIL, repeating whole days, a span of whole days) is imported with
dayloom-cli, exported again, and read by calcurse (`calcurse -i`) and by khal
(`khal import`), each in a home of its own. On every day of March 2025 up to
the change of summer time, on a Moscow clock, each program must list the same
events at the same times as `dayloom-cli agenda`. (calcurse keeps no zones: it
repeats a series on the clock of its first occurrence, so after the change it
and dayloom part by design; the change itself is checked against libical in
the library's tests.)

Usage: peers_check.py CLI WORK
Exit 77 (skipped) when neither calcurse nor khal is installed; a missing one
is named and left out.
"""
import os
import re
import shutil
import subprocess
import sys
import datetime

cli, work = sys.argv[1:3]
peers = [p for p in ("calcurse", "khal") if shutil.which(p)]
for p in ("calcurse", "khal"):
    if p not in peers:
        print("SKIPPED %s: not installed (apt-get install %s runs this part)" % (p, p))
if not peers:
    sys.exit(77)

shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
env = dict(os.environ, TZ="Europe/Moscow", HOME=work, XDG_CONFIG_HOME=os.path.join(work, "config"),
           XDG_DATA_HOME=os.path.join(work, "share"), LANG="C.UTF-8", LC_ALL="C.UTF-8")

SAMPLE = """BEGIN:VCALENDAR
VERSION:2.0
PRODID:-//example//peers//EN
BEGIN:VEVENT
UID:choir@example.org
DTSTART;TZID=Europe/Berlin:20250303T183000
DTEND;TZID=Europe/Berlin:20250303T200000
RRULE:FREQ=WEEKLY;COUNT=6;BYDAY=MO
EXDATE;TZID=Europe/Berlin:20250317T183000
SUMMARY:Choir
END:VEVENT
BEGIN:VEVENT
UID:course@example.org
DTSTART;TZID=Europe/Berlin:20250301T100000
DTEND;TZID=Europe/Berlin:20250301T113000
RRULE:FREQ=WEEKLY;INTERVAL=2
SUMMARY:Course
END:VEVENT
BEGIN:VEVENT
UID:gym@example.org
DTSTART:20250310T050000Z
DURATION:PT45M
RRULE:FREQ=DAILY;INTERVAL=3;UNTIL=20250410T050000Z
SUMMARY:Gym
END:VEVENT
BEGIN:VEVENT
UID:cleaning@example.org
DTSTART;VALUE=DATE:20250304
DTEND;VALUE=DATE:20250305
RRULE:FREQ=WEEKLY;COUNT=5
SUMMARY:Cleaning
END:VEVENT
BEGIN:VEVENT
UID:trip@example.org
DTSTART;VALUE=DATE:20250320
DTEND;VALUE=DATE:20250323
SUMMARY:Trip
END:VEVENT
END:VCALENDAR
""".replace("\n", "\r\n")

sample = os.path.join(work, "sample.ics")
exported = os.path.join(work, "exported.ics")
data = os.path.join(work, "data")
open(sample, "w", encoding="utf-8", newline="").write(SAMPLE)
subprocess.run([cli, "import-ics", "--data", data, sample], check=True, env=env, capture_output=True)
subprocess.run([cli, "export-ics", "--data", data, "-o", exported], check=True, env=env, capture_output=True)

first = datetime.date(2025, 3, 1)
days = [first + datetime.timedelta(n) for n in range(29)]
TIME = re.compile(r"^\d\d:\d\d$")


def shown(time):
    """A start time as the three programs can agree on it: whole days have none."""
    return time if TIME.match(time) and time != "00:00" else "*"


def dayloom():
    seen = {}
    for day in days:
        out = subprocess.run([cli, "agenda", "--data", data, "--date", day.isoformat(),
                              "--now", "2025-03-01 00:00"], check=True, capture_output=True,
                             text=True, env=env).stdout
        seen[day] = sorted((shown(t), n) for t, n in (line.split("\t", 1) for line in out.splitlines()))
    return seen


def calcurse():
    home = os.path.join(work, "calcurse")
    os.makedirs(home)
    subprocess.run(["calcurse", "-D", home, "-q", "-i", exported], check=True, env=env, capture_output=True)
    out = subprocess.run(["calcurse", "-D", home, "-Q", "--from", first.strftime("%m/%d/%Y"), "--days", str(len(days)),
                          "--format-apt", " %S\t%m\n", "--format-recur-apt", " %S\t%m\n",
                          "--format-event", " *\t%m\n", "--format-recur-event", " *\t%m\n"],
                         check=True, capture_output=True, text=True, env=env).stdout
    seen = {day: [] for day in days}
    day = None
    for line in out.splitlines():
        header = re.match(r"^(\d\d)/(\d\d)/(\d\d):$", line)
        if header:
            day = datetime.date(2000 + int(header.group(3)), int(header.group(1)), int(header.group(2)))
        elif line.startswith(" ") and "\t" in line and day in seen:
            time, name = line[1:].split("\t", 1)
            seen[day].append((shown(time), name))
    return {d: sorted(v) for d, v in seen.items()}


def khal():
    root = os.path.join(work, "khal")
    calendar = os.path.join(root, "cal")
    os.makedirs(calendar)
    config = os.path.join(root, "config")
    open(config, "w").write("""[calendars]
[[cal]]
path = %s
type = calendar
[locale]
timeformat = %%H:%%M
dateformat = %%Y-%%m-%%d
longdateformat = %%Y-%%m-%%d
datetimeformat = %%Y-%%m-%%d %%H:%%M
longdatetimeformat = %%Y-%%m-%%d %%H:%%M
local_timezone = Europe/Moscow
default_timezone = Europe/Moscow
""" % calendar)
    subprocess.run(["khal", "-c", config, "import", "--batch", "-a", "cal", exported],
                   check=True, env=env, capture_output=True)
    seen = {}
    for day in days:
        out = subprocess.run(["khal", "-c", config, "list", "--day-format", "",
                              "--format", "{start-date}|{start-time}|{title}", day.isoformat(), "1d"],
                             check=True, capture_output=True, text=True, env=env).stdout
        rows = []
        for line in out.splitlines():
            parts = line.split("|", 2)
            if len(parts) != 3:
                continue
            # A span already begun shows its start date; it is on this day all the same.
            rows.append((shown(parts[1]) if parts[0] == day.isoformat() else "*", parts[2]))
        seen[day] = sorted(rows)
    return seen


ours = dayloom()
if sum(len(v) for v in ours.values()) < 20:
    print("dayloom shows too little: %s" % ours)
    sys.exit(1)
failures = []
for peer in peers:
    theirs = globals()[peer]()
    for day in days:
        if theirs[day] != ours[day]:
            failures.append("%s %s: dayloom %s, %s %s" % (peer, day, ours[day], peer, theirs[day]))
if failures:
    print("\n".join(failures))
    sys.exit(1)
print("ok: %s show the export as dayloom does on %d days" % (" and ".join(peers), len(days)))
