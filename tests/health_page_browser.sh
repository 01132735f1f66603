#!/usr/bin/env bash
# The health page and the readings file of a real headless run with a missing rain gauge: the
# journal lines on stderr, the readings file read by Python's JSON parser, and the health page
# in headless Chromium at a phone's width and a desktop's (tables, states, the PNG at its size,
# the legend, the link to the main page, nothing wider than the screen). Skipped when Chromium is
# not installed.
set -u
source "$(dirname "$0")/lib/browser_prelude.sh"

station="$work/station"
mkdir -p "$station" "$work/run" && cp -r "$src/demo/." "$station/"
sed -i 's/^iri=.*/iri=5/' "$station/WM033/WM033ini2.txt"
printf '\r\n[Calibration]\r\nRainPerCount=0.2\r\nHumiditySlope=0.1\r\n' >>"$station/WM033/WM033ini2.txt"
(cd "$station" && XDG_RUNTIME_DIR="$work/run" WM033_HEADLESS=1 WM033_MICROLAN=sim \
  WM033_SIM_FAULTS=p=absent WM033_CLOCK_RATE=100 WM033_STOP_AFTER_CYCLES=70 \
  QT_QPA_PLATFORM=offscreen timeout 120 "$bin/wm033" 2>"$work/run.err")
rc=$?
web="$station/web"
check "headless run ends with 0 (got $rc)" "[ $rc -eq 0 ]"
check "journal: the rain gauge became failing" \
  "grep -q '^WM033: line p (RF, rainfall) failing: 3 failures in a row, code 44' '$work/run.err'"
check "journal: one summary at Quit" \
  "[ \$(grep -c '^WM033: line health at Quit: 12 ok, 1 failing (p), 0 disabled, 0 not configured; ' '$work/run.err') -eq 1 ]"
check "health page, readings file and PNG written" \
  "[ -s '$web/WM033BC-health.htm' ] && [ -s '$web/WM033BC.json' ] && [ -s '$web/WM033BC.png' ]"
check "no temporary file left" "[ -z \"\$(ls -A '$web' | grep '^\.WM033')\" ]"

python3 - "$web/WM033BC.json" >"$work/json.out" 2>&1 <<'PY'
import json, sys
d = json.load(open(sys.argv[1], encoding="utf-8"))
r, h = d["readings"], d["health"]
assert [x["channel"] for x in r] == list(range(13)), "channels"
assert [x["line"] for x in h] == list("klmnopqrstuvw"), "lines"
assert r[5]["value"] is None and r[5]["calibrated"] is None and r[5]["calibrated_unit"] == "mm"
assert h[5]["state"] == "failing" and h[5]["failures"] == h[5]["reads"] > 2
assert h[5]["failures_by_code"] == {"44": h[5]["reads"]}, h[5]
assert isinstance(r[9]["value"], int) and abs(r[9]["calibrated"] - 0.1 * r[9]["value"]) < 1e-6
assert all(x["state"] == "ok" for i, x in enumerate(h) if i != 5)
assert d["station"]["adapter"] == {"port": 1, "type": 5, "simulated": True}
assert d["time"][19] in "+-" and d["time"][22] == ":", d["time"]
print("json ok")
PY
check "readings file read by Python's json module ($(tail -1 "$work/json.out"))" \
  "grep -q '^json ok' '$work/json.out'"

cat >"$web/check.html" <<'HTML'
<html><body>
<iframe id="phone" src="WM033BC-health.htm" width="390" height="800"></iframe>
<iframe id="desk" src="WM033BC-health.htm" width="1100" height="800"></iframe>
<pre id="result">pending</pre>
<script>
function report(name) {
  var w = document.getElementById(name).contentWindow, d = w.document, out = [];
  var img = d.querySelector('img.graph');
  out.push(name + ' img ' + img.getAttribute('src') + ' ' + img.naturalWidth + 'x' +
           img.naturalHeight + ' complete=' + img.complete);
  out.push(name + ' fits ' + (d.documentElement.scrollWidth <= w.innerWidth));
  out.push(name + ' readings ' + d.querySelectorAll('#readings tbody tr').length);
  out.push(name + ' lines ' + d.querySelectorAll('#lines tbody tr').length);
  out.push(name + ' legend ' + d.querySelectorAll('ul.legend li').length);
  var rows = d.querySelectorAll('#lines tbody tr');
  out.push(name + ' state p ' + rows[5].querySelector('.state').textContent);
  out.push(name + ' state k ' + rows[0].querySelector('.state').textContent);
  out.push(name + ' code ' + (rows[5].textContent.indexOf('code 44') >= 0));
  var a = d.querySelector('a[href="WM033BC.htm"]');
  out.push(name + ' link ' + (a !== null));
  var font = parseFloat(w.getComputedStyle(d.body).fontSize);
  out.push(name + ' font ' + (font >= 16));
  return out.join('\n');
}
window.addEventListener('load', function () {
  document.getElementById('result').textContent =
      '\n' + report('phone') + '\n' + report('desk') + '\n';
});
</script></body></html>
HTML

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
(cd "$web" && exec python3 -m http.server --bind 127.0.0.1 "$port" >"$work/http.log" 2>&1) &
server=$!
for _ in $(seq 50); do
  python3 -c "import urllib.request; urllib.request.urlopen('http://127.0.0.1:$port/check.html')" \
    2>/dev/null && break
  sleep 0.1
done
timeout 90 "$chromium" --headless --no-sandbox --disable-gpu --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$work/profile" --virtual-time-budget=5000 --dump-dom \
  "http://127.0.0.1:$port/check.html" >"$work/dom.html" 2>"$work/chromium.err"
sed -n '/<pre id="result">/,/<\/pre>/p' "$work/dom.html"
for view in phone desk; do
  check "$view: the PNG loads at 780 x 237" \
    "grep -q '^$view img WM033BC.png 780x237 complete=true' '$work/dom.html'"
  check "$view: nothing wider than the screen" "grep -q '^$view fits true' '$work/dom.html'"
  check "$view: 13 readings and 13 lines" \
    "grep -q '^$view readings 13' '$work/dom.html' && grep -q '^$view lines 13' '$work/dom.html'"
  check "$view: a legend of the 12 plotted channels" "grep -q '^$view legend 12' '$work/dom.html'"
  check "$view: line p failing with code 44, line k ok" \
    "grep -q '^$view state p failing' '$work/dom.html' && grep -q '^$view state k ok' '$work/dom.html' && grep -q '^$view code true' '$work/dom.html'"
  check "$view: link to the main page, text at 16 px" \
    "grep -q '^$view link true' '$work/dom.html' && grep -q '^$view font true' '$work/dom.html'"
done
exit $fail
