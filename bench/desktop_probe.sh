#!/usr/bin/env bash
# The built program as a desktop runs it: an X server (Xvfb) with openbox as the window manager
# and trayer as the tray, a private session bus with a Secret Service, the stand-in gateway with
# protection on and telemetry that moves every second (uptime, memory, latency), the program on
# its default port 9090.
#
# It measures:
#   - cold start: from exec to the first window or tray icon the X server maps (a MapNotify or
#     ReparentNotify under the root window), over PROBE_STARTS fresh starts (default 5), median;
#   - the first 500 ms of one more start under strace: libraries, fonts, the X and bus
#     connections, the tray, first map;
#   - at rest, after PROBE_SETTLE seconds (default 20), PROBE_SECONDS (default 60) with the main
#     window shown on Home, then as long hidden (closed to the tray): RSS and PSS, the processor
#     time of the whole process (every thread) as a share of one core, the same per live thread
#     with its wakeups (context switches) per second, and the mapped files that hold the most
#     resident memory.
#
# Usage: bench/desktop_probe.sh [BUILD_DIR]     (default: build/normal)
# Needs Xvfb, openbox, trayer, xdotool, xev, strace, gnome-keyring, dbus-run-session, curl.
# Holds /tmp/port9090.lock while it runs. A benchmark: run by hand (about four minutes), not by CTest.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build/normal}" && pwd)
starts=${PROBE_STARTS:-5}
settle=${PROBE_SETTLE:-20}
seconds=${PROBE_SECONDS:-60}

if [[ -z ${PROBE_INNER:-} ]]; then
    for tool in Xvfb openbox trayer xdotool xev strace gnome-keyring-daemon dbus-run-session curl flock; do
        command -v "$tool" >/dev/null || { echo "desktop_probe: $tool is missing (scripts/install-deps)" >&2; exit 1; }
    done
    export PROBE_INNER=1 PROBE_STARTS=$starts PROBE_SETTLE=$settle PROBE_SECONDS=$seconds
    exec flock -o /tmp/port9090.lock "$root/tests/support/with-secret-service.sh" --deadline 1800 \
        "$0" "$build"
fi

program=$build/src/FernholmApp/tarvine
stand_in=$build/tests/fakegateway/fake_gateway
[[ -x $program && -x $stand_in ]] || { echo "desktop_probe: build tarvine and fake_gateway in $build first" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/desktop-probe.XXXXXX")
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

now_ms() { echo $(( ${EPOCHREALTIME/./} / 1000 )); }

# --- the desktop ---
display=
for n in $(seq 50 99); do
    if [[ ! -e /tmp/.X$n-lock && ! -e /tmp/.X11-unix/X$n ]]; then display=:$n; break; fi
done
[[ -n $display ]] || { echo "desktop_probe: no free display" >&2; exit 1; }
Xvfb "$display" -screen 0 1440x900x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
for _ in $(seq 100); do xdotool getdisplaygeometry >/dev/null 2>&1 && break; sleep 0.05; done
openbox >/dev/null 2>&1 &
pids+=($!)
trayer --edge top --align right --widthtype request --height 24 --transparent false >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do xdotool search --class trayer >/dev/null 2>&1 && break; sleep 0.05; done

# --- the stand-in, where the program's runtime lookup finds it, and a home that has seen setup ---
mkdir -p "$work/repo/.venv/bin" "$XDG_CONFIG_HOME/Orvendale"
ln -s "$stand_in" "$work/repo/.venv/bin/python"
printf '[General]\nhasCompletedSetup=true\nhasSeenTour=true\n' >"$XDG_CONFIG_HOME/Orvendale/Tarvine.conf"
export TARVINE_REPO=$work/repo FAKE_GW_DUMP=$work/dump.json QTWEBENGINE_DISABLE_SANDBOX=1
# A temporary folder of its own: a program already running for this user elsewhere (its
# single-instance socket lives in the temporary folder) would take the starts over.
mkdir -p "$work/tmp"
export TMPDIR=$work/tmp
unset QT_QPA_PLATFORM

app_pid=
start_app() { "$program" >/dev/null 2>"$work/stderr" & app_pid=$!; }
stop_app() {
    [[ -n $app_pid ]] || return 0
    kill -TERM "$app_pid" 2>/dev/null || true
    for _ in $(seq 200); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.05; done
    kill -KILL "$app_pid" 2>/dev/null || true
    wait "$app_pid" 2>/dev/null || true
    app_pid=
    # The gateway goes with the program; wait until the port is free for the next start.
    for _ in $(seq 100); do curl -s -o /dev/null --max-time 0.2 http://127.0.0.1:9090/ || break; sleep 0.05; done
}

# Waits for the first window or tray icon mapped under the root once the start time is written to
# $work/t0; prints when (ms). Events before that (the desktop settling) do not count.
watch_first_map() {
    local fifo=$work/xev.$RANDOM
    mkfifo "$fifo"
    xev -root -event substructure >"$fifo" 2>/dev/null &
    local xev_pid=$!
    local line at=
    while IFS= read -r -t 15 line; do
        case $line in
            MapNotify*|ReparentNotify*)
                at=$(now_ms)
                [[ -s $work/t0 ]] && ((at >= $(cat "$work/t0"))) && break
                at= ;;
        esac
    done <"$fifo"
    kill "$xev_pid" 2>/dev/null || true
    wait "$xev_pid" 2>/dev/null || true
    rm -f "$fifo"
    [[ -n $at ]] && echo "$at"
}

