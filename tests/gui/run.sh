#!/usr/bin/env bash
# Runs the tests through the real windows on a private desktop (desktop.sh). Usage:
#   run.sh <bin folder> [gtest arguments]
# A test binary that ends before its last test (the program's end watchdog ends the process
# with status 0) leaves GoogleTest's premature-exit file behind: that is a failure.
set -u
bin=$(cd "$1" && pwd)
shift
premature=$(mktemp -u /tmp/wm033-gui-premature.XXXXXX)
TEST_PREMATURE_EXIT_FILE=$premature bash "$(dirname "$0")/desktop.sh" \
  timeout -k 10 "${WM033_GUI_TIMEOUT:-600}" "$bin/wm033_gui_tests" "$@"
rc=$?
if [ -e "$premature" ]; then
  rm -f "$premature"
  echo "run.sh: wm033_gui_tests ended before its last test"
  exit 1
fi
exit $rc
