#!/usr/bin/env bash
# The Windows packages as an administrator and a release would use them, under Wine: each MSI of
# dist/ installed silently for the user, its files, shortcut and kelvane-cli checked, then removed
# again, the operator's settings folder left as it was; then the signing path with a throwaway
# certificate made here: a signed program and package verify and the program still runs.
set -euo pipefail
if [ -z "${KELVANE_ON_XVFB:-}" ]; then
  export KELVANE_ON_XVFB=1
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
[ $# -gt 0 ] || { echo "usage: package-tests.sh BUILD_DIR..." >&2; exit 2; }
root=$(cd "$(dirname "$0")/.." && pwd)
first=$(cd "$1" && pwd)
export WINEPREFIX="$(dirname "$first")/wine-prefix"
. "$root/scripts/wine-prefix.sh"
wine_prefix_start
have32=""
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' && have32=yes
fail() { echo "package-tests: $*" >&2; exit 1; }
unix() { winepath -u "$(wine cmd /c echo "$1" | tr -d '\r')"; }

programs=$(unix '%LOCALAPPDATA%')/Programs/Kelvane
menu=$(unix '%APPDATA%')/Microsoft/Windows/Start\ Menu/Programs/Kelvane.lnk
kept=$(unix '%APPDATA%')/Quorin/Kelvane
mkdir -p "$kept"
marker="$kept/journal-2000-01.csv"
echo "kept by the operator" > "$marker"
trap 'rm -f "$marker"; wineserver -k >/dev/null 2>&1 || true' EXIT

for build in "$@"; do
  name=win64
  grep -q 'i686' "$build/CMakeCache.txt" && name=win32
  if [ "$name" = win32 ] && [ -z "$have32" ]; then
    echo "package-tests: no 32-bit Wine on this machine: the win32 package is not tried"
    continue
  fi
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  package="$root/dist/Kelvane-$version-$name.msi"
  wine msiexec /i "$(winepath -w "$package")" /qn || fail "$package: install failed"
  for file in Kelvane.exe kelvane-cli.exe README.txt training-driver/kelvane-simdriver.dll \
              training-driver/README.txt; do
    [ -f "$programs/$file" ] || fail "$package: $file not installed"
  done
  [ -f "$menu" ] || fail "$package: no Start menu shortcut"
  out=$(wine "$(winepath -w "$programs/kelvane-cli.exe")" --version | tr -d '\r')
  [ "$out" = "kelvane-cli $version" ] || fail "$package: installed kelvane-cli says '$out'"
  wine msiexec /x "$(winepath -w "$package")" /qn || fail "$package: uninstall failed"
  [ ! -e "$programs" ] || fail "$package: left $(find "$programs" | head -n 3 | tr '\n' ' ')"
  [ ! -e "$menu" ] || fail "$package: left its shortcut"
  [ -f "$marker" ] || fail "$package: took the operator's journal with it"
  echo "package-tests: $package installs, runs and goes, leaving the settings folder"
done

# A release's signing, with a certificate of this test's own.
work=$(mktemp -d)
trap 'rm -rf "$work"; rm -f "$marker"; wineserver -k >/dev/null 2>&1 || true' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Kelvane test signing" \
  -keyout "$work/key.pem" -out "$work/cert.pem" >/dev/null 2>&1
build=$(cd "$1" && pwd)
cp "$build/src/kelvane-cli.exe" "$work/kelvane-cli.exe"
cp "$(ls "$root"/dist/Kelvane-*-win64.msi | head -n 1)" "$work/Kelvane.msi"
KELVANE_SIGN_CERT="$work/cert.pem" KELVANE_SIGN_KEY="$work/key.pem" \
  "$root/scripts/sign-windows.sh" "$work/kelvane-cli.exe" "$work/Kelvane.msi"
for file in kelvane-cli.exe Kelvane.msi; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/$file" >/dev/null \
    || fail "signed $file does not verify"
done
out=$(wine "$(winepath -w "$work/kelvane-cli.exe")" --version | tr -d '\r')
[ "${out#kelvane-cli }" != "$out" ] || fail "the signed kelvane-cli.exe says '$out'"
echo "package-tests: a signed program and package verify, and the program runs"
