#!/usr/bin/env bash
# The demo in one command: installs what the project needs, builds in build/ only what the demo
# runs (the application, its resources and the stand-in service; scripts/run-tests.sh builds the
# rest), starts the stand-in subscription service with three Trojan nodes on this machine (v2ray
# on 127.0.0.1 with the test certificate) and the application pointed at it with throwaway
# settings, and prints the demo account to sign in with. Ctrl+C, or quitting the application,
# stops everything it started.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# Every core unless CMAKE_BUILD_PARALLEL_LEVEL says how many jobs.
cmake --build build --parallel "${CMAKE_BUILD_PARALLEL_LEVEL:-$(nproc)}" --target velmorand_demo

certs=$root/build/certs
demo=$(mktemp -d "${TMPDIR:-/tmp}/velmorand-demo.XXXXXX")
app_pid=""
helper_pids=()

source scripts/lib/stop_processes.sh

cleanup() {
  trap - INT TERM EXIT
  # The application first: it takes a live connection down while the nodes still answer.
  [ -n "$app_pid" ] && stop_processes "$app_pid"
  [ ${#helper_pids[@]} -gt 0 ] && stop_processes "${helper_pids[@]}"
  rm -rf "$demo"
}
trap cleanup EXIT
trap 'echo; echo "Stopping the demo."; exit 130' INT TERM

free_port() {
  python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

wait_for_port() {
  for _ in $(seq 100); do
    python3 -c 'import socket, sys; socket.create_connection(("127.0.0.1", int(sys.argv[1])), 0.2)' "$1" 2>/dev/null && return 0
    sleep 0.1
  done
  echo "Nothing listens on 127.0.0.1:$1. The logs so far:" >&2
  tail -n 20 "$demo"/*.log >&2 || true
  exit 1
}

# Each started in a session of its own, so that Ctrl+C reaches this script alone and the
# programs are stopped in order.
nodes=()
for node in "香港 01:香港" "东京 02:日本" "新加坡 03:新加坡"; do
  port=$(free_port)
  password=$(openssl rand -hex 16)
  setsid bash scripts/demo-trojan-server.sh "$port" "$password" "$certs" "$demo" >"$demo/trojan-$port.log" 2>&1 &
  helper_pids+=($!)
  wait_for_port "$port"
  nodes+=(--trojan-node "127.0.0.1:$port:$password:$node")
done

api_port=$(free_port)
setsid build/bin/velmorand-stand-in-service --https --port "$api_port" --certs "$certs" "${nodes[@]}" >"$demo/service.log" 2>&1 &
helper_pids+=($!)
wait_for_port "$api_port"
account=""
for _ in $(seq 50); do
  account=$(sed -n 's/^Test account: //p' "$demo/service.log")
  [ -n "$account" ] && break
  sleep 0.1
done

echo
echo "Velmorand demo: the stand-in service on https://127.0.0.1:$api_port with three local Trojan nodes."
echo "Sign in with:"
echo "    e-mail:   ${account%% / *}"
echo "    password: ${account#* / }"
echo "Password-reset codes show in $demo/service.log. Press Ctrl+C to stop everything."
echo

# The core checks the local nodes' certificates against the test CA (SSL_CERT_FILE).
VELMORAND_API_POOL="https://127.0.0.1:$api_port" \
VELMORAND_API_CA="$certs/ca.crt" \
VELMORAND_CONFIG_DIR="$demo/config" \
SSL_CERT_FILE="$certs/ca.crt" \
VELMORAND_STATE_DIR="$demo/state" \
  setsid build/bin/velmorand &
app_pid=$!
wait "$app_pid" || true
app_pid=""
