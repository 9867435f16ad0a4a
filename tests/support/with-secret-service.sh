#!/usr/bin/env bash
# Runs a command on a private D-Bus session bus in a home folder of its own, with a Secret Service
# (gnome-keyring) on that bus.
#
# Usage: with-secret-service.sh [--deadline SECONDS] [--home FOLDER] [--keyring MODE] COMMAND [ARGS...]
#   --deadline  the whole run, bus included, is killed after this many seconds (default 60), so
#               that a hung bus cannot hang the caller
#   --home      use this folder as the home folder and keep it afterwards (default: a fresh
#               temporary folder, removed afterwards); a later run on the same folder starts a
#               fresh daemon that loads the keyrings an earlier run left on disk
#   --keyring   unlocked (default): the login keyring is unlocked, its password one line feed;
#               locked: the daemon starts without unlocking anything, so keyrings on disk stay
#               locked; none: no daemon, the name org.freedesktop.secrets is free
# The command sees FERNHOLM_PRIVATE_BUS=1, and FERNHOLM_SECRET_SERVICE=1 when a daemon was set up
# and must answer.
set -euo pipefail

deadline=60
home=
keyring=unlocked
while (($# > 0)); do
    case $1 in
        --deadline) deadline=$2; shift 2 ;;
        --home) home=$2; shift 2 ;;
        --keyring) keyring=$2; shift 2 ;;
        *) break ;;
    esac
done
if (($# == 0)) || [[ ! $keyring =~ ^(unlocked|locked|none)$ ]]; then
    echo "usage: $0 [--deadline SECONDS] [--home FOLDER] [--keyring unlocked|locked|none] COMMAND [ARGS...]" >&2
    exit 2
fi

if [[ -z $home ]]; then
    home=$(mktemp -d "${TMPDIR:-/tmp}/fernholm-keyring.XXXXXX")
    # The keyring daemon leaves with its bus, which ends with the command.
    trap 'rm -rf "$home"' EXIT
fi

mkdir -p -m 700 "$home/run"
export HOME="$home" XDG_RUNTIME_DIR="$home/run" XDG_DATA_HOME="$home/.local/share" \
    XDG_CONFIG_HOME="$home/.config" XDG_CACHE_HOME="$home/.cache"
unset GNOME_KEYRING_CONTROL SSH_AUTH_SOCK
# Without a display the keyring's unlock prompter cannot show itself, so a prompt fails at once
# instead of waiting on someone's screen for an answer.
unset DISPLAY WAYLAND_DISPLAY

inner='
set -euo pipefail
case $FERNHOLM_KEYRING in
    # "echo", not "echo -n": without a line feed the daemon waits for the rest of the password.
    # That one line feed is the password of the login keyring.
    unlocked) eval "$(echo | gnome-keyring-daemon --unlock --components=secrets)" ;;
    locked) eval "$(gnome-keyring-daemon --daemonize --components=secrets)" ;;
esac
if [[ $FERNHOLM_KEYRING != none ]]; then
    export FERNHOLM_SECRET_SERVICE=1
fi
export FERNHOLM_PRIVATE_BUS=1
exec "$@"
'
FERNHOLM_KEYRING=$keyring timeout --kill-after=5 "$deadline" dbus-run-session -- bash -c "$inner" bash "$@" </dev/null
