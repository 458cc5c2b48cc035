#!/usr/bin/env bash
# Builds tavorinex.scr and runs it under Wine, as Windows would start it.
#
#   bash tools/run.sh            the saver (/s)
#   bash tools/run.sh /c         the settings window; any switch the program takes
#
# With a display ($DISPLAY answers) the program shows in a 1024x768 Wine desktop there and runs
# until you end it (move the mouse or press a key; OK or Cancel in the settings window).
# Without one it runs in an Xvfb of its own for TAVORINEX_RUN_SECONDS (default 6), saves a
# screenshot to build/shots/run.png, then presses a key and reports the exit code.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

on_screen=0
if [ -z "${TAVORINEX_RUN_HEADLESS:-}" ]; then
  bash tools/setup.sh
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target tavorinex_scr >/dev/null
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    on_screen=1
  else
    # No display: the same script again inside an Xvfb of its own, which xvfb-run ends after it.
    TAVORINEX_RUN_HEADLESS=1 exec xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" \
      bash "$0" "$@"
  fi
else
  # The prefix's Wine processes ran on this display, which goes away with us.
  trap 'timeout 30 wineserver -k >/dev/null 2>&1 || true' EXIT
fi
scr="$root/build/windows/tavorinex.scr"
args=${*:-/s}

# shellcheck source=wine-env.sh
source tools/wine-env.sh
wine_prefix_ready

# The host passes the program's own path, quoted, before the switch.
windows_path="Z:${scr//\//\\}"
if [ "$on_screen" = 1 ]; then
  echo "run: tavorinex.scr $args on $DISPLAY; move the mouse or press a key to end the saver"
  set +e
  wine "$windows_path" $args
  code=$?
  set -e
  echo "run: exit code $code"
  exit "$code"
fi

seconds=${TAVORINEX_RUN_SECONDS:-6}
echo "run: tavorinex.scr $args in Xvfb $DISPLAY for $seconds s"
wine "$windows_path" $args &
program=$!
sleep "$seconds"
mkdir -p build/shots
import -window root build/shots/run.png
echo "run: screenshot in build/shots/run.png"
if kill -0 "$program" 2>/dev/null; then
  xdotool key space
  for _ in $(seq 100); do
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
  done
fi
if kill -0 "$program" 2>/dev/null; then
  # The settings window does not end on a key; ending it here saves nothing.
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
  echo "run: still running after a key press; ended"
  exit 0
fi
set +e
wait "$program"
code=$?
set -e
echo "run: exit code $code"
exit "$code"
