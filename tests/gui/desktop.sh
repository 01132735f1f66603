#!/usr/bin/env bash
# Runs a command on a private desktop: an X server (Xvfb, 1366x768) with a window manager
# (openbox), so that frames, moves, minimise and restore are real, and a private
# XDG_RUNTIME_DIR. Usage: desktop.sh <command> [arguments...]
set -u
if [ "${WM033_DESKTOP_INNER:-}" != 1 ]; then
  for tool in xvfb-run openbox xdotool wmctrl; do
    command -v "$tool" >/dev/null || { echo "desktop.sh: $tool is missing (tools/install-deps.sh)"; exit 77; }
  done
  export WM033_DESKTOP_INNER=1
  exec xvfb-run -a -s "-screen 0 1366x768x24 -nolisten tcp" bash "$0" "$@"
fi
work=$(mktemp -d)
openbox >"$work/openbox.log" 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null; wait $wm 2>/dev/null; rm -rf "$work"' EXIT
# The window manager is ready once it has announced itself on the root window.
for _ in $(seq 200); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.05; done
wmctrl -m >/dev/null 2>&1 || { echo "desktop.sh: the window manager did not start"; cat "$work/openbox.log"; exit 1; }
unset QT_QPA_PLATFORM WAYLAND_DISPLAY WM033_HEADLESS
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$@"
