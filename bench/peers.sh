#!/bin/bash
# dayloom-cli agenda beside calcurse and remind: the same realistic store
# (bench/realistic_store.h) in each program's own format, the day's list of
# three sample days from each, checked to hold the same events at the same
# start times, and the CPU time each program takes for one day's list, as
# ratios.
#
#   bench/peers.sh BUILD_DIR [COUNT]      (COUNT defaults to 100000)
#
# A peer that is not installed is left out, and the script says so; install
# them with `apt-get install calcurse remind`. Not part of the test run.
#
# calcurse grows as N^2.5 to N^3 (about two minutes a day's list at 100,000
# events), so it runs only up to PEERS_CALCURSE_MAX events (100000), and a
# run that takes longer than PEERS_CALCURSE_TIMEOUT seconds (300) is stopped;
# its figures are then "—".
#
# Where the rules differ, the generator gives the peers what dayloom shows:
# a completed lasting or repeating event is listed by dayloom on its start
# day only, so the peers get it as a one-off event. Each list is compared as
# (start, name) pairs with their counts. dayloom runs with the moment at the
# day's midnight, so the "Старт" column holds the start time of every event
# that begins that day; a span that began earlier shows its time left there,
# calcurse "..:..", remind "…": all three compare as "…".
set -euo pipefail
if [ $# -lt 1 ]; then
    echo "usage: bench/peers.sh BUILD_DIR [COUNT]" >&2
    exit 2
fi
build=$(cd "$1" && pwd)
count=${2:-100000}
calcurse_max=${PEERS_CALCURSE_MAX:-100000}
calcurse_timeout=${PEERS_CALCURSE_TIMEOUT:-300}
days=(2021-06-15 2022-02-28 2024-11-04)
runs=5

if ! command -v python3 >/dev/null; then
    echo "peers.sh needs python3 (apt-get install python3)" >&2
    exit 2
fi
for tool in dayloom-cli make_event_files; do
    if [ ! -x "$build/$tool" ]; then
        echo "no $build/$tool: build dayloom first" >&2
        exit 2
    fi
done

peers=()
for peer in remind calcurse; do
    if ! command -v "$peer" >/dev/null; then
        echo "$peer: not installed, left out (apt-get install $peer)"
    elif [ "$peer" = calcurse ] && [ "$count" -gt "$calcurse_max" ]; then
        echo "calcurse: left out above $calcurse_max events (PEERS_CALCURSE_MAX); it grows as N^2.5 to N^3"
    else
        peers+=("$peer")
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/make_event_files" "$count" "$work" --first 2017-01-01 --peers
touch "$work/calcurse/todo"
mkdir -p "$work/calcurse-conf"
echo "events: $count; files: dayloom $(stat -c %s "$work/dayloom_data/ListToDo.db") B," \
     "calcurse $(stat -c %s "$work/calcurse/apts") B, remind $(stat -c %s "$work/remind/events.rem") B"
for peer in "${peers[@]}"; do
    case $peer in  # (head closes the pipe early: not a failure)
        calcurse) echo "$(calcurse --version | head -1)" ;;
        remind) echo "$(remind -h 2>&1 | head -2 | tail -1 | cut -c1-40)" ;;
    esac
done

python3 - "$build/dayloom-cli" "$work" "$runs" "$calcurse_timeout" "${peers[*]}" "${days[@]}" <<'EOF'
import collections, re, resource, statistics, subprocess, sys

cli, work, runs, timeout = sys.argv[1], sys.argv[2], int(sys.argv[3]), float(sys.argv[4])
peers, days = sys.argv[5].split(), sys.argv[6:]
programs = ['dayloom'] + peers
GOING_ON = '…'  # a span that began on an earlier day: no start on this one

