#!/usr/bin/env bash
# `cmake --install` into a temporary prefix: the program, its tools, the user unit (which
# systemd-analyze accepts and which names the installed program), the udev rule, the desktop
# entry, the man page (formatted without warnings) and the demo station all land in place.
set -u
bin=$(cd "$1" && pwd)
build=$(dirname "$bin")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
check() { if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; fail=1; fi; }

prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1
check "cmake --install succeeds" "[ $? -eq 0 ]"
for f in bin/wm033 bin/wm033-probe lib/systemd/user/wm033.service \
         lib/udev/rules.d/60-wm033-ds9490.rules share/applications/wm033.desktop \
         share/man/man1/wm033.1 share/wm033/demo/WM033ini.txt \
         share/wm033/demo/WM033/WM033ini2.txt share/wm033/demo/WM33QuotesLibrary.txt; do
  check "installed $f" "[ -e '$prefix/$f' ]"
done
unit="$prefix/lib/systemd/user/wm033.service"
check "unit runs the installed program" "grep -qx 'ExecStart=$prefix/bin/wm033' '$unit'"
check "unit restarts after a crash but not after status 1" \
  "grep -qx 'Restart=on-failure' '$unit' && grep -qx 'RestartPreventExitStatus=1' '$unit'"
if command -v systemd-analyze >/dev/null; then
  mkdir -m 700 "$work/xdg"
  # verify looks the Documentation= man page up as well.
  MANPATH="$prefix/share/man:" XDG_RUNTIME_DIR="$work/xdg" systemd-analyze verify --user "$unit" >"$work/verify.log" 2>&1
  check "systemd-analyze verify accepts the unit" "[ $? -eq 0 ]" || cat "$work/verify.log"
fi
check "udev rule names the DS9490" \
  "grep -q 'ATTR{idVendor}==\"04fa\", ATTR{idProduct}==\"2490\"' '$prefix/lib/udev/rules.d/60-wm033-ds9490.rules'"
if command -v desktop-file-validate >/dev/null; then
  check "desktop entry is valid" "desktop-file-validate '$prefix/share/applications/wm033.desktop'"
fi
if command -v man >/dev/null; then
  warnings=$(MANWIDTH=100 man --warnings -l "$prefix/share/man/man1/wm033.1" 2>&1 >/dev/null)
  check "man page formats without warnings" "[ -z \"\$warnings\" ]" || echo "$warnings"
fi
exit $fail
