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
have32=""
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' && have32=yes
. "$(dirname "$0")/wine-prefix.sh"
wine_prefix_start
for build in "${builds[@]}"; do
  if grep -q 'i686' "$build/CMakeCache.txt" && [ -z "$have32" ]; then
    echo "wine-tests: no 32-bit Wine on this machine (scripts/install-deps.sh --wine32 says why):" \
         "the tests of $build do not run"
    continue
  fi
  ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
done
