#!/usr/bin/env bash
# The demo station with an [MQTT] section against a real mosquitto broker on loopback, checked by
# mosquitto_sub: retained discovery configs for every chip, the state message (the readings
# document), "online"/"offline", the last will after SIGKILL, a config cleared when its channel is
# switched off, a broker restarted without persistence mid-run, TLS with a CA made here, and a
# wrong password that costs one error line while the station runs on.
set -u
bin=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
broker_pid=
trap 'kill $(jobs -p) 2>/dev/null; [ -n "$broker_pid" ] && kill -9 $broker_pid 2>/dev/null; rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR"
export WM033_HEADLESS=1 WM033_MICROLAN=sim WM033_CLOCK_RATE=60
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }
mosquitto=$(command -v mosquitto || echo /usr/sbin/mosquitto)
[ -x "$mosquitto" ] && command -v mosquitto_sub >/dev/null || { echo "FAILED: mosquitto and mosquitto-clients are needed"; exit 1; }

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
port=$(free_port)
tls_port=$(free_port)

# A CA and a certificate for 127.0.0.1.
(cd "$work" &&
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.crt -days 2 -subj /CN=test-ca &&
  openssl req -newkey rsa:2048 -nodes -keyout srv.key -out srv.csr -subj /CN=127.0.0.1 &&
  printf 'subjectAltName=IP:127.0.0.1\n' >ext.cnf &&
  openssl x509 -req -in srv.csr -CA ca.crt -CAkey ca.key -CAcreateserial -out srv.crt -days 2 \
    -extfile ext.cnf) >/dev/null 2>&1 || { echo "FAILED: openssl"; exit 1; }
mosquitto_passwd -c -b "$work/passwd" station right >/dev/null 2>&1

start_broker() {  # $1: "auth" for a password on the plain listener
  {
    printf 'user root\npersistence false\nper_listener_settings true\n'
    printf 'listener %s 127.0.0.1\n' "$port"
    if [ "${1:-}" = auth ]; then
      printf 'allow_anonymous false\npassword_file %s\n' "$work/passwd"
    else
      printf 'allow_anonymous true\n'
    fi
    printf 'listener %s 127.0.0.1\nallow_anonymous true\n' "$tls_port"
    printf 'cafile %s\ncertfile %s\nkeyfile %s\n' "$work/ca.crt" "$work/srv.crt" "$work/srv.key"
  } >"$work/broker.conf"
  "$mosquitto" -c "$work/broker.conf" >>"$work/broker.log" 2>&1 &
  broker_pid=$!
  for _ in $(seq 50); do (exec 3<>/dev/tcp/127.0.0.1/$port) 2>/dev/null && return 0; sleep 0.1; done
  echo "FAILED: broker did not start"; cat "$work/broker.log"; exit 1
}
stop_broker() { kill -9 $broker_pid 2>/dev/null; wait $broker_pid 2>/dev/null; broker_pid=; }

# What the broker holds now: "topic<TAB>payload" per retained message.
retained() { timeout 5 mosquitto_sub -p "$port" -t '#' --retained-only -W 2 -F '%t	%p' 2>/dev/null; }
count_configs() { retained | grep -c '^homeassistant/.*/config	.' ; }

station() {  # $1: folder, $2: [MQTT] lines (CR LF added)
  mkdir -p "$1" && cp -r "$src/demo/." "$1/"
  printf '\r\n[MQTT]\r\n' >>"$1/WM033/WM033ini2.txt"
  printf '%s\r\n' $2 >>"$1/WM033/WM033ini2.txt"
}

# 1. TLS with the CA: configs, state, availability; offline after Quit.
start_broker
station "$work/a" "Host=127.0.0.1 Port=$tls_port TLS=1 CAFile=$work/ca.crt Topic=demo Interval=5"
(cd "$work/a" && WM033_STOP_AFTER_CYCLES=150 timeout 60 "$bin/wm033" 2>"$work/a.err")
rc=$?
check "TLS run ends with 0 (got $rc)" "[ $rc -eq 0 ]"
retained >"$work/a.retained"
check "39 retained discovery configs (13 sensors, 13 health, 13 problem)" \
  "[ \$(grep -c '^homeassistant/.*/config	{' '$work/a.retained') -eq 39 ]"
