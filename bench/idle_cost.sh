#!/usr/bin/env bash
# What the running application costs when nobody uses it, beside the blank window (one line of
# Chinese text) in the same run under one private X server:
#  - start to first painted window, in milliseconds (median of three launches of each program;
#    both write the wall clock of their first paint to VELMORAND_FIRST_PAINT_LOG);
#  - its own CPU time (from /proc/PID/stat, children not counted) over a minute while signed in
#    and connected (the stand-in service with one local Trojan node), first with the dashboard
#    shown, then with the window closed to the tray.
#
# Usage: bench/idle_cost.sh [BUILD_DIR]   (default: build)
#   VELMORAND_BENCH_DISPLAY  the X display to start Xvfb on (default :99)
#   VELMORAND_BENCH_SECONDS  length of each CPU window (default 60)
# Connecting takes 127.0.0.1:1080/1081: the run waits for the machine-wide ports lock.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
display=${VELMORAND_BENCH_DISPLAY:-:99}
seconds=${VELMORAND_BENCH_SECONDS:-60}
work=$(mktemp -d "${TMPDIR:-/tmp}/velmorand-idle.XXXXXX")
source "$root/bench/desktop/session.sh"
trap 'session_stop; rm -rf "$work"' EXIT

median() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
ticks_per_second=$(getconf CLK_TCK)
# Percent of one CPU over the window: "percent_of BEFORE AFTER".
percent_of() { awk -v a="$1" -v b="$2" -v hz="$ticks_per_second" -v s="$seconds" 'BEGIN {printf "%.2f", (b - a) / hz / s * 100}'; }

session_start_x
session_start_service

blank_starts=()
app_starts=()
for _ in 1 2 3; do
  session_start_blank
  blank_starts+=("$(session_first_paint_ms "$blank_started_ms" "$blank_first_paint_log")")
  stop_processes "$blank_pid"
  session_start_app
  app_starts+=("$(session_first_paint_ms "$app_started_ms" "$first_paint_log")")
  session_quit_app
done

session_start_blank
session_lock_ports
session_start_app
session_sign_in
session_connect
sleep 5

# Sets cpu_app and cpu_blank: each program's own CPU over the next $seconds.
measure_cpu() {
  local app_before blank_before
  app_before=$(session_cpu_ticks "$app_pid")
  blank_before=$(session_cpu_ticks "$blank_pid")
  sleep "$seconds"
  cpu_app=$(percent_of "$app_before" "$(session_cpu_ticks "$app_pid")")
  cpu_blank=$(percent_of "$blank_before" "$(session_cpu_ticks "$blank_pid")")
}

# The dashboard shown: the 1 s statistics tick refreshes its figures.
measure_cpu
shown_app=$cpu_app shown_blank=$cpu_blank

# Closed to the tray, still connected: the tick goes on, nothing is on screen.
python3 "$root/bench/desktop/x11_helper.py" close "$app_window"
session_wait 50 bash -c "! xdotool search --onlyvisible --pid $app_pid --name '^Velmorand\$'" \
  || session_fail "the window did not close"
kill -0 "$app_pid" || session_fail "the application quit instead of staying in the tray"
sleep 3
measure_cpu
hidden_app=$cpu_app hidden_blank=$cpu_blank
grep -q lastConnectedNodeId "$work/config/settings.json" && kill -0 "$app_pid" \
  || session_fail "the application did not stay connected"

echo "start to first painted window (ms, median of 3): application $(median "${app_starts[@]}")" \
  "[${app_starts[*]}], blank window $(median "${blank_starts[@]}") [${blank_starts[*]}] (aim: under 300)"
echo "own CPU over ${seconds} s, connected, dashboard shown: application ${shown_app} %, blank window ${shown_blank} %"
echo "own CPU over ${seconds} s, connected, window in the tray: application ${hidden_app} %, blank window ${hidden_blank} % (aim: under 0.5)"
