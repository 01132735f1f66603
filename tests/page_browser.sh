#!/usr/bin/env bash
# The published page in a real browser: a short headless run on a copy of the demo station
# writes the page and the graph JPEG; a local web server serves the page folder; headless
# Chromium loads the page inside a small wrapper whose script reports what the browser saw
# (image sizes, table text, quote). Skipped when Chromium is not installed.
set -u
source "$(dirname "$0")/lib/browser_prelude.sh"

# The station: JPEG in the first cycle, one extra image on the page with the default alternative
# text (which quotes the word "alt"), and one whose settings try to put a script handler and a
# style on the page through its attributes.
station="$work/station"
mkdir -p "$station" && cp -r "$src/demo/." "$station/"
sed -i 's/^iri=.*/iri=5/' "$station/WM033/WM033ini2.txt"
printf '\r\n[SecondImage]\r\njpg2caption=The extra picture\r\njpg2name=extra.jpg\r\njpg2width=50\r\n' \
  >>"$station/WM033/WM033ini2.txt"
printf '\r\n[ThirdImage]\r\njpg3name=%s\r\njpg3width=%s\r\n' \
  'gone.jpg" onerror="document.title=`broken`' '10" style="display:none' \
  >>"$station/WM033/WM033ini2.txt"
mkdir -p "$work/run"
(cd "$station" && XDG_RUNTIME_DIR="$work/run" WM033_HEADLESS=1 WM033_MICROLAN=sim \
  WM033_CLOCK_RATE=100 WM033_STOP_AFTER_CYCLES=5 QT_QPA_PLATFORM=offscreen \
  timeout 120 "$bin/wm033" 2>"$work/run.err")
rc=$?
web="$station/web"
check "headless run ends with 0 (got $rc)" "[ $rc -eq 0 ]"
check "page written" "[ -s '$web/WM033BC.htm' ]"
check "graph JPEG written" "[ -s '$web/WM033BC.jpg' ]"
check "no temporary file left" "[ -z \"\$(ls -A '$web' | grep '^\.WM033')\" ]"
cp "$web/WM033BC.jpg" "$web/extra.jpg" 2>/dev/null

# The wrapper reports, after everything has loaded, what the framed page holds.
cat >"$web/check.html" <<'HTML'
<html><body><iframe id="p" src="WM033BC.htm" width="1000" height="900"></iframe>
<pre id="result">pending</pre>
<script>
window.addEventListener('load', function () {
  var d = document.getElementById('p').contentDocument;
  var out = [];
  var imgs = d.getElementsByTagName('img');
  for (var i = 0; i < imgs.length; i++) {
    out.push('img ' + imgs[i].getAttribute('src') + ' ' + imgs[i].naturalWidth + 'x' +
             imgs[i].naturalHeight + ' complete=' + imgs[i].complete);
    var names = [];
    for (var a = 0; a < imgs[i].attributes.length; a++) names.push(imgs[i].attributes[a].name);
    out.push('attributes ' + names.join(','));
    out.push('alt ' + imgs[i].getAttribute('alt'));
    out.push('width ' + imgs[i].getAttribute('width'));
  }
  var pre = d.getElementsByTagName('pre');
  out.push('table ' + (pre.length ? pre[0].textContent.split('--at--').length - 1 : 0));
  out.push('title ' + d.title.trim());
  out.push('quote ' + (d.body.innerHTML.indexOf('A quote chosen from a bank') >= 0));
  document.getElementById('result').textContent = out.join('\n');
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
profile="$work/profile"
timeout 90 "$chromium" --headless --no-sandbox --disable-gpu --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$profile" --virtual-time-budget=5000 --dump-dom \
  "http://127.0.0.1:$port/check.html" >"$work/dom.html" 2>"$work/chromium.err"
sed -n '/<pre id="result">/,/<\/pre>/p' "$work/dom.html"
check "graph image loads at 780 x 237" "grep -q 'img WM033BC.jpg 780x237 complete=true' '$work/dom.html'"
check "extra image loads" "grep -q 'img extra.jpg 780x237 complete=true' '$work/dom.html'"
check "table of eight readings" "grep -q '^table 8' '$work/dom.html'"
check "title with the prefix" "grep -q '^title Demo station Beacon / WM033, version' '$work/dom.html'"
check "quote shown" "grep -q '^quote true' '$work/dom.html'"
alt_whole='alt There should have been an image here. If you didn'"'"'t expect the "alt" text, check your ini2 settings. (It may'
hostile_src='img gone.jpg" onerror="document.title=`broken` 0x0'
hostile_width='width 10" style="display:none%'
check "the default alternative text is whole" "grep -qF -- \"\$alt_whole\" '$work/dom.html'"
check "a settings value adds no attribute" \
  "[ \"\$(grep -c '^attributes ' '$work/dom.html')\" = 3 ] && ! grep '^attributes ' '$work/dom.html' | grep -qv '^attributes src,\\(width,\\)\\?alt\$'"
check "the hostile name stays the image's address" "grep -qF -- \"\$hostile_src\" '$work/dom.html'"
check "the hostile width stays its value" "grep -qF -- \"\$hostile_width\" '$work/dom.html'"
check "the title is not changed by a script" "grep -q '^title Demo station Beacon' '$work/dom.html'"
exit $fail
