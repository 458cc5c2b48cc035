#!/usr/bin/env bash
# Sets up, builds every preset and runs every test: the host unit tests, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, the Windows unit tests and the end-to-end
# tests of the real tavorinex.scr under Wine, the page in headless Chromium, the release checks
# (two builds alike, the package), and a bounded fuzzing run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

step() { printf '\n==> %s\n' "$*"; }

step "format"
git ls-files '*.c' '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# The web preset's tests compare the page with the native build's renderer.
for preset in native sanitize windows web; do
  step "build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done

for preset in native sanitize windows web; do
  step "test: $preset"
  ctest --preset "$preset"
done

# A release is the same bytes from every build, and one command packages it.
step "reproducible: tools/repro.sh"
bash tools/repro.sh

step "package"
cmake --build --preset windows --target package
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
(cd build/windows && sha256sum --check "tavorinex-$version-win32.zip.sha256")
python3 - "build/windows/tavorinex-$version-win32.zip" build/windows/tavorinex.scr \
  "${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}" <<'EOF'
import sys, time, zipfile
package = zipfile.ZipFile(sys.argv[1])
names = sorted(package.namelist())
if names != ["COPYING.MinGW-w64-runtime.txt", "LICENSE.txt", "README.txt", "tavorinex.scr"]:
    sys.exit(f"package: holds {names}")
if package.read("tavorinex.scr") != open(sys.argv[2], "rb").read():
    sys.exit("package: its tavorinex.scr is not the one just built")
# Every entry at the last commit's time in UTC, to the zip's two seconds.
when = int(sys.argv[3])
if {entry.date_time for entry in package.infolist()} != {time.gmtime(when - when % 2)[:6]}:
    sys.exit(f"package: entry times {[entry.date_time for entry in package.infolist()]}")
print("package:", ", ".join(names))
EOF

# The Debian package: nothing lintian warns about; installed with apt, the daemon runs the hack
# from its own folder by name and the command answers; removed again whatever happened.
step "debian package"
cmake --build --preset native --target package
deb_version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/native/CMakeCache.txt)
deb="build/native/tavorinex_${deb_version}-1_$(dpkg --print-architecture).deb"
lintian --fail-on error,warning "$deb"
root=""
[ "$(id -u)" -eq 0 ] || root="sudo"
trap '$root apt-get remove -y -qq tavorinex >/dev/null' EXIT
$root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
[ "$(tavorinex --version)" = "tavorinex $deb_version" ]
[ "$(tavorinex-wayland --version)" = "tavorinex-wayland $deb_version" ]
TAVORINEX_X11_INSTALLED=1 TAVORINEX_TOOL=/usr/libexec/xscreensaver/tavorinex \
  TAVORINEX_FRAME_MATCH=build/native/tests/frame_match TAVORINEX_X11_WORK=build/native/x11 \
  python3 tests/x11/test_daemon.py
$root apt-get remove -y -qq tavorinex >/dev/null
trap - EXIT

# The README's run command: the saver must draw something within a few seconds and end on a key.
step "run: tools/run.sh"
rm -f build/shots/run.png
(unset DISPLAY; TAVORINEX_RUN_SECONDS=3 bash tools/run.sh)
brightest=$(convert build/shots/run.png -format '%[fx:maxima]' info:)
if [ "$brightest" = 0 ]; then
  echo "run: the saver's screen stayed black" >&2
  exit 1
fi

if [ -x tools/fuzz.sh ]; then
  step "fuzz"
  bash tools/fuzz.sh
fi
step "all tests passed"
