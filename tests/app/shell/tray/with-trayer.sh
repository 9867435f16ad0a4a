#!/usr/bin/env bash
# Runs a command with trayer as the system tray of the current X display (run it inside
# xvfb-run): a panel along the top edge, right-aligned, that embeds tray icons. The command sees
# FERNHOLM_TRAYER_PID, the tray's process.
#
# Usage: with-trayer.sh COMMAND [ARGS...]
set -euo pipefail

if (($# < 1)); then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi
for tool in trayer xdotool; do
    if ! command -v "$tool" >/dev/null; then
        echo "$0: $tool is not installed (scripts/install-deps installs it)" >&2
        exit 1
    fi
done

trayer --edge top --align right --widthtype request --height 24 --SetDockType true --SetPartialStrut true \
    --transparent false --tint 0x333333 --expand true &
trayer_pid=$!
trap 'kill "$trayer_pid" 2>/dev/null || true; wait "$trayer_pid" 2>/dev/null || true' EXIT

export FERNHOLM_TRAYER_PID=$trayer_pid
"$@"
