#!/usr/bin/env bash
# The program takes no command-line arguments, and none reaches Qt: with Qt's own options
# (-platform, -style, -reverse, -session) and arbitrary words it runs exactly as without them.
set -u
bin=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/run"
mkdir -m 700 "$XDG_RUNTIME_DIR"
export WM033_HEADLESS=1 WM033_MICROLAN=sim WM033_CLOCK_RATE=100 WM033_STOP_AFTER_CYCLES=20
export WM033_CLOCK_START="2012-08-23 14:05:00"
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }

run() {  # run <name> [arguments...]
  local name=$1
  shift
  mkdir "$work/$name" && cp -r "$src/demo/." "$work/$name/"
  (cd "$work/$name" && timeout 60 "$bin/wm033" "$@" >"$work/$name.out" 2>&1)
}
run plain
rc_plain=$?
run args -platform nonexistent -style nonexistent -reverse -session x --help -h extra words
rc_args=$?
check "without arguments: status 0 (got $rc_plain)" "[ $rc_plain -eq 0 ]"
check "with arguments: the same status (got $rc_args)" "[ $rc_args -eq $rc_plain ]"
# The same data log records, apart from the time the program ran.
records() { cut -c1-2 "$work/$1/WM33DtLg.txt" | tr -d '\r'; }
check "with arguments: the same data log records" "[ \"\$(records plain)\" = \"\$(records args)\" ]"
check "no word about the arguments" "! grep -qiE 'platform|nonexistent|argument' '$work/args.out'"
exit $fail
