#!/usr/bin/env bash
# Runs the demo station headless with broken sensor configuration files and checks that the
# messages come in their order and that the program ends by itself, after start-up, with exit
# status 1. A good demo station runs its cycles and ends with 0.
#   usage: tests/config_startup.sh <bin dir>
set -uo pipefail

bin=$(cd "${1:?usage: $0 <bin dir>}" && pwd) || exit 2
root=$(cd "$(dirname "$0")/.." && pwd)
export XDG_RUNTIME_DIR
XDG_RUNTIME_DIR=$(mktemp -d)
export WM033_HEADLESS=1 WM033_MICROLAN=sim WM033_STOP_AFTER_CYCLES=3 WM033_CLOCK_RATE=100
export QT_QPA_PLATFORM=offscreen
unset WM033_DRIVE_C
failures=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch" "$XDG_RUNTIME_DIR"' EXIT

terminating="Program will now terminate... it may take as long as it takes your system to scan the old data."
faulty="It was present, but fatally faulty. (Check error messages)."

# run <name> <expected status> <edit command or ""> <expected text>...
# The edit runs inside a fresh copy of demo/; the texts must appear in stderr in that order.
run() {
  local name=$1 want=$2 edit=$3
  shift 3
  local dir=$scratch/$name
  mkdir -p "$dir"
  cp -R "$root/demo/." "$dir/"
  (cd "$dir" && eval "$edit")
  local status
  (cd "$dir" && timeout 120 "$bin/wm033" >"$dir/out.txt" 2>"$dir/err.txt")
  status=$?
  local ok=1
  if [[ $status -ne $want ]]; then
    echo "$name: exit status $status, expected $want" >&2
    ok=0
  fi
  local line=0 text found
  for text in "$@"; do
    found=$(grep -n -F -- "$text" "$dir/err.txt" | cut -d: -f1 | awk -v after="$line" '$1 > after {print; exit}')
    if [[ -z $found ]]; then
      echo "$name: missing, or out of order: $text" >&2
      ok=0
      break
    fi
    line=$found
  done
  # Start-up ran to its end: the data log holds the start-up records.
  if ! grep -q "System started" "$dir/WM33DtLg.txt" 2>/dev/null; then
    echo "$name: start-up did not reach the data log" >&2
    ok=0
  fi
  if [[ $ok -eq 0 ]]; then
    sed 's/^/    /' "$dir/err.txt" >&2
    failures=$((failures + 1))
  else
    echo "ok: $name"
  fi
}

run good 0 ""

run missing-file 1 "rm WM033ini.txt" \
  "An ini file is needed. It must be called WM033ini.txt and be in the same folder as WM033.exe." \
  "$terminating"

run wrong-line-a 1 "sed -i '1s/format 23Aug12/format 01Jan09/' WM033ini.txt" \
  "It must be exactly: WM033 sensor configuration file, format 23Aug12" "$faulty" "$terminating"

run non-digit-port 1 "sed -i 's/^h 1/h x/; s/^m e/m ?/' WM033ini.txt" \
  "3rd char of line \"h\" sets the port the adapter is on. It doesn't seem to be a digit. Application will terminate."
if grep -q -e "$terminating" -e "Edit your WM033ini.txt" "$scratch/non-digit-port/err.txt"; then
  echo "non-digit-port: messages after the port message" >&2
  failures=$((failures + 1))
fi

run short-chip-line 1 "sed -i 's/^n eEB00000533A31326.*/n eEB00000533A31326/' WM033ini.txt" \
  "Line \"n\" is too short." "$faulty" "$terminating"

run bad-hex-digit 1 "sed -i 's/^o e4000000533A41428/o e40000G0533A41428/' WM033ini.txt" \
  "On line \"o\" there is an invalid character (G) in the chip ID. (Only 0-9, a-f, A-F allowed.)" \
  "$faulty" "$terminating"

run few-lines 1 "head -n 15 WM033ini.txt > x && mv x WM033ini.txt" \
  "Line \"p\" is missing." "$faulty" "$terminating"

run bad-settings 1 "sed -i '1s/^abWM033ini2/ab WM033ini2/' WM033/WM033ini2.txt" \
  "Secondary ini file (WM033ini2.txt) must begin 'abWM033ini2'" "The settings file"

if [[ $failures -gt 0 ]]; then
  echo "$failures case(s) failed" >&2
  exit 1
fi
echo "all start-up cases passed"
