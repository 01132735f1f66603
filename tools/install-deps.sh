#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, when they are missing.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev libjpeg62-turbo-dev libgtest-dev libgmock-dev
          libbenchmark-dev libusb-1.0-0-dev pkg-config fonts-liberation fonts-dejavu-core
          xvfb xauth clang libclang-rt-14-dev python3
          owserver ow-shell digitemp  # independent 1-Wire hosts for tests/adapter_hosts.sh
          libmosquitto-dev mosquitto mosquitto-clients openssl)  # MQTT and its broker tests
# The tests through the real windows: Qt's test library, a window manager and X input tools.
packages+=(libqt6test6 openbox xdotool wmctrl)
# A Wayland desktop for the tests: a compositor with XWayland, and Qt's Wayland platform.
packages+=(weston xwayland qt6-wayland)
# Stacks of a program that a test finds stuck, for the log.
packages+=(gdb)
if [ "${WM033_WITH_BROWSER:-0}" = 1 ]; then packages+=(chromium); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
