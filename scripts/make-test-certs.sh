#!/usr/bin/env bash
# Writes a throwaway certificate authority and a server certificate for 127.0.0.1, localhost and
# the camouflage names the client hands the core as TLS server name (*.cdn.velmorand.net) into the
# given directory (ca.crt, ca.key, server.crt, server.key). Used by the tests and the demo
# for the stand-in service's HTTPS and the local Trojan servers; nothing here is ever committed.
set -euo pipefail
out=${1:?usage: make-test-certs.sh OUTDIR}
mkdir -p "$out"
cd "$out"
names="IP:127.0.0.1,DNS:localhost,DNS:cdn.velmorand.net,DNS:*.cdn.velmorand.net"
[ -s ca.crt ] && [ -s server.crt ] && [ "$(cat names 2>/dev/null)" = "$names" ] && exit 0
umask 077
openssl req -x509 -newkey rsa:2048 -nodes -days 3650 -subj "/CN=Velmorand Test CA" \
  -keyout ca.key -out ca.crt -addext "basicConstraints=critical,CA:TRUE" \
  -addext "keyUsage=critical,keyCertSign,cRLSign" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -subj "/CN=127.0.0.1" -keyout server.key -out server.csr 2>/dev/null
printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n' "$names" > server.ext
openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 3650 \
  -extfile server.ext -out server.crt 2>/dev/null
rm -f server.csr server.ext ca.srl
chmod 644 ca.crt server.crt
chmod 600 ca.key server.key
echo "$names" > names
