# Shared by the checks that drive the real program: sourced, not run.
# Sets up a work folder with a copy of the program (so its data folder is the
# check's own) and a private X server, and helpers to start the program, find
# its windows, add an event with the keys and wait for its end.
#   . x_session.sh BUILD_DIR        (sets build, work, data, DISPLAY)
# Exits 77 (skipped) without Xvfb or xdotool.
build=$(cd "$1" && pwd)
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIPPED: $tool is not installed"; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/dayloom-check.XXXXXX")
xpid=""
app=""
cleanup() {
    [ -n "$app" ] && kill -9 "$app" 2>/dev/null || true
    [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }

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
cli() { "$build/dayloom-cli" "$@"; }
today() { cli agenda --data "$data"; }

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
# A second start on the same data folder must end within 10 s and leave the
# running program ($app) running; $1 says what failed otherwise.
second_start_ends() {
    "$work/dayloom" >>"$work/second.log" 2>&1 &
    second=$!
    n=0
    while kill -0 "$second" 2>/dev/null; do
        n=$((n + 1)); [ $n -lt 100 ] || { kill -9 "$second"; fail "$1"; }
        sleep 0.1
    done
    kill -0 "$app" 2>/dev/null || fail "the first program ended when the second started"
}
