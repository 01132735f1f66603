#!/usr/bin/env bash
# The program run for real, headless, on a copy of the demo station: a bounded run ends by
# itself with status 0 and writes its error log; SIGTERM ends a running copy with status 0; a
# second copy ends at once with status 0 and touches nothing.
set -u
bin=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR"
export WM033_HEADLESS=1 WM033_MICROLAN=sim WM033_CLOCK_RATE=100
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }

mkdir "$work/a" && cp -r "$src/demo/." "$work/a/"
(cd "$work/a" && WM033_STOP_AFTER_CYCLES=70 timeout 60 "$bin/wm033" 2>"$work/a.err")
rc=$?
check "bounded run ends with 0 (got $rc)" "[ $rc -eq 0 ]"
check "error log written" "head -c 40 '$work/a/WM33ErLg.txt' | grep -q 'WM033 Error log. Created by the program'"
check "start-up message printed" "grep -q 'running headless; drive C: is' '$work/a.err'"

mkdir "$work/b" && cp -r "$src/demo/." "$work/b/"
(cd "$work/b" && exec timeout 60 "$bin/wm033" 2>"$work/b.err") &
pid=$!
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/wm033/MyApp.sock" ] && break; sleep 0.1; done
sleep 0.5
mkdir "$work/c"
(cd "$work/c" && timeout 10 "$bin/wm033" 2>"$work/c.err")
rc2=$?
check "second copy ends with 0 (got $rc2)" "[ $rc2 -eq 0 ]"
check "second copy touched no file" "[ -z \"\$(ls -A '$work/c')\" ]"
kill -TERM $pid
wait $pid
rc3=$?
check "SIGTERM ends with 0 (got $rc3)" "[ $rc3 -eq 0 ]"
check "SIGTERM closed the logs" "grep -q 'WM033 Error log' '$work/b/WM33ErLg.txt'"
exit $fail
