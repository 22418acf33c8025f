#!/usr/bin/env bash
# Runs the core tests of a Windows cross-build under Wine, in a Wine prefix inside the build folder.
set -euo pipefail
build=$(cd "${1:?usage: wine-tests.sh BUILD_DIR}" && pwd)
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=ru_RU.UTF-8
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot --init >/dev/null 2>&1
fi
# The services start before ctest, and stop whatever happens, so that no pipe keeps ctest waiting.
wine cmd /c exit >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
