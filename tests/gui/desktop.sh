#!/usr/bin/env bash
# Runs a command on a private desktop: an X server (Xvfb, 1366x768, on a display number it
# picks itself, so that desktops started side by side never meet) with a window manager
# (openbox), so that frames, moves, minimise and restore are real, and a private
# XDG_RUNTIME_DIR. Usage: desktop.sh <command> [arguments...]
set -u
for tool in Xvfb openbox xdotool wmctrl; do
  command -v "$tool" >/dev/null || { echo "desktop.sh: $tool is missing (tools/install-deps.sh)"; exit 77; }
done
work=$(mktemp -d)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null; wait "${pids[@]}" 2>/dev/null; rm -rf "$work"' EXIT
mkfifo "$work/displayfd"
Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp 3>"$work/displayfd" 2>"$work/xvfb.log" &
pids+=($!)
read -r -t 30 number <"$work/displayfd" || { echo "desktop.sh: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
export DISPLAY=":$number"
openbox >"$work/openbox.log" 2>&1 &
pids+=($!)
# The window manager is ready once it has announced itself on the root window.
for _ in $(seq 200); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.05; done
wmctrl -m >/dev/null 2>&1 || { echo "desktop.sh: the window manager did not start"; cat "$work/openbox.log"; exit 1; }
unset QT_QPA_PLATFORM WAYLAND_DISPLAY WM033_HEADLESS
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
"$@"
