#!/bin/sh
# Installs the build into a temporary prefix and starts the installed
# dayloom-cli: the files are where a desktop looks for them, and the data
# folder follows the program's rule (beside the binary while its folder can be
# written, else the per-user folder).
#   install_check.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/dayloom-install.XXXXXX")
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
prefix=$work/prefix
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
ok() { echo "ok: $*"; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; exit 1; }

expect_file() {
    if [ -f "$prefix/$1" ]; then ok "$1"; else fail "$1 not installed"; fi
}
expect_file bin/dayloom-cli
expect_file share/doc/dayloom/copyright
if [ -f "$build/dayloom" ]; then  # the program was built: a desktop program's files
    for f in bin/dayloom share/dayloom/ding.wav share/dayloom/themes/Default.tdt \
             share/applications/dayloom.desktop share/metainfo/org.dayloom.dayloom.metainfo.xml \
             share/icons/hicolor/scalable/apps/dayloom.svg; do
        expect_file "$f"
    done
    for size in 16 24 32 48 64 128 256; do expect_file "share/icons/hicolor/${size}x$size/apps/dayloom.png"; done
    [ -f "$prefix/bin/ding.wav" ] && fail "ding.wav is in bin/"
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$prefix/share/applications/dayloom.desktop" && ok "desktop-file-validate" ||
            fail "desktop-file-validate"
    else
        echo "skipped: desktop-file-validate is not installed (desktop-file-utils)"
    fi
    # The Debian package brings the toolkit's Russian texts with it.
    if grep -q '^set(CPACK_DEBIAN_PACKAGE_DEPENDS "[^"]*qt6-translations-l10n' "$build/CPackConfig.cmake"; then
        ok "the package depends on qt6-translations-l10n"
    else
        fail "the package does not depend on qt6-translations-l10n"
    fi
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$prefix/share/metainfo/org.dayloom.dayloom.metainfo.xml" &&
            ok "appstreamcli validate" || fail "appstreamcli validate"
    else
        echo "skipped: appstreamcli is not installed (appstream)"
    fi
fi

# The installed folder must not be writable for the user who runs it. Root
# writes anywhere, so there the command runs as nobody.
run_as="env"
owner() { :; }
if [ "$(id -u)" -eq 0 ]; then
    run_as="setpriv --reuid=65534 --regid=65534 --clear-groups -- env"
    owner() { chown -R 65534:65534 "$@"; }
else
    chmod a-w "$prefix/bin"
fi
printf 'BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nDTSTART:20101011T100000\r\nSUMMARY:Врач\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' \
    >"$work/one.ics"
mkdir -p "$work/home" "$work/xdg" "$work/portable"
cp "$prefix/bin/dayloom-cli" "$work/portable/"
owner "$work/home" "$work/xdg" "$work/portable"

# cli DATA_EXPECTED ENV... : imports the file with that environment and reads
# the day back; the event file must be in DATA_EXPECTED.
cli() {
    expected=$1
    shift
    if ! $run_as -u XDG_DATA_HOME "$@" import-ics "$work/one.ics" >"$work/out" 2>&1; then
        fail "import-ics with $*: $(cat "$work/out")"
        return
    fi
    if [ -f "$expected/ListToDo.db" ]; then ok "data in $expected"; else fail "no event file in $expected ($*)"; fi
    agenda=$($run_as -u XDG_DATA_HOME "$@" agenda --date 2010-10-11 --now "2010-10-11 09:00" 2>&1 || true)
    case "$agenda" in
        *"10:00	Врач"*) ok "agenda reads it back" ;;
        *) fail "agenda with $*: $agenda" ;;
    esac
}
cli "$work/home/.local/share/dayloom/dayloom_data" HOME="$work/home" "$prefix/bin/dayloom-cli"
cli "$work/xdg/dayloom/dayloom_data" HOME="$work/home" XDG_DATA_HOME="$work/xdg" "$prefix/bin/dayloom-cli"
cli "$work/portable/dayloom_data" HOME="$work/home" "$work/portable/dayloom-cli"
[ -e "$prefix/bin/dayloom_data" ] && fail "a data folder appeared in the installed bin/"
help=$($run_as HOME="$work/home" "$prefix/bin/dayloom-cli" --help)
case "$help" in
    *"$work/home/.local/share/dayloom/dayloom_data"*) ok "help names the per-user folder" ;;
    *) fail "help does not name the per-user folder" ;;
esac

[ "$failures" -eq 0 ] || exit 1
echo "install check: all passed"
