#!/usr/bin/env bash
# The program on a DS2480B serial adapter: our emulator on a pseudo-terminal with the demo
# station's chips behind it; the probe lists every chip through it, a headless run through the
# real serial driver writes its records with no error line, the emulator ends on SIGTERM, and a
# missing adapter gives one clear message while the cycle runs on.
set -u
bin=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
emu_pid=
cleanup() {
  [ -n "$emu_pid" ] && kill "$emu_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR"
export WM033_HEADLESS=1
unset WM033_MICROLAN
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }

mkdir "$work/a" && cp -r "$src/demo/." "$work/a/"
cd "$work/a"
WM033_CLOCK_RATE=5 "$bin/wm033-ds2480b-emulator" >"$work/emu.out" 2>"$work/emu.err" &
emu_pid=$!
for _ in $(seq 50); do [ -s "$work/emu.out" ] && break; sleep 0.1; done
tty=$(head -1 "$work/emu.out")
check "emulator names its tty ($tty)" "[ -c '$tty' ]"

WM033_PORT1="$tty" timeout 60 "$bin/wm033-probe" >"$work/probe.out" 2>"$work/probe.err"
rc=$?
check "probe ends with 0 (got $rc)" "[ $rc -eq 0 ]"
check "probe finds the 13 chips" "grep -q '^13 chips found' '$work/probe.out'"
check "probe finds every configured chip" "grep -q 'Every configured chip was found' '$work/probe.out'"

WM033_PORT1="$tty" WM033_DRIVE_C="$work/a" WM033_CLOCK_RATE=5 WM033_STOP_AFTER_CYCLES=70 \
  timeout 90 "$bin/wm033" >"$work/run.out" 2>"$work/run.err"
rc=$?
check "run on the serial adapter ends with 0 (got $rc)" "[ $rc -eq 0 ]"
check "no error line" "[ \$(wc -l < '$work/a/WM33ErLg.txt') -eq 1 ]"
for kind in t0 t1 t2 rf ws hm bp wo; do
  check "a $kind record" "grep -q '^$kind' '$work/a/WM33DtLg.txt'"
done

kill -TERM "$emu_pid"
for _ in $(seq 30); do kill -0 "$emu_pid" 2>/dev/null || break; sleep 0.1; done
check "emulator ends on SIGTERM" "! kill -0 $emu_pid 2>/dev/null"
emu_pid=

mkdir "$work/b" && cp -r "$src/demo/." "$work/b/"
cd "$work/b"
WM033_PORT1="$work/no-such-tty" WM033_DRIVE_C="$work/b" WM033_CLOCK_RATE=50 \
  WM033_STOP_AFTER_CYCLES=70 timeout 60 "$bin/wm033" >"$work/b.out" 2>&1
rc=$?
check "run without the adapter ends with 0 (got $rc)" "[ $rc -eq 0 ]"
check "one clear message about the adapter" \
  "[ \$(grep -c 'No 1-Wire adapter could be opened for port 1, adapter type 5' '$work/b.out') -eq 1 ]"
check "the message says what to fix" "grep -q 'plug the adapter in' '$work/b.out'"
check "the cycle goes on" "grep -q 'Problem with DMLGetCount' '$work/b/WM33ErLg.txt'"
exit $fail
