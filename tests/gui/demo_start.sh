#!/usr/bin/env bash
# `make demo` on a desktop: the first start of a new demo station opens all its windows without
# a box in front of them (the data log is created by a short headless start first), on a
# private desktop (desktop.sh). Usage: demo_start.sh <bin folder>
set -u
bin=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/../.." && pwd)
if [ "${WM033_ON_DESKTOP:-}" != 1 ]; then
  WM033_ON_DESKTOP=1 exec bash "$(dirname "$0")/desktop.sh" bash "$0" "$bin"
fi
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/build" && ln -s "$bin" "$work/build/bin"
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }

"$src/tools/run-demo.sh" "$work/build" >"$work/demo.out" 2>&1 &
demo=$!
# The main window appears once start-up has run: a box during start-up would hold it back.
timeout 60 xdotool search --sync --onlyvisible --name "Weather monitor- WM033" >/dev/null
found=$?
check "the main window opened without a box before it" "[ $found -eq 0 ]"
check "no box is open" "! xdotool search --onlyvisible --name '^WM033\$' >/dev/null"
check "the first start said it created the data log" "grep -q 'creating its data log' '$work/demo.out'"
check "the data log is there" "[ -s '$work/build/demo-station/WM33DtLg.txt' ]"
kill -TERM $demo
wait $demo
rc=$?
check "SIGTERM ends the demo with 0 (got $rc)" "[ $rc -eq 0 ]"
[ $fail -eq 0 ] || cat "$work/demo.out"
exit $fail
