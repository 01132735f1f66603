#!/usr/bin/env bash
# The 1-Wire stack's layering, checked on the sources:
#   - nothing under onewire/ includes a header of app/ (the TMEX calls, links, adapters,
#     emulators and device routines know no form);
#   - nothing under onewire/sim/ includes a header of onewire/adapters/ (an emulator written
#     from a datasheet shares no command table or chip model with the driver it tests).
# Prints every offending include.
#   usage: tests/onewire_layers.sh [<bin dir, unused>]
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root" || exit 2
failures=0

# Includes that are known to break a rule and are being removed: "file:header" per line.
allowed=()

# Lists `file:header` for each quoted include in the files under $1 whose header matches $2.
includes() {
  grep -rnE --include='*.h' --include='*.cpp' '^[[:space:]]*#[[:space:]]*include[[:space:]]*"'"$2" "$1" |
    sed -E 's/^([^:]*):[0-9]+:[^"]*"([^"]*)".*/\1:\2/'
}

check() {
  local rule=$1 dir=$2 pattern=$3 found line ok a
  found=$(includes "$dir" "$pattern")
  while IFS= read -r line; do
    [ -z "$line" ] && continue
    ok=0
    for a in "${allowed[@]}"; do [ "$line" = "$a" ] && ok=1; done
    if [ $ok -eq 0 ]; then
      echo "FAIL: $rule: $line"
      failures=$((failures + 1))
    fi
  done <<<"$found"
}

[ -d onewire/sim ] || { echo "FAIL: no onewire/sim under $root"; exit 1; }
check "onewire/ includes app/" onewire 'app/'
check "onewire/sim/ includes onewire/adapters/" onewire/sim 'onewire/adapters/'

# The check itself must see a violation: a scratch tree with one.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/onewire/sim"
printf '#include "onewire/adapters/ds2490.h"\n' >"$scratch/onewire/sim/x.cpp"
printf '#include "app/wm033f1.h"\n' >"$scratch/onewire/y.h"
seen=$( (cd "$scratch" && includes onewire/sim 'onewire/adapters/'; includes onewire 'app/') | wc -l)
if [ "$seen" -ne 2 ]; then
  echo "FAIL: the check does not see planted includes ($seen of 2)"
  failures=$((failures + 1))
fi

if [ $failures -ne 0 ]; then
  echo "$failures layering problem(s)"
  exit 1
fi
echo "onewire/ includes nothing of app/; onewire/sim/ includes nothing of onewire/adapters/"
