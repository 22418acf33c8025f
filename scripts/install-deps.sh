#!/usr/bin/env bash
# Installs the Debian 12 packages the build, the tests and the Windows cross-build need.
# Idempotent: asks dpkg first and calls apt only for what is missing.
# With --wine32 it also installs the 32-bit Wine that runs the i686 build's tests; where the
# package archive cannot give it without downgrading or removing an installed package, it says
# so and leaves the machine as it was.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  googletest libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev
  libpugixml-dev libxml2-utils nlohmann-json3-dev
  qt6-base-dev libgl-dev
  xvfb xauth xdotool imagemagick fonts-dejavu-core fonts-wine
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix wine wine64 locales libc-l10n
  msitools wixl osslsigncode openssl mingw-w64-tools libwine-dev
  libxlsxwriter-dev libz-mingw-w64-dev
)

installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'
}

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do
  installed "$p" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  # An index that fails (a foreign architecture's, a mirror being synchronised) need not stop
  # the install; the install itself tells whether what was fetched is enough.
  $sudo apt-get update -qq || true
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine takes the ANSI code page 1251 and the file names' encoding from the Russian UTF-8 locale;
# without it, no file name outside ASCII can be made under Wine.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  echo "install-deps: making the locale ru_RU.UTF-8"
  $sudo localedef -i ru_RU -f UTF-8 ru_RU.UTF-8
fi

if [ "${1:-}" = "--wine32" ] && ! installed wine32:i386; then
  echo "install-deps: installing wine32:i386"
  added=""
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
    added=yes
  fi
  $sudo apt-get update -qq || true
  # Never at the cost of the host's own packages: where the archive cannot give 32-bit Wine at
  # the versions installed (an i386 index missing or stale, say), apt would have to downgrade or
  # remove something, which it is not allowed to do here.
  log=$(mktemp)
  if ! $sudo apt-get install -y -qq --no-install-recommends --no-remove wine32:i386 \
       >/dev/null 2>"$log"; then
    echo "install-deps: wine32:i386 cannot be installed from the archive now without" \
         "downgrading or removing an installed package; the i686 tests will not run" >&2
    tail -n 5 "$log" | sed 's/^/install-deps:   /' >&2
    # A foreign architecture without its packages would only fail later updates.
    [ -z "$added" ] || $sudo dpkg --remove-architecture i386
    $sudo apt-get update -qq || true
  fi
  rm -f "$log"
fi
