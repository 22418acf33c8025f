#!/usr/bin/env bash
# Runs a Windows program of the cross-build under Wine, in the build's own Wine prefix, with the
# Russian ANSI code page (1251) the tests expect.
set -euo pipefail
: "${WINEPREFIX:?wine-run.sh needs WINEPREFIX (make windows sets it)}"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export LC_ALL=ru_RU.UTF-8
exec wine "$@"
