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
exec "$bin/wm033"
