#!/usr/bin/env bash
# Runs a command on a private D-Bus session bus that has a fresh, unlocked Secret Service
# (gnome-keyring with an empty password) in a temporary home folder. The command sees
# FERNHOLM_SECRET_SERVICE=1, meaning the service was set up and must answer.
#
# Usage: with-secret-service.sh [--deadline SECONDS] COMMAND [ARGS...]
# The whole run, bus included, is killed after the deadline (default 60 s) so that a hung bus
# cannot hang the caller.
set -euo pipefail

deadline=60
if [[ ${1:-} == --deadline ]]; then
    deadline=$2
    shift 2
fi
if (($# == 0)); then
    echo "usage: $0 [--deadline SECONDS] COMMAND [ARGS...]" >&2
    exit 2
fi

home=$(mktemp -d "${TMPDIR:-/tmp}/fernholm-keyring.XXXXXX")
# The keyring daemon leaves with its bus, which ends with the command.
trap 'rm -rf "$home"' EXIT

mkdir -m 700 "$home/run"
export HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_DATA_HOME="$home/.local/share" \
    XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache"
unset GNOME_KEYRING_CONTROL SSH_AUTH_SOCK
# Without a display the keyring's unlock prompter cannot show itself, so a prompt fails at once
# instead of waiting on someone's screen for an answer.
unset DISPLAY WAYLAND_DISPLAY

inner='
set -euo pipefail
# "echo", not "echo -n": without a line feed the daemon waits for the rest of the password. That
# one line feed is the password of the login keyring.
eval "$(echo | gnome-keyring-daemon --unlock --components=secrets)"
export FERNHOLM_SECRET_SERVICE=1
exec "$@"
'
timeout --kill-after=5 "$deadline" dbus-run-session -- bash -c "$inner" bash "$@" </dev/null
