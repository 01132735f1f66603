#!/usr/bin/env bash
# Runs the tests through the real windows on a private X server (Xvfb, 1366x768) with a window
# manager (openbox), so that frames, moves, minimise and restore are real. Usage:
#   run.sh <bin folder> [gtest arguments]
set -u
bin=$(cd "$1" && pwd)
shift
here=$(cd "$(dirname "$0")" && pwd)
if [ "${WM033_GUI_INNER:-}" != 1 ]; then
  for tool in xvfb-run openbox xdotool wmctrl; do
    command -v "$tool" >/dev/null || { echo "run.sh: $tool is missing (tools/install-deps.sh)"; exit 1; }
  done
  export WM033_GUI_INNER=1
  exec xvfb-run -a -s "-screen 0 1366x768x24 -nolisten tcp" bash "$0" "$bin" "$@"
fi
work=$(mktemp -d)
openbox >"$work/openbox.log" 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null; wait $wm 2>/dev/null; rm -rf "$work"' EXIT
# The window manager is ready once it has announced itself on the root window.
for _ in $(seq 200); do wmctrl -m >/dev/null 2>&1 && break; sleep 0.05; done
wmctrl -m >/dev/null 2>&1 || { echo "run.sh: the window manager did not start"; cat "$work/openbox.log"; exit 1; }
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export XDG_RUNTIME_DIR="$work"
timeout -k 10 "${WM033_GUI_TIMEOUT:-600}" "$bin/wm033_gui_tests" "$@"
