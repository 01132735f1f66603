#!/usr/bin/env bash
# Independent 1-Wire hosts read our emulated station: the DS2480B emulator on a pseudo-terminal
# with the demo station's 13 chips, read by owfs (owserver, owdir, owread) and by digitemp, as
# each would drive a DS9097U. Every chip is found by its ROM code, the same list as wm033-probe
# gives, and every value those hosts can read (temperatures, counters, A/D inputs, the DS2438's
# voltage) agrees with what the emulated chips measure (the emulator writes that every second).
#
# owfs gets tests/hosts/pty_uart_shim.cpp preloaded: it flushes its output right after writing
# the end of every search, and on a pseudo-terminal that flush drops bytes a UART would already
# be sending (see there); digitemp reads its replies before it flushes and needs no help.
set -u
bin=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR"
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }

for tool in owserver owdir owread digitemp_DS9097U python3 c++; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAILED: $tool is not installed (tools/install-deps.sh installs owserver, ow-shell and digitemp)"
    exit 1
  fi
done
c++ -O2 -shared -fPIC -o "$work/shim.so" "$src/tests/hosts/pty_uart_shim.cpp" -ldl || exit 1
free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }

mkdir "$work/st" && cp -r "$src/demo/." "$work/st/"
cd "$work/st"
WM033_EMULATOR_LINGER_MS=-1 WM033_EMULATOR_TRUTH="$work/truth.txt" \
  "$bin/wm033-ds2480b-emulator" >"$work/emu.out" 2>"$work/emu.err" &
pids+=($!)
for _ in $(seq 50); do [ -s "$work/emu.out" ] && [ -s "$work/truth.txt" ] && break; sleep 0.1; done
tty=$(head -1 "$work/emu.out")
check "emulator names its tty ($tty)" "[ -c '$tty' ]"

# What our own probe finds, as owfs names chips (family, a dot, the serial number).
WM033_PORT1="$tty" timeout 60 "$bin/wm033-probe" >"$work/probe.out" 2>/dev/null
python3 - "$work/probe.out" >"$work/probe.ids" <<'EOF'
import re, sys
for line in open(sys.argv[1]):
    m = re.match(r'\s+([0-9A-F]{16})\s', line)
    if m:
        rom = bytes.fromhex(m.group(1))[::-1]
        print('%02X.%s' % (rom[0], rom[1:7].hex().upper()))
EOF
check "the probe finds 13 chips" "[ \$(sort -u '$work/probe.ids' | wc -l) -eq 13 ]"

# owfs.
port=$(free_port)
LD_PRELOAD="$work/shim.so" owserver --foreground --device="$tty" -p "127.0.0.1:$port" \
  >"$work/ows.out" 2>&1 &
pids+=($!)
ows_pid=$!
for _ in $(seq 100); do owdir -s "$port" / >/dev/null 2>&1 && break; sleep 0.1; done
owdir -s "$port" /uncached | sed -n 's|^/uncached/\([0-9A-F][0-9A-F]\.[0-9A-F]\{12\}\)$|\1|p' \
  | sort >"$work/owfs.ids"
check "owfs lists 13 chips" "[ \$(wc -l < '$work/owfs.ids') -eq 13 ]"
[ "$(wc -l <"$work/owfs.ids")" -eq 13 ] || { echo "== owserver said"; cat "$work/ows.out"; }
check "owfs lists the chips the probe finds" "sort -u '$work/probe.ids' | cmp -s - '$work/owfs.ids'"

cp "$work/truth.txt" "$work/truth0.txt"
: >"$work/owfs.values"
while read -r id; do
  case "$id" in
    10.* | 28.*) props="temperature" ;;
    26.*) props="temperature VAD" ;;
    1D.*) props="counters.A counters.B" ;;
    20.*) props="volt.A volt.B volt.C volt.D" ;;
    *) props="" ;;
  esac
  for p in $props; do
    v=$(timeout 30 owread -s "$port" "/uncached/$id/$p" 2>/dev/null | tr -d ' ')
    echo "$id $p ${v:-none}" >>"$work/owfs.values"
  done
done <"$work/owfs.ids"
sleep 1.2
cp "$work/truth.txt" "$work/truth1.txt"
kill "$ows_pid" 2>/dev/null
wait "$ows_pid" 2>/dev/null

