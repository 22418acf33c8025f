#!/usr/bin/env bash
# Pictures of the Win32 window under Wine on a virtual display: idle, after a search, during and
# after updates, as PNG files in OUTPUT.
set -euo pipefail
build=$(cd "${1:?usage: win32-screenshots.sh BUILD_DIR OUTPUT FIRMWARE_DIR}" && pwd)
mkdir -p "${2:?}"
output=$(cd "$2" && pwd)
firmware=$(cd "${3:?}" && pwd)
export WINEPREFIX="$(dirname "$build")/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=ru_RU.UTF-8
[ -f "$WINEPREFIX/system.reg" ] || wineboot --init >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
xvfb-run -a -s '-screen 0 1024x768x24' wine "$build/tests/kelvane-win32-screenshots.exe" \
  "$(winepath -w "$output")" "$(winepath -w "$firmware")" | tr -d '\r'
for picture in "$output"/win32-*.bmp; do
  convert "$picture" "${picture%.bmp}.png"
  rm "$picture"
  echo "${picture%.bmp}.png"
done
