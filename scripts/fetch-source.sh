#!/usr/bin/env bash
# Puts the source of a library Debian has no MinGW package of into DEST/src, for the Windows
# build: Debian's own source package SOURCE, at the version of the installed DEV package, fetched
# with a private apt configuration kept in DEST. The deb-src entry is derived from the machine's
# apt sources, which stay untouched. Done once: a DEST/src holding FILE is kept.
set -euo pipefail
usage="usage: fetch-source.sh SOURCE DEV FILE DEST"
source_name=${1:?$usage}; dev=${2:?$usage}; probe=${3:?$usage}; dest=${4:?$usage}
mkdir -p "$dest"
dest=$(cd "$dest" && pwd)
[ -f "$dest/src/$probe" ] && exit 0

codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
apt_dir="$dest/apt"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"

# The first Debian archive entry that carries the release's own suite, in either apt format.
uri=""; signed=""
for f in /etc/apt/sources.list.d/*.sources; do
  [ -f "$f" ] || continue
  uri=$(awk -v s="$codename" '
    /^$/ { if (ok && u != "") { print u; exit } ok = 0; u = "" }
    /^URIs:/ { u = $2 }
    /^Suites:/ { for (i = 2; i <= NF; i++) if ($i == s) ok = 1 }
    END { if (ok && u != "") print u }' "$f" | head -n 1)
  if [ -n "$uri" ]; then
    signed=$(awk '/^Signed-By:/ { print $2; exit }' "$f")
    break
  fi
done
if [ -z "$uri" ] && [ -f /etc/apt/sources.list ]; then
  uri=$(awk -v s="$codename" '$1 == "deb" && $3 == s { print $2; exit }' /etc/apt/sources.list)
fi
[ -n "$uri" ] || { echo "fetch-source: no Debian $codename entry in the apt sources" >&2; exit 1; }
{
  echo "Types: deb-src"
  echo "URIs: $uri"
  echo "Suites: $codename"
  echo "Components: main"
  [ -n "$signed" ] && echo "Signed-By: $signed"
} > "$apt_dir/sources.list.d/source.sources"

apt_options=(-o "Dir::Etc::SourceList=/dev/null" -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
             -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
             -o "Debug::NoLocking=1" -qq)
[ "$(id -u)" -eq 0 ] && apt_options+=(-o "APT::Sandbox::User=root")
apt-get "${apt_options[@]}" update
version=$(dpkg-query -W -f='${source:Version}' "$dev" 2>/dev/null || true)
cd "$apt_dir"
apt-get "${apt_options[@]}" source --download-only "$source_name${version:+=$version}"
tarball=$(ls "${source_name}"_*.orig.tar.* | head -n 1)
rm -rf "$dest/src"
mkdir -p "$dest/src"
tar -xf "$tarball" -C "$dest/src" --strip-components=1
test -f "$dest/src/$probe"