echo "== cold start: exec to first mapped window or tray icon ($starts fresh starts) =="
delays=()
for i in $(seq "$starts"); do
    # xev watches before the program can map anything: it starts first, then the program.
    rm -f "$work/t0"
    ( watch_first_map >"$work/mapped" ) &
    watcher=$!
    sleep 0.3
    t0=$(now_ms)
    echo "$t0" >"$work/t0"
    start_app
    wait "$watcher" || true
    delay=$(( $(cat "$work/mapped" 2>/dev/null || echo "$t0") - t0 ))
    delays+=("$delay")
    echo "start $i: ${delay} ms"
    sleep 2
    stop_app
    sleep 0.5
done
sorted=($(printf '%s\n' "${delays[@]}" | sort -n))
echo "median: ${sorted[$(( ${#sorted[@]} / 2 ))]} ms"

echo
echo "== the first 500 ms of a start (strace -f; times from exec, slowed by tracing) =="
rm -f "$work/t0"
( watch_first_map >"$work/trace-map" ) &
watcher=$!
sleep 0.3
trace_t0=$(now_ms)
echo "$trace_t0" >"$work/t0"
strace -f -ttt -e trace=execve,openat,connect -o "$work/strace" "$program" >/dev/null 2>&1 &
tracer=$!
wait "$watcher" || true
sleep 2
# The program is the tracer's child: it is the one to stop.
app_pid=$(pgrep -P "$tracer" | head -1 || true)
stop_app
wait "$tracer" 2>/dev/null || true
echo "(strace -f follows the program's children too: the gateway's libraries count from its exec on)"
awk '
    function ms(t) { return int((t - t0) * 1000) }
    $3 ~ /^execve/ && t0 == "" { t0 = $2 }
    t0 == "" { next }
    ms($2) > 500 { next }
    /openat/ && /= -1/ { next }
    /openat/ && /\.so[.0-9]*"/ { match($0, /"[^"]*"/); f = substr($0, RSTART + 1, RLENGTH - 2); libs++;
        n = split(f, parts, "/"); printf "%5d ms  library  %s\n", ms($2), parts[n]; next }
    /openat/ && /\.(ttf|otf|ttc)"/ { match($0, /"[^"]*"/); f = substr($0, RSTART + 1, RLENGTH - 2); fonts++;
        n = split(f, parts, "/"); printf "%5d ms  font     %s\n", ms($2), parts[n]; next }
    /openat/ && /\.(svg|png)"/ { match($0, /"[^"]*"/); f = substr($0, RSTART + 1, RLENGTH - 2);
        n = split(f, parts, "/"); printf "%5d ms  image    %s\n", ms($2), parts[n]; next }
    /connect\(/ && /X11-unix/ { printf "%5d ms  connect  X server\n", ms($2); next }
    /connect\(/ && /bus|dbus/ { printf "%5d ms  connect  session bus\n", ms($2); next }
    /connect\(/ && /9090/ { if (!gw++) printf "%5d ms  connect  gateway (first)\n", ms($2); next }
    /execve\(/ && !/tarvine"/ { match($0, /"[^"]*"/); printf "%5d ms  exec     %s\n", ms($2), substr($0, RSTART + 1, RLENGTH - 2); next }
    END { printf "libraries opened in the first 500 ms: %d, fonts: %d\n", libs, fonts }
' "$work/strace" | sed -n '1,400p' >"$work/trace"
grep -v ' library ' "$work/trace"
echo "(libraries, first 40:)"
grep ' library ' "$work/trace" | head -40
echo "first window or tray icon mapped $(( $(cat "$work/trace-map" 2>/dev/null || echo "$trace_t0") - trace_t0 )) ms after the traced start began"

# --- at rest ---
rollup() { awk -v f="$2" '$1 == f":" { printf "%.1f", $2 / 1024 }' "/proc/$1/smaps_rollup"; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
gateway_pid() { pgrep -P "$1" | head -1 || true; }
# Per live thread: id, name, time on a processor (ns, from the scheduler) and context switches.
thread_times() {
    local t
    for t in /proc/$1/task/*; do
        printf '%s %s %s %s\n' "${t##*/}" "$(tr ' ' _ <"$t/comm")" "$(awk '{ print $1 }' "$t/schedstat")" \
            "$(awk '/ctxt_switches/ { n += $2 } END { print n }' "$t/status")"
    done 2>/dev/null | sort
}
measure() {
    local state=$1 pid=$2 gw=$3
    local t0 c0 g0 t1 c1 g1 hz
    hz=$(getconf CLK_TCK)
    thread_times "$pid" >"$work/threads0"
    t0=$(now_ms); c0=$(cpu_ticks "$pid"); g0=$(cpu_ticks "$gw")
    sleep "$seconds"
    t1=$(now_ms); c1=$(cpu_ticks "$pid"); g1=$(cpu_ticks "$gw")
    thread_times "$pid" >"$work/threads1"
    local span=$((t1 - t0))
    awk -v s="$state" -v c=$((c1 - c0)) -v g=$((g1 - g0)) -v hz="$hz" -v span="$span" \
        -v rss="$(rollup "$pid" Rss)" -v pss="$(rollup "$pid" Pss)" -v anon="$(rollup "$pid" Anonymous)" \
        'BEGIN { printf "%-7s RSS %s MB, PSS %s MB, anonymous %s MB, CPU %.3f %% of a core (gateway %.3f %%)\n",
                 s, rss, pss, anon, 100 * c / hz / (span / 1000), 100 * g / hz / (span / 1000) }'
    # Threads that ended meanwhile (a short-lived worker) count in the whole but not here.
    echo "        threads (processor time as a share of one core, wakeups per second):"
    join "$work/threads0" "$work/threads1" |
        awk -v span="$span" '{ printf "%8.3f %%  %6.2f/s  %s\n", 100 * ($6 - $3) / 1e6 / span, 1000 * ($7 - $4) / span, $2 }' |
        sort -rn | head -6 | sed 's/^/        /'
    echo "        largest resident mappings:"
    awk '/^[0-9a-f]+-[0-9a-f]+ / { name = NF >= 6 ? $6 : "[anonymous]"; for (i = 7; i <= NF; i++) name = name " " $i }
         /^Rss:/ { rss[name] += $2 }
         END { for (n in rss) printf "%8.1f MB  %s\n", rss[n] / 1024, n }' "/proc/$pid/smaps" |
        sort -rn | head -8 | sed 's/^/        /' || true
}

echo
echo "== at rest: ${settle} s to settle, then ${seconds} s shown on Home, ${seconds} s hidden =="
rm -f "$work/dump.json"
start_app
for _ in $(seq 200); do [[ -s $work/dump.json ]] && break; sleep 0.1; done
token=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["stdin"].split("\n")[1])' "$work/dump.json")
api() { curl -s -o /dev/null -H "Authorization: Bearer $token" -H 'Content-Type: application/json' -d "$2" "http://127.0.0.1:9090$1"; }
for _ in $(seq 100); do api /api/protection '{"on": true}' && break; sleep 0.1; done
# Telemetry that moves as a real gateway's does.
(
    n=0
    while kill -0 "$app_pid" 2>/dev/null; do
        n=$((n + 1))
        api /fake/status "{\"uptime_s\": $n, \"memory_mb\": $((180 + n % 7)).5, \"latency_ms\": $((20 + n % 13))}" || true
        sleep 1
    done
) &
pids+=($!)
sleep "$settle"
gw=$(gateway_pid "$app_pid")
[[ -n $gw ]] || { echo "desktop_probe: the program runs no gateway" >&2; cat "$work/stderr" >&2; exit 1; }
measure shown "$app_pid" "$gw"
# Closed the way a user closes it: the window manager's close (Alt+F4) hides it to the tray.
main_window() {
    local w
    for w in $(xdotool search --pid "$1" --name '^Tarvine$'); do
        # The main window, not the tray icon or Qt's 1x1 leader window.
        if (( $(xwininfo -id "$w" | awk '/Width:/ { print $2 }') >= 400 )); then echo "$w"; return; fi
    done
}
window=$(main_window "$app_pid")
xdotool windowactivate --sync "$window" key --clearmodifiers alt+F4 2>/dev/null || true
sleep "$settle"
if xwininfo -id "$window" | grep -q IsViewable; then
    echo "desktop_probe: the window is still shown after closing it" >&2
fi
measure hidden "$app_pid" "$gw"
echo "web engine mapped: $(grep -c WebEngine "/proc/$app_pid/maps" || true) mappings; Mesa/LLVM: $(grep -cE '_mesa|_dri\.so|LLVM' "/proc/$app_pid/maps" || true)"
stop_app
