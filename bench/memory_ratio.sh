#!/usr/bin/env bash
# Resident memory of the application beside the blank window (one line of Chinese text), both
# under one private X server in the same run, as a user runs it: on the sign-in screen, signed in
# and connected on the dashboard (the stand-in service with one local Trojan node), and the node
# list tab; then again with 1000 more nodes in the list. Prints the figures in MB and the ratios
# to the blank window: the small one (400×120), and one of the application window's first-launch
# size (980×680), whose pixels cost the same 2.6 MB of window buffer as the application's.
#
# Usage: bench/memory_ratio.sh [BUILD_DIR]   (default: build)
#   VELMORAND_BENCH_DISPLAY  the X display to start Xvfb on (default :99)
# Connecting takes 127.0.0.1:1080/1081: the run waits for the machine-wide ports lock.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
display=${VELMORAND_BENCH_DISPLAY:-:99}
work=$(mktemp -d "${TMPDIR:-/tmp}/velmorand-memory.XXXXXX")
source "$root/bench/desktop/session.sh"
trap 'session_stop; rm -rf "$work"' EXIT

declare -A rss pss anon heap
record() {
  read -r rss[$1] pss[$1] anon[$1] heap[$1] <<<"$(session_memory_kb "$2")"
}

settle=${VELMORAND_BENCH_SETTLE:-5}

session_start_x
session_start_blank
small_blank_pid=$blank_pid
session_start_blank --size 980x680
sleep "$settle"
record blank "$small_blank_pid"
record blank-980x680 "$blank_pid"

session_lock_ports
# One node: the application as most users run it.
session_start_service
session_start_app
sleep "$settle"
record sign-in "$app_pid"
session_sign_in
session_connect
sleep "$settle"
record dashboard "$app_pid"
session_show_tab 2
sleep "$settle"
record node-list "$app_pid"
session_quit_app
session_stop_service

# A thousand nodes on closed loopback ports, and the local node.
session_write_nodes 1000 "$work/nodes.json"
session_start_service "$work/nodes.json"
session_start_app
session_sign_in
session_connect
sleep "$settle"
record dashboard-1000 "$app_pid"
session_show_tab 2
sleep $((settle * 2))
record node-list-1000 "$app_pid"
session_quit_app
record blank-end "$small_blank_pid"
record blank-980x680-end "$blank_pid"

mb() { awk -v kb="$1" 'BEGIN {printf "%.1f", kb / 1024}'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN {printf "%.2f", a / b}'; }
blank_rss=$(((rss[blank] + rss[blank-end]) / 2))
sized_rss=$(((rss[blank-980x680] + rss[blank-980x680-end]) / 2))
printf '%-26s %8s %8s %8s %8s %10s %10s\n' "MB" RSS PSS anon heap "RSS/blank" "RSS/sized"
for key in blank blank-end blank-980x680 blank-980x680-end sign-in dashboard node-list dashboard-1000 node-list-1000; do
  printf '%-26s %8s %8s %8s %8s %10s %10s\n' "$key" "$(mb "${rss[$key]}")" "$(mb "${pss[$key]}")" "$(mb "${anon[$key]}")" \
    "$(mb "${heap[$key]}")" "$(ratio "${rss[$key]}" "$blank_rss")" "$(ratio "${rss[$key]}" "$sized_rss")"
done
echo
echo "connected on the dashboard / blank window: $(ratio "${rss[dashboard]}" "$blank_rss")," \
  "/ blank window of the same size: $(ratio "${rss[dashboard]}" "$sized_rss") (aim: at most 1.50)"
echo "node list with 1000 more nodes adds: $(mb $((rss[node-list-1000] - rss[node-list]))) MB over the node list of one node," \
  "$(mb $((rss[node-list-1000] - rss[dashboard]))) MB over the connected dashboard (aim: under 10 MB)"
