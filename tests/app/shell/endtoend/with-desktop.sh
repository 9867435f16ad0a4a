#!/usr/bin/env bash
# Runs a command the way a desktop session runs a program: inside an X server (xvfb-run), on a
# private session bus with an unlocked keyring and the accessibility bus started, in a home folder
# of its own. The whole run is killed after its deadline, so a hung component cannot hang the suite.
#
# Usage: with-desktop.sh DEADLINE COMMAND [ARGS...]
set -euo pipefail
deadline=$1
shift
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
exec "$@"
'
timeout --kill-after=5 "$deadline" xvfb-run -a -s "-screen 0 1280x900x24" \
    dbus-run-session -- bash -c "$inner" bash "$@" </dev/null
