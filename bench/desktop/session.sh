# Shared by the desktop benchmarks (sourced, not run): a private X server with a system tray, the
# stand-in service with one local Trojan node (and optionally a large node list), the
# application signed in, and readings of a process's memory and CPU time from /proc.
#
# The caller sets: root (the checkout), build (its build directory), display (":N"), work (a
# scratch directory the caller removes). Every process started here is recorded and stopped by
# `session_stop`, by its id.

session_pids=()
service_pids=()

source "$root/scripts/lib/stop_processes.sh"

# Everything, the application first: it takes its connection down while the node still answers.
session_stop() {
  [ -n "${app_pid:-}" ] && stop_processes "$app_pid"
  [ ${#session_pids[@]} -gt 0 ] && stop_processes "${session_pids[@]}"
  session_pids=()
}

session_stop_service() {
  stop_processes "${service_pids[@]}"
  service_pids=()
}

session_fail() {
  echo "bench: $*" >&2
  for log in "$work"/*.log; do
    [ -s "$log" ] && { echo "--- $log" >&2; tail -n 15 "$log" >&2; }
  done
  exit 1
}

# Waits up to $1 tenths of a second for the command that follows to succeed.
session_wait() {
  local tenths=$1
  shift
  for _ in $(seq "$tenths"); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

session_free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

session_port_open() {
  python3 -c 'import socket, sys; socket.create_connection(("127.0.0.1", int(sys.argv[1])), 0.2)' "$1"
}

# The programs the session drives besides the build's own: scripts/install-deps.sh installs them.
session_tools=(Xvfb xdpyinfo xdotool openssl python3 flock setsid)

session_check_tools() {
  local missing=() tool
  for tool in "${session_tools[@]}"; do
    command -v "$tool" >/dev/null || missing+=("$tool")
  done
  [ ${#missing[@]} -eq 0 ] || { echo "bench: not installed: ${missing[*]}" >&2; return 1; }
}

session_start_x() {
  session_check_tools || exit 1
  Xvfb "$display" -screen 0 1280x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  session_pids+=($!)
  export DISPLAY=$display
  session_wait 100 xdpyinfo || session_fail "Xvfb did not start on $display"
  python3 "$root/bench/desktop/x11_helper.py" tray >"$work/tray.log" 2>&1 &
  session_pids+=($!)
  session_wait 50 grep -q "tray ready" "$work/tray.log" || session_fail "no system tray"
}

# session_start_service [NODES_FILE]: the stand-in service over HTTPS with one local Trojan node,
# after the nodes of NODES_FILE when given. Sets api_port.
session_start_service() {
  local certs=$build/certs node_port password
  node_port=$(session_free_port)
  password=$(openssl rand -hex 16)
  setsid bash "$root/scripts/demo-trojan-server.sh" "$node_port" "$password" "$certs" "$work" >"$work/trojan.log" 2>&1 &
  session_pids+=($!)
  service_pids+=($!)
  session_wait 100 session_port_open "$node_port" || session_fail "the Trojan node did not start"
  api_port=$(session_free_port)
  local nodes=()
  [ $# -gt 0 ] && nodes=(--nodes "$1")
  setsid "$build/bin/velmorand-stand-in-service" --https --port "$api_port" --certs "$certs" "${nodes[@]}" \
    --trojan-node "127.0.0.1:$node_port:$password:本地节点:香港" >"$work/service.log" 2>&1 &
  session_pids+=($!)
  service_pids+=($!)
  session_wait 100 session_port_open "$api_port" || session_fail "the stand-in service did not start"
  session_wait 50 grep -q "^Test account: " "$work/service.log" || session_fail "the stand-in printed no account"
}

# A JSON list of $1 nodes on closed loopback ports: they fill the list and fail every probe fast.
session_write_nodes() {
  local count=$1 file=$2 closed
  closed=$(session_free_port)
  python3 - "$count" "$closed" >"$file" <<'PY'
import json, sys
count, port = int(sys.argv[1]), int(sys.argv[2])
regions = ["香港", "日本", "新加坡", "台湾", "美国", "韩国", "德国", "英国"]
nodes = [{"id": i + 1, "name": f"{regions[i % 8]} {i + 1:04d}", "host": "127.0.0.1", "port": port,
          "method": "trojan", "password": f"p{i}", "status": "offline" if i % 10 == 9 else "online",
          "location": regions[i % 8], "bandwidth": "1Gbps", "sort_order": (i + 1) * 10,
          **({"delay": 40 + (i * 37) % 400} if i % 5 else {})} for i in range(count)]
json.dump(nodes, sys.stdout, ensure_ascii=False)
PY
}

# Starts the application with throwaway settings; sets app_pid, app_started_ms (the wall clock
# just before the start) and first_paint_log.
session_start_app() {
  rm -rf "$work/config" "$work/state" "$work/runtime"
  mkdir -p "$work/config" "$work/state"
  mkdir -m 700 "$work/runtime"
  first_paint_log=$work/app-first-paint
  rm -f "$first_paint_log"
  app_started_ms=$(date +%s%3N)
  VELMORAND_API_POOL="https://127.0.0.1:$api_port" \
  VELMORAND_API_CA="$build/certs/ca.crt" \
  VELMORAND_CONFIG_DIR="$work/config" \
  VELMORAND_STATE_DIR="$work/state" \
  VELMORAND_FIRST_PAINT_LOG="$first_paint_log" \
  XDG_RUNTIME_DIR="$work/runtime" \
  SSL_CERT_FILE="$build/certs/ca.crt" \
    "$build/bin/velmorand" >"$work/app.log" 2>&1 &
  app_pid=$!
  session_wait 100 test -s "$first_paint_log" || session_fail "the application painted no window"
  app_window=$(xdotool search --sync --onlyvisible --pid "$app_pid" --name '^Velmorand$' | head -n 1)
  [ -n "$app_window" ] || session_fail "no application window"
}

# Milliseconds from a start to the first paint written to a log.
session_first_paint_ms() {
  echo $(($(head -n 1 "$2") - $1))
}

# Starts the blank window with the arguments given (e.g. --size 980x680); sets blank_pid,
# blank_started_ms and blank_first_paint_log.
session_start_blank() {
  blank_first_paint_log=$work/blank-first-paint
  rm -f "$blank_first_paint_log"
  blank_started_ms=$(date +%s%3N)
  VELMORAND_FIRST_PAINT_LOG="$blank_first_paint_log" "$build/bin/velmorand_blank_window" "$@" >"$work/blank.log" 2>&1 &
  blank_pid=$!
  session_pids+=($blank_pid)
  session_wait 100 test -s "$blank_first_paint_log" || session_fail "the blank window painted nothing"
}

# Holds the machine-wide lock of the fixed proxy ports 1080/1081 until the script ends.
session_lock_ports() {
  exec 9>/tmp/velmorand-ports.lock
  echo "Waiting for the ports lock (other runs connect on 127.0.0.1:1080/1081)..." >&2
  flock 9
}

# The sign-in face of a window of the first launch's size (980×680): the e-mail field and the
# sign-in button, in window coordinates.
session_sign_in() {
  local account email password
  account=$(sed -n 's/^Test account: //p' "$work/service.log")
  email=${account%% / *}
  password=${account#* / }
  xdotool windowfocus --sync "$app_window"
  xdotool mousemove --window "$app_window" 490 326 click 1
  xdotool type --delay 5 "$email"
  xdotool key Tab
  xdotool type --delay 5 "$password"
  xdotool mousemove --window "$app_window" 490 483 click 1
  session_wait 150 grep -q "loadNodes: got [1-9]" "$work/app.log" || session_fail "sign-in did not load the nodes"
  xdotool mousemove 1270 890
}

# Connects through the VPN menu's shortcut; the engine stores the node once connected.
session_connect() {
  xdotool windowfocus --sync "$app_window"
  xdotool key ctrl+c
  session_wait 300 grep -q lastConnectedNodeId "$work/config/settings.json" || session_fail "the application did not connect"
}

# Ctrl+1 … Ctrl+4: the tabs of the main window.
session_show_tab() {
  xdotool windowfocus --sync "$app_window"
  xdotool key "ctrl+$1"
}

# Quits the application as the user does (it disconnects first) and waits for it to end.
session_quit_app() {
  stop_processes "$app_pid"
  wait "$app_pid" 2>/dev/null || true
  app_pid=""
}

# The resident, proportional and anonymous memory of a process, and its heap, in kB.
session_memory_sample_kb() {
  local pid=$1
  awk '/^Rss:/ {rss = $2} /^Pss:/ {pss = $2} /^Anonymous:/ {anon = $2}
       END {printf "%d %d %d", rss, pss, anon}' "/proc/$pid/smaps_rollup"
  awk '/\[heap\]/ {heap = 1; next} /^[0-9a-f]+-/ {heap = 0} heap && /^Rss:/ {sum += $2}
       END {printf " %d\n", sum}' "/proc/$pid/smaps"
}

# The middle of three samples a second apart (by resident size): "RSS PSS ANON HEAP" in kB.
session_memory_kb() {
  local samples=()
  for _ in 1 2 3; do
    samples+=("$(session_memory_sample_kb "$1")")
    sleep 1
  done
  printf '%s\n' "${samples[@]}" | sort -n | sed -n 2p
}

# User plus system CPU time of a process (its own, not its children's), in clock ticks.
session_cpu_ticks() {
  awk '{print $14 + $15}' "/proc/$1/stat"
}