# Compares a host's readings with what the chips measured before and after them.
compare() {
  python3 - "$work/truth0.txt" "$work/truth1.txt" "$1" <<'EOF'
import sys
def truth(path):
    t = {}
    for line in open(path):
        parts = line.split()
        for kv in parts[1:]:
            k, v = kv.split('=')
            t[(parts[0], k)] = float(v)
    return t
before, after = truth(sys.argv[1]), truth(sys.argv[2])
tolerance = {'temperature': 0.6, 'VAD': 0.02}
bad = 0
for line in open(sys.argv[3]):
    cid, prop, value = line.split()
    if (cid, prop) not in before:
        print('  no truth for', cid, prop); bad += 1; continue
    lo, hi = sorted((before[(cid, prop)], after[(cid, prop)]))
    tol = tolerance.get(prop, 0.02 if prop.startswith('volt') else 0)
    try:
        v = float(value)
    except ValueError:
        print('  %s %s: no reading' % (cid, prop)); bad += 1; continue
    if not (lo - tol <= v <= hi + tol):
        print('  %s %s: host %s, chip %s..%s' % (cid, prop, value, lo, hi)); bad += 1
sys.exit(1 if bad else 0)
EOF
}
check "owfs read $(wc -l <"$work/owfs.values") values (7 temperatures, 3 DS2438 voltages, 10 counters, 4 A/D inputs)" \
  "[ \$(wc -l < '$work/owfs.values') -eq 24 ]"
check "every owfs reading agrees with the emulated chips" "compare '$work/owfs.values'"

# digitemp: it lists every chip when it walks the bus, keeps the families it reads (not the
# DS2450) in its configuration, and reads temperatures and counters.
cd "$work"
timeout 120 digitemp_DS9097U -s "$tty" -w -q -c "$work/dt.rc" \
  >"$work/dt.walk" 2>&1
sed -n 's/^\([0-9A-F]\{16\}\) : .*/\1/p' "$work/dt.walk" | python3 -c '
import sys
for l in sys.stdin:
    r = bytes.fromhex(l.strip()); print("%02X.%s" % (r[0], r[1:7].hex().upper()))' \
  | sort >"$work/dt.ids"
check "digitemp walks 13 chips" "[ \$(wc -l < '$work/dt.ids') -eq 13 ]"
check "digitemp finds the chips the probe finds" "sort -u '$work/probe.ids' | cmp -s - '$work/dt.ids'"
timeout 120 digitemp_DS9097U -s "$tty" -i -q -c "$work/dt.rc" \
  >"$work/dt.init" 2>&1
check "digitemp keeps the 12 chips of the families it reads" "grep -q '^SENSORS 12' '$work/dt.rc'"
cp "$work/truth.txt" "$work/truth0.txt"
timeout 120 digitemp_DS9097U -a -q -c "$work/dt.rc" \
  -o '%s C: %.4C' -O '%s #%n %C' -H '%s C: %.4C' >"$work/dt.out" 2>&1
sleep 1.2
cp "$work/truth.txt" "$work/truth1.txt"
python3 - "$work/dt.rc" "$work/dt.out" >"$work/dt.values" <<'EOF'
import re, sys
roms = {}
for line in open(sys.argv[1]):
    m = re.match(r'ROM (\d+) (.*)', line)
    if m:
        b = [int(x, 16) for x in m.group(2).split()]
        roms[m.group(1)] = '%02X.%s' % (b[0], ''.join('%02X' % x for x in b[1:7]))
for line in open(sys.argv[2]):
    m = re.match(r'(\d+) C: (\S+)', line)
    if m:
        print(roms[m.group(1)], 'temperature', m.group(2))
    m = re.match(r'(\d+) #(\d) (\S+)', line)
    if m:
        print(roms[m.group(1)], 'counters.' + 'AB'[int(m.group(2))], m.group(3))
EOF
check "digitemp read $(wc -l <"$work/dt.values") values (7 temperatures, 10 counters)" \
  "[ \$(wc -l < '$work/dt.values') -eq 17 ]"
check "every digitemp reading agrees with the emulated chips" "compare '$work/dt.values'"

if [ $fail -ne 0 ]; then
  for f in owfs.values dt.values dt.out truth0.txt truth1.txt; do echo "== $f"; cat "$work/$f"; done
fi
exit $fail
