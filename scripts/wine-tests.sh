#!/usr/bin/env bash
# Runs the tests of Windows cross-builds under Wine, in one Wine prefix beside them. An i686 build
# needs the 32-bit Wine; without it, its tests are skipped with a message.
set -euo pipefail
# Everything of Wine runs on one virtual display: a Wine server started without one gives its
# desktop no display, and then no window can be created.
if [ -z "${KELVANE_ON_XVFB:-}" ]; then
  export KELVANE_ON_XVFB=1
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
[ $# -gt 0 ] || { echo "usage: wine-tests.sh BUILD_DIR..." >&2; exit 2; }
builds=()
for b in "$@"; do builds+=("$(cd "$b" && pwd)"); done
export WINEPREFIX="$(dirname "${builds[0]}")/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=ru_RU.UTF-8
have32=""
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' && have32=yes
# A prefix made before the 32-bit Wine was there cannot start 32-bit programs: make it anew.
if [ -n "$have32" ] && [ -f "$WINEPREFIX/system.reg" ] && \
   [ ! -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
  rm -rf "$WINEPREFIX"
fi
wineserver -k >/dev/null 2>&1 || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot --init >/dev/null 2>&1
fi
# The services start before ctest, and stop whatever happens, so that no pipe keeps ctest waiting.
wine cmd /c exit >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
for build in "${builds[@]}"; do
  if grep -q 'i686' "$build/CMakeCache.txt" && [ -z "$have32" ]; then
    echo "wine-tests: no 32-bit Wine on this machine: the tests of $build do not run"
    continue
  fi
  ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
done
