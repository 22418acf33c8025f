#!/usr/bin/env bash
# Pictures of the Win32 window under Wine on a virtual display: idle, after a search, during and
# after updates, as PNG files in OUTPUT.
set -euo pipefail
# Everything of Wine runs on one virtual display: a Wine server started without one gives its
# desktop no display, and then no window can be created.
if [ -z "${KELVANE_ON_XVFB:-}" ]; then
  export KELVANE_ON_XVFB=1
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
build=$(cd "${1:?usage: win32-screenshots.sh BUILD_DIR OUTPUT FIRMWARE_DIR}" && pwd)
mkdir -p "${2:?}"
output=$(cd "$2" && pwd)
firmware=$(cd "${3:?}" && pwd)
export WINEPREFIX="$(dirname "$build")/wine-prefix"
. "$(dirname "$0")/wine-prefix.sh"
wine_prefix_start
wine "$build/tests/kelvane-win32-screenshots.exe" \
  "$(winepath -w "$output")" "$(winepath -w "$firmware")" | tr -d '\r'
for picture in "$output"/win32-*.bmp; do
  convert "$picture" "${picture%.bmp}.png"
  rm "$picture"
  echo "${picture%.bmp}.png"
done
