#!/usr/bin/env bash
# Builds the Debian package and installs it on a fresh, minimal Debian 12 (a debootstrap'ed
# chroot), where apt-get has to pull in every runtime library by itself; then runs the installed
# program headless on a copy of the installed demo station for 70 cycles and removes the package.
# Needs root and the Debian mirror that this machine's apt sources name. Usage: tools/check-package.sh [build-dir]
set -euo pipefail
build=${1:-build}
[ "$(id -u)" -eq 0 ] || { echo "check-package: needs root (debootstrap, chroot)" >&2; exit 1; }
command -v debootstrap >/dev/null ||
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends debootstrap >/dev/null

cmake --build "$build" --target package >/dev/null
deb=$(ls -t "$build"/wm033_*.deb | head -n 1)

root=$(mktemp -d /tmp/wm033-fresh.XXXXXX)
chmod 755 "$root"  # apt downloads as its own user
cleanup() {
  umount "$root/proc" 2>/dev/null || true
  rm -rf --one-file-system "$root"
}
trap cleanup EXIT

# The mirror of this machine's own apt sources that carries bookworm itself (not its security or
# updates suites): deb822 .sources files first, then one-line sources.list entries.
mirror() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -r "$f" ] || continue
    awk 'BEGIN { RS = ""; FS = "\n" }
      { uri = ""; main = 0
        for (i = 1; i <= NF; i++) {
          if ($i ~ /^URIs:/) { split($i, u, /[ \t]+/); uri = u[2] }
          if ($i ~ /^Suites:/ && $i ~ /[ \t]bookworm([ \t]|$)/) main = 1
        }
        if (uri != "" && main) { print uri; exit } }' "$f"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -r "$f" ] || continue
    awk '$1 == "deb" { i = 2; if ($2 ~ /^\[/) while ($i !~ /\]$/) i++; if ($2 ~ /^\[/) i++
                      if ($(i + 1) == "bookworm") { print $i; exit } }' "$f"
  done
}
mirror_uri=$(mirror | head -n 1)
[ -n "$mirror_uri" ] || { echo "check-package: no bookworm mirror in this machine's apt sources" >&2; exit 1; }

echo "check-package: a fresh Debian 12 in $root (from $mirror_uri)"
debootstrap --variant=minbase bookworm "$root" "$mirror_uri" >"$root.log" 2>&1 ||
  { tail -n 20 "$root.log" >&2; rm -f "$root.log"; exit 1; }
rm -f "$root.log"
mount -t proc proc "$root/proc"
cp "$deb" "$root/tmp/"

chroot "$root" /bin/bash -euo pipefail -c '
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "/tmp/'"$(basename "$deb")"'" >/tmp/install.log 2>&1 ||
    { tail -n 20 /tmp/install.log; exit 1; }
  for f in /usr/bin/wm033 /usr/bin/wm033-probe /usr/share/man/man1/wm033.1 \
           /usr/lib/systemd/user/wm033.service /usr/share/wm033/demo/WM033ini.txt; do
    [ -e "$f" ] || [ -e "$f.gz" ] || { echo "not installed: $f"; exit 1; }
  done
  mkdir -m 700 /tmp/xdg
  cp -r /usr/share/wm033/demo /root/station
  cd /root/station
  WM033_MICROLAN=sim WM033_HEADLESS=1 WM033_CLOCK_RATE=100 WM033_STOP_AFTER_CYCLES=70 \
    XDG_RUNTIME_DIR=/tmp/xdg timeout 300 wm033
  [ -s WM33DtLg.txt ] && [ -s web/WM033BC.htm ] && [ -s web/WM033BC.jpg ] ||
    { echo "the installed program wrote no log, page or chart"; exit 1; }
  apt-get remove -y -qq wm033 >/dev/null 2>&1
  [ ! -e /usr/bin/wm033 ] || { echo "wm033 left behind after removal"; exit 1; }
'
echo "check-package: $(basename "$deb") installs, runs and removes on a fresh Debian 12"
