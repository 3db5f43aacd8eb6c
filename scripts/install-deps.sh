#!/usr/bin/env bash
# Installs every Debian 12 package the project needs to build, run, test and benchmark.
# Idempotent: packages already present are left alone, and apt runs only when something is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  qt6-base-dev qt6-base-dev-tools qt6-svg-dev libqt6svg6 qt6-qpa-plugins
  qcoro-qt6-dev qtkeychain-qt6-dev libqrencode-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  v2ray openssl ca-certificates curl python3 zbar-tools
  nftables iproute2 procps dbus-daemon
  fonts-noto-cjk fonts-noto-core fonts-noto-color-emoji xvfb xauth x11-utils xdotool
  libgl-dev libvulkan-dev libxkbcommon-dev libqt6opengl6-dev libnotify-bin desktop-file-utils
  clang-14 libclang-rt-14-dev # libFuzzer, for scripts/fuzz.sh
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
