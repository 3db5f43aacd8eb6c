#!/usr/bin/env bash
# What the pfctl stand-in's program watcher costs while split rules hold: its own CPU time (from
# /proc/PID/stat, children not counted) over a window with about 500 processes running on the
# machine, first idle, then while 50 processes start every second (none of the listed program).
# Every process started on the machine counts: the figures are a quiet machine's only where the
# forks a second it reports for the idle window are near none.
# Runs as root in a network namespace of its own, so that the table never touches this machine's
# firewall; needs a cgroup v2 hierarchy at or below /sys/fs/cgroup.
#
# Usage: bench/exemption_watcher_cost.sh [BUILD_DIR]   (default: build)
#   VELMORAND_BENCH_SECONDS    length of each CPU window (default 60)
#   VELMORAND_BENCH_PROCESSES  processes running on the machine, topped up with sleepers (default 500)
#   VELMORAND_BENCH_STARTS     processes started per second in the second window (default 50)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [[ -z ${VELMORAND_BENCH_OWN_NETWORK:-} ]]; then
  VELMORAND_BENCH_OWN_NETWORK=1 exec unshare --net "$0" "$build"
fi
seconds=${VELMORAND_BENCH_SECONDS:-60}
wanted_processes=${VELMORAND_BENCH_PROCESSES:-500}
starts=${VELMORAND_BENCH_STARTS:-50}
pfctl=$build/bin/resources/bin/pfctl
work=$(mktemp -d "${TMPDIR:-/tmp}/velmorand-watcher.XXXXXX")
export VELMORAND_PF_STATE_DIR=$work/pf
helpers=()
# Ends the processes this run started (a killed one answers the wait with a failure).
stop_helpers() {
  if ((${#helpers[@]})); then
    kill "${helpers[@]}" 2>/dev/null || true
    wait "${helpers[@]}" 2>/dev/null || true
  fi
  helpers=()
}
end_rules() { "$pfctl" -a com.velmorand/split -F all >/dev/null 2>&1 || true; }
trap 'stop_helpers; end_rules; rm -rf "$work"' EXIT
fail() { echo "exemption_watcher_cost: $*" >&2; exit 1; }

ticks_per_second=$(getconf CLK_TCK)
# Its own CPU ticks: utime + stime, fields 14 and 15 of /proc/PID/stat (after the command's ")").
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
percent_of() { awk -v a="$1" -v b="$2" -v hz="$ticks_per_second" -v s="$seconds" 'BEGIN {printf "%.2f", (b - a) / hz / s * 100}'; }
# Running, not ended: an ended watcher may stay a zombie a while, since nobody waits for it.
running() { [[ $(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) =~ ^[RSD]$ ]]; }
process_count() { find /proc -maxdepth 1 -name '[0-9]*' 2>/dev/null | wc -l; }

# The listed program, running: a copy of sleep of its own.
listed=$work/Listed/listed
mkdir -p "$(dirname "$listed")"
cp /bin/sleep "$listed"
"$listed" infinity &
helpers+=($!)

# Split rules in force, as the application loads them for one program of root.
printf 'anchor "com.velmorand/split"\n' | "$pfctl" -f - >/dev/null
printf 'pass out proto {tcp, udp} from any to any user 0 program "%s"\n' "$listed" \
  | "$pfctl" -a com.velmorand/split -f - >/dev/null
"$pfctl" -e >/dev/null 2>&1
watcher=
for _ in $(seq 100); do
  watcher=$(fuser "$VELMORAND_PF_STATE_DIR/watcher.lock" 2>/dev/null | tr -d ' ' || true)
  [[ -n $watcher ]] && break
  sleep 0.1
done
[[ -n $watcher ]] || fail "no program watcher started"

for _ in $(seq $((wanted_processes - $(process_count)))); do
  sleep infinity &
  helpers+=($!)
done
sleep 2

# Forks on the whole machine so far, threads included (each is reported to the watcher).
started_so_far() { awk '$1 == "processes" {print $2}' /proc/stat; }
# Sets cpu (percent of one core) and rate (forks a second) over the next window.
measure() {
  local before started
  before=$(cpu_ticks "$watcher")
  started=$(started_so_far)
  sleep "$seconds"
  cpu=$(percent_of "$before" "$(cpu_ticks "$watcher")")
  rate=$((($(started_so_far) - started) / seconds))
}
idle_processes=$(process_count)
measure
idle=$cpu idle_rate=$rate

# Starts $starts processes a second on a fixed schedule; waits with a shell builtin (read on a
# pipe nobody writes), so that the waiting starts no process of its own.
start_processes() {
  local pipe=$work/never period_us=$((1000000 / starts)) next now
  mkfifo "$pipe"
  exec 3<>"$pipe"
  next=${EPOCHREALTIME/./}
  for (( ; ; )); do
    /bin/true
    next=$((next + period_us))
    now=${EPOCHREALTIME/./}
    if ((next > now)); then
      read -r -t "$(printf '0.%06d' $((next - now)))" -u 3 || true
    fi
  done
}
start_processes &
helpers+=($!)
measure
busy=$cpu busy_rate=$rate
busy_processes=$(process_count)

running "$watcher" || fail "the program watcher ended early"
end_rules
for _ in $(seq 100); do
  running "$watcher" || break
  sleep 0.1
done
running "$watcher" && fail "the program watcher did not end with the rules"

# The machine's own work starts processes too: each line says how many forks it saw a second in all.
echo "program watcher CPU over ${seconds} s, ${idle_processes} processes, idle (${idle_rate} forks a second on the machine):" \
  "${idle} % of one core (aim: under 0.5)"
echo "program watcher CPU over ${seconds} s, ${busy_processes} processes, ${starts} starts a second" \
  "(${busy_rate} forks a second on the machine): ${busy} % of one core"
