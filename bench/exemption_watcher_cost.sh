#!/usr/bin/env bash
# What the pfctl stand-in's program watcher costs while split rules hold: its own CPU time (from
# /proc/PID/stat, children not counted) over a window with about 500 processes running on the
# machine: idle; while 50 processes of the listed program and 50 unlisted ones start every second;
# and while about 2,700 unrelated processes start every second (a busy build). Every process
# started on the machine counts: the figures are a quiet machine's only where the forks a second
# each line reports are near those the window started.
# Runs as root in a network namespace of its own, so that the table never touches this machine's
# firewall; needs a cgroup v2 hierarchy at or below /sys/fs/cgroup.
#
# Usage: bench/exemption_watcher_cost.sh [BUILD_DIR]   (default: build)
#   VELMORAND_BENCH_SECONDS    length of each CPU window (default 60)
#   VELMORAND_BENCH_PROCESSES  processes running on the machine, topped up with sleepers (default 500)
#   VELMORAND_BENCH_STARTS     listed and unlisted processes started per second each (default 50)
#   VELMORAND_BENCH_BUSY       unrelated processes started per second in the last window (default 2700)
set -Eeuo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if [[ -z ${VELMORAND_BENCH_OWN_NETWORK:-} ]]; then
  VELMORAND_BENCH_OWN_NETWORK=1 exec unshare --net "$0" "$build"
fi
fail() { echo "exemption_watcher_cost: $*" >&2; exit 1; }
# Whatever else fails says so too.
trap 'fail "line $LINENO: \"$BASH_COMMAND\" failed (status $?)"' ERR
seconds=${VELMORAND_BENCH_SECONDS:-60}
wanted_processes=${VELMORAND_BENCH_PROCESSES:-500}
starts=${VELMORAND_BENCH_STARTS:-50}
busy_starts=${VELMORAND_BENCH_BUSY:-2700}
pfctl=$build/bin/resources/bin/pfctl
[[ -x $pfctl ]] || fail "no pfctl stand-in at $pfctl (build it first)"
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
# pfctl, its own words shown when it fails.
pf() {
  local said
  if ! said=$("$pfctl" "$@" 2>&1); then
    fail "pfctl $*: ${said:-failed without a word}"
  fi
}
end_rules() { "$pfctl" -a com.velmorand/split -F all >/dev/null 2>&1 || true; }
trap 'trap - ERR; stop_helpers; end_rules; rm -rf "$work"' EXIT

ticks_per_second=$(getconf CLK_TCK)
# Its own CPU ticks: utime + stime, fields 14 and 15 of /proc/PID/stat (after the command's ")").
cpu_ticks() {
  local stat
  stat=$(<"/proc/$1/stat") || fail "the program watcher ($1) is gone"
  stat=${stat##*) }
  local fields=($stat)
  echo $((fields[11] + fields[12]))
}
percent_of() { awk -v a="$1" -v b="$2" -v hz="$ticks_per_second" -v s="$seconds" 'BEGIN {printf "%.2f", (b - a) / hz / s * 100}'; }
# Running, not ended: an ended watcher may stay a zombie a while, since nobody waits for it.
running() {
  local stat
  stat=$(<"/proc/$1/stat") 2>/dev/null || return 1
  stat=${stat##*) }
  [[ ${stat:0:1} =~ ^[RSD]$ ]]
}
# Processes come and go while they are counted: a glob, not a pipe that fails when one goes.
process_count() {
  local all=(/proc/[0-9]*)
  echo ${#all[@]}
}

# The listed program, a folder: a copy of sleep running, and a copy of true to start.
listed=$work/Listed
mkdir -p "$listed"
cp /bin/sleep "$listed/sleep"
cp /bin/true "$listed/true"
"$listed/sleep" infinity &
helpers+=($!)

# Split rules in force, as the application loads them for one program of root.
printf 'anchor "com.velmorand/split"\n' | pf -f -
printf 'pass out proto {tcp, udp} from any to any user 0 program "%s"\n' "$listed" | pf -a com.velmorand/split -f -
pf -e
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

# Starts PROGRAM RATE times a second on a fixed schedule; waits with a shell builtin (read on a
# pipe nobody writes), so that the waiting starts no process of its own.
start_processes() {
  local program=$1 rate=$2 pipe period_us next now wait
  pipe=$(mktemp -u "$work/never.XXXXXX")
  period_us=$((1000000 / rate))
  mkfifo "$pipe"
  exec 3<>"$pipe"
  next=${EPOCHREALTIME/./}
  for (( ; ; )); do
    "$program"
    next=$((next + period_us))
    now=${EPOCHREALTIME/./}
    if ((next > now)); then
      printf -v wait '0.%06d' $((next - now))
      read -r -t "$wait" -u 3 || true
    fi
  done
}
start_processes "$listed/true" "$starts" &
helpers+=($!)
start_processes /bin/true "$starts" &
helpers+=($!)
measure
mixed=$cpu mixed_rate=$rate
mixed_processes=$(process_count)
stop_helpers_since() {
  local keep=$1
  kill "${helpers[@]:keep}" 2>/dev/null || true
  wait "${helpers[@]:keep}" 2>/dev/null || true
  helpers=("${helpers[@]:0:keep}")
}
stop_helpers_since $((${#helpers[@]} - 2))

# One shell starts a few hundred processes a second at most: the busy rate is shared out.
per_starter=400
starters=$(((busy_starts + per_starter - 1) / per_starter))
for _ in $(seq "$starters"); do
  start_processes /bin/true $((busy_starts / starters)) &
  helpers+=($!)
done
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
  "${idle} % of one core"
echo "program watcher CPU over ${seconds} s, ${mixed_processes} processes, ${starts} listed and ${starts} unlisted starts a second" \
  "(${mixed_rate} forks a second on the machine): ${mixed} % of one core"
echo "program watcher CPU over ${seconds} s, ${busy_processes} processes, ${busy_starts} unrelated starts a second" \
  "(${busy_rate} forks a second on the machine): ${busy} % of one core (aim: under 2)"
