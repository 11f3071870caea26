#!/bin/sh
# Runs the real program under Xvfb with a real tray host (trayer) and plays
# the user with xdotool: the icon docks, the caption bar's "-" hides the
# window into the tray, a left click on the icon brings it back, the icon's
# menu restores and exits; with no tray the window stays reachable, and a
# tray that goes away gives a hidden window back.
#
#   tools/tray-check.sh [--display :98] [--build build] [--shots DIR]
#
# --shots writes tray.png (the tray menu) and preferences.png (the dialog
# with the theme editor open) into DIR. Installs what is missing (Debian 12,
# as root). Exits 1 at the first check that fails.
set -eu
cd "$(dirname "$0")/.."
display=:98
build=build
shots=""
while [ $# -gt 0 ]; do
    case "$1" in
        --display) display=$2; shift 2 ;;
        --build) build=$2; shift 2 ;;
        --shots) shots=$(realpath "$2"); shift 2 ;;
        *) echo "usage: $0 [--display :N] [--build DIR] [--shots DIR]" >&2; exit 2 ;;
    esac
done

. tools/packages.sh
need_packages xvfb trayer xdotool x11-utils imagemagick
[ -x "$build/dayloom" ] || { echo "tray-check: no $build/dayloom; build first" >&2; exit 1; }

work=$(mktemp -d /tmp/dayloom-tray.XXXXXX)
xvfb="" tray="" app=""
cleanup() {
    for p in $app $tray $xvfb; do kill "$p" 2>/dev/null && wait "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT INT TERM
fail() { echo "tray-check: FAILED: $*" >&2; exit 1; }
say() { echo "tray-check: $*"; }

Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
export DISPLAY="$display"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start on $display"
# A desktop colour behind the pictures rather than black.
display -window root -size 1280x1024 xc:'#4f7396' 2>/dev/null || true

# The program runs from a folder of its own, so its data and autostart stay there.
cp "$build/dayloom" "$work/"
[ -f "$build/ding.wav" ] && cp "$build/ding.wav" "$work/"
export HOME="$work" XDG_CONFIG_HOME="$work/config"

start_tray() {
    trayer --edge top --align right --widthtype pixel --width 120 --height 28 --SetDockType true \
        --transparent false --tint 0xd0d0d0 >"$work/trayer.log" 2>&1 &
    tray=$!
    sleep 1
}
stop_tray() { kill "$tray"; wait "$tray" 2>/dev/null || true; tray=""; sleep 0.5; }
start_app() {
    (cd "$work" && exec ./dayloom) >"$work/dayloom.log" 2>&1 &
    app=$!
    for _ in $(seq 50); do [ -n "$(main_window)" ] && break; sleep 0.1; done
    [ -n "$(main_window)" ] || fail "the main window did not appear"
    sleep 0.5
}
stop_app() { kill "$app"; wait "$app" 2>/dev/null || true; app=""; }

# "id X Y W H" of the program's windows, from the window tree.
windows() {
    xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) "[^"]*": ("dayloom" "dayloom")  \([0-9]*\)x\([0-9]*\)+[-0-9]*+[-0-9]*  +\([-0-9]*\)+\([-0-9]*\)$/\1 \4 \5 \2 \3/p'
}
main_window() { windows | awk '$4 == 265 { print; exit }'; }
tray_icon() { windows | awk '$4 < 64 && $5 < 64 { print; exit }'; }
map_state() { xwininfo -id "$1" | sed -n 's/.*Map State: //p'; }
# The open popup menu: a shown window of the program that is none of the others.
popup() {
    windows | while read -r id x y w h; do
        [ "$w" -ne 265 ] && [ "$w" -ne 388 ] && [ "$w" -ge 64 ] && [ "$(map_state "$id")" = IsViewable ] &&
            { echo "$id"; break; }
    done
}
click() { xdotool mousemove "$1" "$2" click "$3"; sleep 0.7; }

# ---- with a tray ----
start_tray
start_app
set -- $(main_window)
win=$1 wx=$2 wy=$3
icon=$(tray_icon)
[ -n "$icon" ] || fail "no icon docked in the tray"
set -- $icon
ix=$(($2 + $4 / 2)) iy=$(($3 + $5 / 2))
say "icon docked in the tray at $ix,$iy"
xprop -id "$win" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_UTILITY ||
    fail "the window asks for a task-bar entry while a tray exists"
