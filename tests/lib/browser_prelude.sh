# Sourced (not a test of its own) by the tests that open our pages in headless Chromium
# (usage: <test>.sh <bin folder>): skips the test when Chromium is not installed, then sets bin,
# src, a work folder removed at exit with the local web server the test may start ($server), and
# check <what> <condition>, which sets $fail to 1 when the condition fails.
chromium=/usr/bin/chromium
if [ ! -x "$chromium" ]; then
  echo "skipped: $chromium is not installed (apt-get install chromium)"
  exit 0
fi
bin=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }
