# Sourced by the scripts that run Windows programs: sets up the Wine environment and the prefix
# WINEPREFIX, made anew when the Wine that would run it is not the one that made it (a prefix made
# before the 32-bit Wine was installed keeps an empty syswow64 and cannot start any program then).
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=ru_RU.UTF-8
: "${WINEPREFIX:?wine-prefix.sh needs WINEPREFIX}"

wine_identity() {
  echo "wine: $(wine --version 2>/dev/null)"
  echo "wine32: $(dpkg-query -W -f='${Version}' wine32:i386 2>/dev/null || echo none)"
  echo "wine64: $(dpkg-query -W -f='${Version}' wine64 2>/dev/null || echo none)"
}

wine_prefix_fail() {
  echo "wine-prefix: $1 failed (prefix $WINEPREFIX); its output:" >&2
  sed 's/^/wine-prefix:   /' "$2" | tail -n 20 >&2
  rm -f "$2"
  exit 1
}

wine_prefix_start() {
  local stamp="$WINEPREFIX/.kelvane-wine" log
  wineserver -k >/dev/null 2>&1 || true
  if [ -f "$WINEPREFIX/system.reg" ] && [ "$(cat "$stamp" 2>/dev/null)" != "$(wine_identity)" ]; then
    echo "wine-prefix: $WINEPREFIX was made by another Wine: making it anew"
    rm -rf "$WINEPREFIX"
  fi
  log=$(mktemp)
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wineboot --init >"$log" 2>&1 || wine_prefix_fail "wineboot --init" "$log"
    wine_identity >"$stamp"
  fi
  # The services start before the programs run, so that no pipe keeps a test runner waiting.
  wine cmd /c exit >"$log" 2>&1 || wine_prefix_fail "starting the prefix (wine cmd /c exit)" "$log"
  rm -f "$log"
  trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
}
