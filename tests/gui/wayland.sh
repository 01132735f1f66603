#!/usr/bin/env bash
# The program on a Wayland desktop, on a real compositor (weston's headless backend with
# XWayland): where XWayland is there it runs on it (its windows are X windows, and no note is
# made); without it, or when the owner asks for Wayland with QT_QPA_PLATFORM, it runs on Wayland
# and says once, on the error window and in the error log, that window placement is not
# available. Usage: wayland.sh <bin folder>
set -u
bin=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
for tool in weston Xwayland xdotool; do
  command -v "$tool" >/dev/null || { echo "wayland.sh: $tool is missing (tools/install-deps.sh)"; exit 77; }
done
work=$(mktemp -d)
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket=wl-wm033 --xwayland --idle-time=0 \
  >"$work/weston.log" 2>&1 &
wpid=$!
trap 'kill $wpid 2>/dev/null; wait $wpid 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 200); do
  grep -q "xserver listening on display" "$work/weston.log" && break
  kill -0 $wpid 2>/dev/null || break
  sleep 0.05
done
xdisplay=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$work/weston.log" | head -1)
[ -n "$xdisplay" ] || { echo "weston did not start:"; cat "$work/weston.log"; exit 1; }

fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }
unset QT_QPA_PLATFORM DISPLAY WM033_HEADLESS
export WAYLAND_DISPLAY=wl-wm033 XDG_SESSION_TYPE=wayland WM033_MICROLAN=sim WM033_CLOCK_RATE=50
note="Window placement is not available"

# A station with a data log already, so that no first-start box waits for a click.
station() {
  mkdir "$work/$1" && cp -r "$src/demo/." "$work/$1/"
  printf 'WM033 data log\r\n' >"$work/$1/WM33DtLg.txt"
}

station x
(cd "$work/x" && DISPLAY=$xdisplay WM033_STOP_AFTER_CYCLES=60 timeout 60 "$bin/wm033" 2>"$work/x.err") &
pid=$!
# Its main window is an X window on XWayland.
DISPLAY=$xdisplay timeout 30 xdotool search --sync --name "Weather monitor- WM033" >/dev/null
found=$?
wait $pid
rc=$?
check "with XWayland the program ends with 0 (got $rc)" "[ $rc -eq 0 ]"
check "with XWayland its windows are X windows" "[ $found -eq 0 ]"
check "with XWayland no note" "! grep -q '$note' '$work/x/WM33ErLg.txt'"

station w
(cd "$work/w" && WM033_STOP_AFTER_CYCLES=5 timeout 60 "$bin/wm033" 2>"$work/w.err")
rc=$?
check "on Wayland alone the program ends with 0 (got $rc)" "[ $rc -eq 0 ]"
check "on Wayland alone the note is made once" "[ \$(grep -c '$note' '$work/w/WM33ErLg.txt') -eq 1 ]"

station o
(cd "$work/o" && DISPLAY=$xdisplay QT_QPA_PLATFORM=wayland WM033_STOP_AFTER_CYCLES=5 \
  timeout 60 "$bin/wm033" 2>"$work/o.err")
rc=$?
check "the owner's QT_QPA_PLATFORM=wayland stands (got $rc)" "[ $rc -eq 0 ]"
check "and the note is made once" "[ \$(grep -c '$note' '$work/o/WM33ErLg.txt') -eq 1 ]"
[ $fail -eq 0 ] || { for f in "$work"/*.err; do echo "== $f"; cat "$f"; done; }
exit $fail
