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
# XWayland binds its socket in /tmp/.X11-unix; on a machine where no X server ran yet that
# folder is missing and weston crashes at start.
[ -d /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; } 2>/dev/null
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

# Runs the program for at most $1 seconds, then sends SIGTERM. One that is still there 10 s later
# is stuck: the stacks of its threads are printed for the log; its own watchdog must then end it
# within its grace time (30 s after the signal), or it is killed and the run fails.
bounded() {
  local limit=$1; shift
  "$@" &
  local p=$!
  alive_after() {
    local t=0
    while kill -0 $p 2>/dev/null && [ $t -lt $(($1 * 10)) ]; do sleep 0.1; t=$((t + 1)); done
    kill -0 $p 2>/dev/null
  }
  if alive_after "$limit"; then
    kill -TERM $p
    if alive_after 10; then
      echo "note: $* is still there 10 s after SIGTERM; its threads:"
      command -v gdb >/dev/null && gdb -p $p -batch -ex "thread apply all bt" 2>&1 | grep -E "^(Thread|#)"
      if alive_after 25; then echo "HUNG: $* outlived its watchdog"; kill -KILL $p; fi
    fi
  fi
  wait $p
}

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
(cd "$work/x" && DISPLAY=$xdisplay WM033_STOP_AFTER_CYCLES=60 bounded 40 "$bin/wm033" 2>"$work/x.err") &
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
(cd "$work/w" && WM033_STOP_AFTER_CYCLES=5 bounded 30 "$bin/wm033" 2>"$work/w.err")
rc=$?
check "on Wayland alone the program ends with 0 (got $rc)" "[ $rc -eq 0 ]"
check "on Wayland alone the note is made once" "[ \$(grep -c '$note' '$work/w/WM33ErLg.txt') -eq 1 ]"

station o
(cd "$work/o" && DISPLAY=$xdisplay QT_QPA_PLATFORM=wayland WM033_STOP_AFTER_CYCLES=5 \
  bounded 30 "$bin/wm033" 2>"$work/o.err")
rc=$?
check "the owner's QT_QPA_PLATFORM=wayland stands (got $rc)" "[ $rc -eq 0 ]"
check "and the note is made once" "[ \$(grep -c '$note' '$work/o/WM33ErLg.txt') -eq 1 ]"
# A run that its watchdog had to end says so on stderr: shown, so that the log tells.
grep -H "ending now" "$work"/*.err
[ $fail -eq 0 ] || { for f in "$work"/*.err "$work/weston.log"; do echo "== $f"; cat "$f"; done; }
exit $fail