check "availability offline after Quit" "grep -q '^demo/availability	offline$' '$work/a.retained'"
timeout 5 mosquitto_sub -p "$port" -t demo/state -C 1 -W 3 >"$work/a.state" 2>/dev/null
check "state is the readings document" "python3 -c '
import json,sys; d=json.load(open(\"$work/a.state\"))
assert len(d[\"readings\"])==13 and len(d[\"health\"])==13 and d[\"cycles\"]>100, d[\"cycles\"]
assert all(h[\"state\"]==\"ok\" for h in d[\"health\"])'"
check "no MQTT error line" "! grep -q MQTT '$work/a/WM33ErLg.txt'"
check "connection noted on stderr" "grep -q 'MQTT: connected to 127.0.0.1' '$work/a.err'"

# 2. Line r switched off: its sensor config is cleared, its health stays.
station "$work/b" "Host=127.0.0.1 Port=$port Topic=demo"
sed -i 's/^r e8A/r d8A/' "$work/b/WM033ini.txt"
(cd "$work/b" && WM033_STOP_AFTER_CYCLES=40 timeout 60 "$bin/wm033" 2>"$work/b.err")
retained >"$work/b.retained"
check "switched-off lightning has no config" "! grep -q '_lightning/config	.' '$work/b.retained'"
check "its health sensor stays" "grep -q '_line_r_health/config	{' '$work/b.retained'"
check "38 configs" "[ \$(grep -c '^homeassistant/.*/config	{' '$work/b.retained') -eq 38 ]"

# 3. SIGKILL: the will says offline. 4. The broker restarted without persistence mid-run.
station "$work/c" "Host=127.0.0.1 Port=$port Topic=demo"
(cd "$work/c" && exec "$bin/wm033" 2>"$work/c.err") &
pid=$!
for _ in $(seq 100); do retained | grep -q '^demo/availability	online$' && break; sleep 0.2; done
check "online while running" "retained | grep -q '^demo/availability	online$'"
stop_broker
start_broker
back=0
for _ in $(seq 75); do [ "$(count_configs)" -ge 39 ] && { back=1; break; }; sleep 0.2; done
check "everything retained again after a broker restart" "[ $back -eq 1 ]"
for _ in $(seq 50); do retained | grep -q '^demo/state	{' && break; sleep 0.2; done
check "state again after the restart" "retained | grep -q '^demo/state	{'"
check "availability online again" "retained | grep -q '^demo/availability	online$'"
kill -KILL $pid
wait $pid 2>/dev/null
for _ in $(seq 50); do retained | grep -q '^demo/availability	offline$' && break; sleep 0.1; done
check "the will says offline after SIGKILL" "retained | grep -q '^demo/availability	offline$'"
check "one line for the loss, one for the return" \
  "[ \$(grep -c 'MQTT: lost the connection' '$work/c/WM33ErLg.txt') -eq 1 ] && grep -q 'MQTT: connected to 127.0.0.1:$port again' '$work/c/WM33ErLg.txt'"
stop_broker

# 5. A wrong password: one error line, the station runs on.
start_broker auth
printf 'wrong\n' >"$work/pw.txt"
station "$work/d" "Host=127.0.0.1 Port=$port User=station PasswordFile=$work/pw.txt"
(cd "$work/d" && WM033_STOP_AFTER_CYCLES=120 timeout 60 "$bin/wm033" 2>"$work/d.err")
rc=$?
check "run with a wrong password ends with 0 (got $rc)" "[ $rc -eq 0 ]"
check "one error line says why" "[ \$(grep -c 'MQTT: cannot connect.*not authorised' '$work/d/WM33ErLg.txt') -eq 1 ]"
check "the station ran on: page and data log written" \
  "[ -s '$work/d/web/WM033BC.htm' ] && [ \$(grep -c '^t0' '$work/d/WM33DtLg.txt') -ge 1 ]"

# 6. Bad values: each its own error line, MQTT off, the rest runs.
station "$work/e" "Host=127.0.0.1 Port=0 TLS=2"
(cd "$work/e" && WM033_STOP_AFTER_CYCLES=30 timeout 60 "$bin/wm033" 2>"$work/e.err")
rc=$?
check "run with bad MQTT values ends with 0 (got $rc)" "[ $rc -eq 0 ]"
check "two error lines, one per bad value" "[ \$(grep -c 'MQTT is off: \[MQTT\]' '$work/e/WM33ErLg.txt') -eq 2 ]"
exit $fail