say "the window is a utility window: no task-bar entry"

click $((wx + 265 - 14)) $((wy + 14)) 1
[ "$(map_state "$win")" = IsUnMapped ] || fail "\"-\" did not hide the window"
say "\"-\" hid the window into the tray"
click "$ix" "$iy" 1
[ "$(map_state "$win")" = IsViewable ] || fail "a left click on the icon did not restore the window"
say "a left click on the icon restored it"
click "$ix" "$iy" 1
[ "$(map_state "$win")" = IsViewable ] || fail "a second left click hid the window"
say "a second left click keeps it shown"

if [ -n "$shots" ]; then
    # The preferences from the date strip's button, with the theme editor open.
    click $((wx + 59)) $((wy + 28 + 185 + 11)) 1
    dlg=$(windows | awk '$4 == 388 { print; exit }')
    [ -n "$dlg" ] || fail "the preferences did not open"
    set -- $dlg
    click $(($2 + 388 - 51)) $(($3 + 65)) 1  # the theme editor, left of the restore button
    dlg=$(windows | awk '$4 == 388 { print; exit }')
    set -- $dlg
    [ "$5" -eq 401 ] || fail "the theme editor did not open"
    click $(($2 + 60)) $(($3 + 82 + 10 + 19 * 6)) 1  # a grid row
    xdotool mousemove $(($2 + 200)) $(($3 + 30))
    sleep 0.5
    import -window root -crop "$4x$5+$2+$3" +repage "$shots/preferences.png"
    say "wrote $shots/preferences.png"
    click $(($2 + 340)) $(($3 + 325)) 1  # "Отмена"
    [ -z "$(windows | awk '$4 == 388')" ] || [ "$(map_state "$1")" = IsUnMapped ] || fail "\"Отмена\" did not close the preferences"

fi

click $((wx + 265 - 14)) $((wy + 14)) 1
click "$ix" "$iy" 3
menu=$(popup)
[ -n "$menu" ] || fail "a right click on the icon opened no menu"
mgeo=$(xwininfo -id "$menu" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Width/ {w=$NF} /Height/ {h=$NF} END {print x, y, w, h}')
set -- $mgeo
say "a right click opened the tray menu at $1,$2 ($3x$4)"
if [ -n "$shots" ]; then
    x0=$(($1 - 60))
    import -window root -crop "$((1280 - x0))x$(($2 + $4 + 24))+$x0+0" +repage "$shots/tray.png"
    say "wrote $shots/tray.png"
fi
click $(($1 + 30)) $(($2 + $4 / 4)) 1  # "Восстановить"
[ "$(map_state "$win")" = IsViewable ] || fail "\"Восстановить\" did not restore the window"
say "\"Восстановить\" restored it"

click "$ix" "$iy" 3
menu=$(popup)
[ -n "$menu" ] || fail "the second right click opened no menu"
set -- $(xwininfo -id "$menu" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} /Height/ {h=$NF} END {print x, y, h}')
click $(($1 + 30)) $(($2 + $3 * 3 / 4)) 1  # "Выход"
for _ in $(seq 30); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app" 2>/dev/null && fail "\"Выход\" did not end the program"
app=""
[ -f "$work/dayloom_data/user_options" ] || fail "the options were not saved at exit"
say "\"Выход\" ended the program and saved"

# ---- a tray that goes away while the window is hidden in it ----
start_app
set -- $(main_window)
win=$1 wx=$2 wy=$3
click $((wx + 265 - 14)) $((wy + 14)) 1
[ "$(map_state "$win")" = IsUnMapped ] || fail "the window did not hide"
stop_tray
sleep 2
set -- $(main_window)
[ "$(map_state "$1")" = IsViewable ] || fail "the window stayed hidden after the tray went away"
say "the tray went away: the hidden window came back"
stop_app

# ---- no tray at all ----
start_app
set -- $(main_window)
win=$1 wx=$2 wy=$3
xprop -id "$win" _NET_WM_WINDOW_TYPE | grep -q _NET_WM_WINDOW_TYPE_NORMAL ||
    fail "without a tray the window has no task-bar entry"
click $((wx + 265 - 14)) $((wy + 14)) 1
[ "$(map_state "$win")" = IsViewable ] || fail "without a tray \"-\" made the window vanish"
say "without a tray: a normal window with a task-bar entry; \"-\" minimizes, nothing vanishes"
stop_app
say "all checks passed"
