#!/usr/bin/env bash
# Runs a Windows program of the cross-build under Wine, in the build's own Wine prefix, with the
# Russian ANSI code page (1251) the tests expect.
set -euo pipefail
: "${WINEPREFIX:?wine-run.sh needs WINEPREFIX (make windows sets it)}"
. "$(dirname "$0")/wine-prefix.sh"
exec wine "$@"