def run(cmd, limit=None):
    """Runs a command; its output and the CPU seconds (user + system) it took,
    or (None, None) when it ran past `limit` seconds and was stopped."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    try:
        out = subprocess.run(cmd, check=True, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             timeout=limit).stdout
    except subprocess.TimeoutExpired:
        return None, None
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return out.decode('utf-8'), cpu

def command(program, day):
    if program == 'dayloom':
        return [cli, 'agenda', '--data', f'{work}/dayloom_data', '--date', day, '--now', f'{day} 00:00']
    if program == 'remind':
        return ['remind', '-q', '-r', f'{work}/remind/events.rem', day]
    y, m, d = day.split('-')
    return ['calcurse', '-D', f'{work}/calcurse', '-C', f'{work}/calcurse-conf', '--read-only',
            '-d', f'{m}/{d}/{y}']

HHMM = re.compile(r'^\d\d:\d\d$')

def rows(program, text):
    """The day's list as (start, name) pairs."""
    lines = text.split('\n')
    if program == 'dayloom':  # the start text, a tab, the name
        out = []
        for l in lines:
            if '\t' in l:
                start, name = l.split('\t', 1)
                out.append((start if HHMM.match(start) else GOING_ON, name))
        return out
    if program == 'remind':  # a heading, then "at HH:MM name" or "… name", each followed by an empty line
        out = []
        for l in lines[1:]:
            if not l.strip():
                continue
            m = re.match(r'^at (\d\d:\d\d) (.*)$', l)
            out.append((m.group(1), m.group(2)) if m else tuple(l.split(' ', 1)))
        return out
    out, start = [], None  # calcurse: " - HH:MM -> HH:MM" (or "..:.."), then the name after a tab
    for l in lines:
        m = re.match(r'^ - (\S+) -> ', l)
        if m:
            start = m.group(1) if HHMM.match(m.group(1)) else GOING_ON
        elif l.startswith('\t'):
            out.append((start, l[1:]))
    return out

cpu = collections.defaultdict(list)
stopped = set()
ok = True
for day in days:
    found = {}
    for program in programs:
        if program in stopped:
            continue
        # calcurse takes minutes at 100,000 events, so it runs once per day.
        for _ in range(1 if program == 'calcurse' else runs):
            out, seconds = run(command(program, day), timeout if program == 'calcurse' else None)
            if out is None:
                print(f'{day}: {program} stopped after {timeout:.0f} s; left out from here on')
                stopped.add(program)
                break
            cpu[program].append(seconds)
        if program not in stopped:
            found[program] = collections.Counter(rows(program, out))
    names = {p: collections.Counter(n for _, n in f.elements()) for p, f in found.items()}
    same = all(f == found['dayloom'] for f in found.values())
    same_names = all(n == names['dayloom'] for n in names.values())
    ok = ok and same
    counts = ', '.join(f'{p} {sum(f.values())}' for p, f in found.items())
    verdict = ('no peer to compare with' if len(found) == 1 else
               'the same names and start times' if same else
               'the same names, DIFFERENT start times' if same_names else 'DIFFERENT')
    print(f'{day}: {counts} events: {verdict}')
    if not same:
        for other in found:
            extra = found['dayloom'] - found[other]
            lacking = found[other] - found['dayloom']
            if extra or lacking:
                print(f'  dayloom has and {other} lacks: {list(extra.elements())[:5]}; '
                      f'{other} has and dayloom lacks: {list(lacking.elements())[:5]}')

med = {p: statistics.median(v) if p not in stopped and v else None for p, v in
       ((p, cpu[p]) for p in programs)}
shown = lambda x, fmt: '—' if x is None else format(x, fmt)
print(f'CPU seconds for one day\'s list (median over the days and {runs} runs; calcurse 1 run a day):')
for p in programs:
    print(f'  {p:9} {shown(None if med[p] is None else med[p] * 1000, "10.1f"):>10} ms')
for p, target in (('remind', '0.5'), ('calcurse', '0.1')):
    if p in programs:
        ratio = None if med[p] is None else med['dayloom'] / med[p]
        print(f'dayloom / {p:8} = {shown(ratio, ".5f")}  (target <= {target})')
sys.exit(0 if ok else 1)
EOF
