#!/usr/bin/env bash
# The figure of what the COM path adds to an update, under Wine: the end-to-end program of a
# Windows build runs its figure alone (see BENCHMARKS.md).
set -euo pipefail
if [ -z "${KELVANE_ON_XVFB:-}" ]; then
  export KELVANE_ON_XVFB=1
  exec xvfb-run -a -s '-screen 0 1024x768x24' "$0" "$@"
fi
[ $# -eq 1 ] || { echo "usage: com-figure.sh BUILD_DIR" >&2; exit 2; }
build="$(cd "$1" && pwd)"
export WINEPREFIX="$(dirname "$build")/wine-prefix"
. "$(dirname "$0")/wine-prefix.sh"
wine_prefix_start
cd "$build/tests"
wine ./e2e_tests.exe --gtest_also_run_disabled_tests --gtest_filter='EndToEndFigure.*' \
  --gtest_brief=1 | grep -E 'COM path|FAILED' || true
