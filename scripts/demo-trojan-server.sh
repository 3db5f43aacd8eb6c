#!/usr/bin/env bash
# One Trojan server on 127.0.0.1 for the demo: v2ray with the test certificate, passing its
# clients' traffic on to wherever they ask. It replaces itself with v2ray, so its process id is
# the server's.
# Usage: demo-trojan-server.sh PORT PASSWORD CERTS_DIR WORK_DIR
set -euo pipefail
[ $# -eq 4 ] || { echo "usage: $0 PORT PASSWORD CERTS_DIR WORK_DIR" >&2; exit 2; }
port=$1 password=$2 certs=$3 work=$4
case $port in *[!0-9]* | '') echo "not a port: $port" >&2; exit 2 ;; esac
case $password in *[!A-Za-z0-9]* | '') echo "the password must be letters and digits" >&2; exit 2 ;; esac

config=$work/trojan-$port.json
cat >"$config" <<JSON
{
  "log": {"loglevel": "warning"},
  "inbounds": [{
    "listen": "127.0.0.1",
    "port": $port,
    "protocol": "trojan",
    "settings": {"clients": [{"password": "$password"}]},
    "streamSettings": {
      "network": "tcp",
      "security": "tls",
      "tlsSettings": {"certificates": [{"certificateFile": "$certs/server.crt", "keyFile": "$certs/server.key"}]}
    }
  }],
  "outbounds": [{"protocol": "freedom"}]
}
JSON
exec /usr/bin/v2ray -config "$config"
