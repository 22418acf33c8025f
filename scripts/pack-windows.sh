#!/usr/bin/env bash
# Packs the programs of a Windows build (the window and kelvane-cli), the operator's README and
# the training driver in a folder of its own (never registered by the package) into
# dist/Kelvane-VERSION-NAME.zip and the Windows Installer package dist/Kelvane-VERSION-NAME.msi;
# each program and the package are signed when a certificate is given (sign-windows.sh).
set -euo pipefail
build=$(cd "${1:?usage: pack-windows.sh BUILD_DIR win32|win64}" && pwd)
name=${2:?usage: pack-windows.sh BUILD_DIR win32|win64}
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
class=$(sed -n 's/^KELVANE_TARVIK_CLASS:STRING=//p' "$build/CMakeCache.txt")
stage="$build/dist/Kelvane-$version-$name"
rm -rf "$stage"
mkdir -p "$stage/training-driver" "$root/dist"
cp "$build/src/Kelvane.exe" "$build/src/kelvane-cli.exe" "$stage/"
cp "$build/src/kelvane-simdriver.dll" "$stage/training-driver/"
# What is packed carries no debug sections and no symbol table; the build keeps the programs
# with them, for the analysis of a crash.
strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' "$build/CMakeCache.txt")
"$strip" --strip-all "$stage/Kelvane.exe" "$stage/kelvane-cli.exe" \
  "$stage/training-driver/kelvane-simdriver.dll"
"$root/scripts/sign-windows.sh" "$stage/Kelvane.exe" "$stage/kelvane-cli.exe" \
  "$stage/training-driver/kelvane-simdriver.dll"
# Notepad reads the Russian text by its mark; Windows ends lines with CR LF.
windows_text() { { printf '\xEF\xBB\xBF'; sed 's/$/\r/'; } }
windows_text < "$root/src/resources/README.txt" > "$stage/README.txt"
sed "s/@TARVIK_CLASS@/$class/g" "$root/src/training-driver/training-driver.txt" | windows_text \
  > "$stage/training-driver/README.txt"
archive="$root/dist/Kelvane-$version-$name.zip"
rm -f "$archive"
(cd "$stage" && cmake -E tar cf "$archive" --format=zip Kelvane.exe kelvane-cli.exe README.txt \
   training-driver)
echo "$archive"
package="$root/dist/Kelvane-$version-$name.msi"
arch=x64
[ "$name" = win64 ] || arch=x86
sed -e "s/@VERSION@/$version/g" -e "s/@NAME@/$name/g" "$root/src/resources/kelvane.wxs.in" \
  > "$build/dist/kelvane-$name.wxs"
rm -f "$package"
(cd "$stage" && wixl -a "$arch" -o "$package" "$build/dist/kelvane-$name.wxs")
"$root/scripts/sign-windows.sh" "$package"
echo "$package"
