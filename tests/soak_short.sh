#!/usr/bin/env bash
# Two simulated days of the demo station under wm033-soak: chip faults that come and go, a full
# disk, a page folder that disappears, kills with records cut short, and every check of the
# soak. About a minute and a half at the soak's clock rate. WM033_SOAK_SEED replays a seed.
set -u
bin=$(cd "$1" && pwd)
src=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -x "$bin/wm033-soak" ]; then
  echo "FAILED: no $bin/wm033-soak"
  exit 1
fi
# A sanitizer's allocator keeps freed memory in quarantine, so its resident memory grows by
# design: there the memory figures are shown but not judged.
memory=()
if ldd "$bin/wm033" 2>/dev/null | grep -qE 'lib(asan|ubsan|tsan)'; then memory=(--memory-report-only); fi
"$bin/wm033-soak" --days 2 --seed "${WM033_SOAK_SEED:-1}" --station "$src/demo" \
  --program "$bin/wm033" --max-minutes 8 "${memory[@]}"
rc=$?
if [ $rc -eq 0 ]; then echo "ok: two-day soak"; else echo "FAILED: two-day soak (status $rc)"; fi
exit $rc
