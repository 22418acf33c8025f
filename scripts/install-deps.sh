#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the Windows cross-build need.
# Idempotent: asks dpkg first and calls apt only for what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libpugixml-dev libxml2-utils
  qt6-base-dev libgl-dev
  xvfb xauth xdotool imagemagick fonts-dejavu-core fonts-wine
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
