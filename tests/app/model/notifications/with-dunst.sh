#!/usr/bin/env bash
# Runs a command with dunst as the notification service of the current session bus, under the
# X server of the current display: run it inside xvfb-run and dbus-run-session. The command sees
# FERNHOLM_DUNST=1, meaning dunst owns org.freedesktop.Notifications and must answer.
#
# Usage: with-dunst.sh DUNSTRC COMMAND [ARGS...]
set -euo pipefail

if (($# < 2)); then
    echo "usage: $0 DUNSTRC COMMAND [ARGS...]" >&2
    exit 2
fi
config=$1
shift

if ! command -v dunst >/dev/null || ! command -v dunstctl >/dev/null; then
    echo "$0: dunst is not installed (scripts/install-deps installs it)" >&2
    exit 1
fi

dunst -config "$config" &
dunst_pid=$!
trap 'kill "$dunst_pid" 2>/dev/null || true; wait "$dunst_pid" 2>/dev/null || true' EXIT

# GetNameOwner, unlike a call to the name itself, never starts an activatable service.
owned=no
for _ in $(seq 100); do
    if dbus-send --session --print-reply=literal --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.GetNameOwner string:org.freedesktop.Notifications >/dev/null 2>&1; then
        owned=yes
        break
    fi
    if ! kill -0 "$dunst_pid" 2>/dev/null; then
        break
    fi
    sleep 0.1
done
if [[ $owned != yes ]]; then
    echo "$0: dunst did not take org.freedesktop.Notifications" >&2
    exit 1
fi

export FERNHOLM_DUNST=1
"$@"
