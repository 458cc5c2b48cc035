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

bash tools/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target tavorinex_scr >/dev/null
scr="$root/build/windows/tavorinex.scr"
args=${*:-/s}

xvfb_pid=""
cleanup() {
  if [ -n "$xvfb_pid" ]; then
    # Only what this script started: the prefix's Wine processes ran on our display.
    timeout 30 wineserver -k >/dev/null 2>&1 || true
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  on_screen=1
else
  on_screen=0
  for number in $(seq 90 199); do
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] && continue
    Xvfb ":$number" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$number"
    for _ in $(seq 100); do
      xdpyinfo >/dev/null 2>&1 && break
      sleep 0.1
    done
    xdpyinfo >/dev/null 2>&1 && break
    kill "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  done
  [ -n "$xvfb_pid" ] || { echo "run: no free X display for Xvfb" >&2; exit 1; }
fi

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
