#!/usr/bin/env bash
# Runs a Windows program of the build under Wine: CTest's emulator for the Windows unit tests.
# Uses the prefix in $TAVORINEX_WINEPREFIX (made on first use) and the display in $DISPLAY;
# without a display it runs inside a throw-away Xvfb.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" "$0" "$@"
fi
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
wine_prefix_ready
exec wine "$@"
