#!/usr/bin/env bash
# Packs the programs of a Windows build (the window and kelvane-cli) and the operator's README
# into dist/Kelvane-VERSION-NAME.zip.
set -euo pipefail
build=$(cd "${1:?usage: pack-windows.sh BUILD_DIR win32|win64}" && pwd)
name=${2:?usage: pack-windows.sh BUILD_DIR win32|win64}
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
stage="$build/dist/Kelvane-$version-$name"
rm -rf "$stage"
mkdir -p "$stage" "$root/dist"
cp "$build/src/Kelvane.exe" "$build/src/kelvane-cli.exe" "$stage/"
# Notepad reads the Russian text by its mark; Windows ends lines with CR LF.
{ printf '\xEF\xBB\xBF'; sed 's/$/\r/' "$root/src/windows/README.txt"; } > "$stage/README.txt"
archive="$root/dist/Kelvane-$version-$name.zip"
rm -f "$archive"
(cd "$stage" && cmake -E tar cf "$archive" --format=zip Kelvane.exe kelvane-cli.exe README.txt)
echo "$archive"
