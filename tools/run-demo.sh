#!/usr/bin/env bash
# Lays out the demo station in <build>/demo-station (files already there are kept, so a second
# run continues the history of the first) and starts the monitor in it on the simulated
# MicroLan: with windows when there is a display, headless otherwise.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
bin=$(cd "$build/bin" && pwd)
station="$build/demo-station"
mkdir -p "$station"
cp -rn "$here/demo/." "$station/"
cd "$station"
export WM033_MICROLAN=sim
# A new station's first start says, in a box, that it creates the data log; on a desktop that
# box would stand in front of the windows' first look. So the very first start of the demo is a
# short headless one, which creates the log (and says so here).
if [ ! -e WM33DtLg.txt ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; } &&
   [ "${WM033_HEADLESS:-0}" != 1 ]; then
  echo "First start of the demo station: creating its data log in $PWD"
  WM033_HEADLESS=1 WM033_STOP_AFTER_CYCLES=1 "$bin/wm033" 2>&1 | grep -v '^WM033: ' || true
fi
exec "$bin/wm033"
