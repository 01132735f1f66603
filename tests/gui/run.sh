#!/usr/bin/env bash
# Runs the tests through the real windows on a private desktop (desktop.sh). Usage:
#   run.sh <bin folder> [gtest arguments]
set -u
bin=$(cd "$1" && pwd)
shift
exec bash "$(dirname "$0")/desktop.sh" \
  timeout -k 10 "${WM033_GUI_TIMEOUT:-600}" "$bin/wm033_gui_tests" "$@"
