#!/usr/bin/env bash
# Runs a command the way a desktop session runs a program: inside an X server (xvfb-run) with a
# window manager (openbox) and a system tray (trayer), on a private session bus with an unlocked
# keyring and the accessibility bus started, in a home folder of its own. The whole run is killed
# after its deadline, so a hung component cannot hang the suite.
#
# Usage: with-desktop.sh DEADLINE COMMAND [ARGS...]
set -euo pipefail
deadline=$1
shift
for tool in xvfb-run dbus-run-session gnome-keyring-daemon openbox trayer xdotool xprop; do
    if ! command -v "$tool" >/dev/null; then
        echo "$0: $tool is not installed (scripts/install-deps installs it)" >&2
        exit 1
    fi
done
home=$(mktemp -d "${TMPDIR:-/tmp}/fernholm-desktop.XXXXXX")
trap 'rm -rf "$home"' EXIT
mkdir -p -m 700 "$home/run"
export HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_DATA_HOME="$home/.local/share" \
    XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache" GSETTINGS_BACKEND=keyfile
unset GNOME_KEYRING_CONTROL SSH_AUTH_SOCK

inner='
set -euo pipefail
# One line feed is the password of the fresh login keyring.
eval "$(echo | gnome-keyring-daemon --unlock --components=secrets)"
# A desktop session starts the accessibility bus at login; here asking for its address does.
dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress >/dev/null
openbox --sm-disable &
wm=$!
# The window manager is up once it names itself on the root window.
for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.05
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id" || { echo "openbox did not start" >&2; exit 1; }
trayer --edge top --align right --widthtype request --height 24 --SetDockType true --SetPartialStrut true \
    --transparent false --tint 0x333333 --expand true &
tray=$!
status=0
"$@" || status=$?
kill "$tray" "$wm" 2>/dev/null || true
exit "$status"
'
timeout --kill-after=5 "$deadline" xvfb-run -a -s "-screen 0 1280x900x24" \
    dbus-run-session -- bash -c "$inner" bash "$@" </dev/null
