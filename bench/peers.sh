#!/bin/bash
# dayloom-cli agenda beside calcurse and remind: the same realistic store
# (bench/realistic_store.h) in each program's own format, the day's list of
# three sample days from each, checked to hold the same events, and the CPU
# time each program takes for one day's list, as ratios.
#
#   bench/peers.sh BUILD_DIR [COUNT]      (COUNT defaults to 100000)
#
# Installs calcurse and remind from Debian when they are missing (run as
# root). Not part of the test run: calcurse alone needs minutes at 100,000
# events.
#
# Where the rules differ, the generator gives the peers what dayloom shows:
# a completed lasting or repeating event is listed by dayloom on its start
# day only, so the peers get it as a one-off event. The comparison is of the
# events' names (with their counts); the start texts are each program's own.
set -euo pipefail
build=$(cd "$1" && pwd)
count=${2:-100000}
days=(2021-06-15 2022-02-28 2024-11-04)
runs=5

missing=()
command -v calcurse >/dev/null || missing+=(calcurse)
command -v remind >/dev/null || missing+=(remind)
command -v python3 >/dev/null || missing+=(python3)
if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/make_event_files" "$count" "$work" --first 2017-01-01 --peers
touch "$work/calcurse/todo"
mkdir -p "$work/calcurse-conf"
echo "events: $count; files: dayloom $(stat -c %s "$work/dayloom_data/ListToDo.db") B," \
     "calcurse $(stat -c %s "$work/calcurse/apts") B, remind $(stat -c %s "$work/remind/events.rem") B"
echo "$(calcurse --version | head -1); $(remind -h 2>&1 | head -2 | tail -1 | cut -c1-40)"

python3 - "$build/dayloom-cli" "$work" "$runs" "${days[@]}" <<'EOF'
import collections, os, resource, statistics, subprocess, sys

cli, work, runs, days = sys.argv[1], sys.argv[2], int(sys.argv[3]), sys.argv[4:]

def run(cmd):
    """Runs a command; its output and the CPU seconds (user + system) it took."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    out = subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL).stdout
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return out.decode('utf-8'), cpu

def dayloom(day):
    return [f'{cli}', 'agenda', '--data', f'{work}/dayloom_data', '--date', day, '--now', f'{day} 12:00']

def remind(day):
    return ['remind', '-q', '-r', f'{work}/remind/events.rem', day]

def calcurse(day):
    y, m, d = day.split('-')
    return ['calcurse', '-D', f'{work}/calcurse', '-C', f'{work}/calcurse-conf', '--read-only',
            '-d', f'{m}/{d}/{y}']

def names(program, text):
    lines = text.split('\n')
    if program == 'dayloom':
        return [l.split('\t', 1)[1] for l in lines if '\t' in l]
    if program == 'remind':  # a heading, then each message followed by an empty line
        return [l for l in lines[1:] if l.strip()]
    return [l[1:] for l in lines if l.startswith('\t')]  # calcurse: names indented by a tab

commands = {'dayloom': dayloom, 'remind': remind, 'calcurse': calcurse}
cpu = collections.defaultdict(list)
ok = True
for day in days:
    found = {}
    for program, cmd in commands.items():
        # calcurse takes minutes here, so it runs once per day.
        for _ in range(1 if program == 'calcurse' else runs):
            out, seconds = run(cmd(day))
            cpu[program].append(seconds)
        found[program] = collections.Counter(names(program, out))
    same = found['dayloom'] == found['remind'] == found['calcurse']
    ok = ok and same
    print(f'{day}: dayloom {sum(found["dayloom"].values())}, remind {sum(found["remind"].values())}, '
          f'calcurse {sum(found["calcurse"].values())} events: {"the same" if same else "DIFFERENT"}')
    if not same:
        for other in ('remind', 'calcurse'):
            extra = found['dayloom'] - found[other]
            lacking = found[other] - found['dayloom']
            if extra or lacking:
                print(f'  dayloom has and {other} lacks: {list(extra.elements())[:5]}; '
                      f'{other} has and dayloom lacks: {list(lacking.elements())[:5]}')

med = {p: statistics.median(v) for p, v in cpu.items()}
print('CPU seconds for one day\'s list (median over the days' + f' and {runs} runs; calcurse 1 run a day):')
for p in commands:
    print(f'  {p:9} {med[p]*1000:10.1f} ms')
print(f'dayloom / remind   = {med["dayloom"] / med["remind"]:.3f}  (target <= 0.5)')
print(f'dayloom / calcurse = {med["dayloom"] / med["calcurse"]:.5f}  (target <= 0.1)')
sys.exit(0 if ok else 1)
EOF
