#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for FUZZ_SECONDS each (30 by default), from a corpus of
# the committed seeds, the tests' own files and large inputs made here. The corpus grows under
# the build folder, never in the source tree. A crash leaves its input in build/fuzz/crashes.
set -euo pipefail
build=${1:?usage: fuzz.sh BUILD_DIR}
seconds=${FUZZ_SECONDS:-30}
root=$(cd "$(dirname "$0")/.." && pwd)
work="$build/fuzz-run"
crashes="$build/crashes"
rm -rf "$work"
mkdir -p "$work" "$crashes"

# Inputs libFuzzer's mutations would not reach in 30 s: deep nesting and 1 MiB inputs. Each is
# run once before the fuzzing, which would spend its whole time mutating them.
deep() {  # $1: opening tag, $2: closing tag, $3: levels
  printf "%${3}s" '' | sed "s| |$1|g"
  printf "%${3}s" '' | sed "s| |$2|g"
}
big() {  # $1: that many bytes of $2
  head -c "$1" /dev/zero | tr '\0' "$2"
}

corpus() {  # $1: target; the rest: files to seed it with
  local target=$1 dir="$work/$1"
  shift
  mkdir -p "$dir" "$dir-large"
  cp "$root/fuzz/seeds/$target"/* "$dir/" 2>/dev/null || true
  [ $# -eq 0 ] || cp "$@" "$dir/"
}

corpus SettingsReaderFuzzer "$root"/tests/window/golden/*.xml
deep '<a>' '</a>' 100000 >"$work/SettingsReaderFuzzer-large/nested-100000"
{ printf '<Configuration><fmMain><edtFileName_Text>'; big 1048472 A
  printf '</edtFileName_Text></fmMain></Configuration>'; } \
  >"$work/SettingsReaderFuzzer-large/value-1MiB"
{ printf '<?xml version="1.0" encoding="'; big 1048576 k; printf '"?><Configuration/>'; } \
  >"$work/SettingsReaderFuzzer-large/encoding-name-1MiB"

corpus SettingsRoundTripFuzzer
{ printf '\0'; big 1048575 A; } >"$work/SettingsRoundTripFuzzer-large/value-1MiB"

corpus BenchReaderFuzzer "$root"/tests/cli/benches/*.xml
deep '<bench>' '</bench>' 100000 >"$work/BenchReaderFuzzer-large/nested-100000"

corpus NameRulesFuzzer
{ printf 'USB (COM'; big 1048567 7; printf ')'; } >"$work/NameRulesFuzzer-large/name-1MiB"

corpus JournalReaderFuzzer
{ printf '"'; big 1048575 ';'; } >"$work/JournalReaderFuzzer-large/open-quote-1MiB"
big 1048576 '\n' >"$work/JournalReaderFuzzer-large/lines-1MiB"

status=0
for target in SettingsReaderFuzzer SettingsRoundTripFuzzer BenchReaderFuzzer NameRulesFuzzer \
              JournalReaderFuzzer; do
  echo "fuzz: $target for $seconds s"
  options=(-timeout=30 -rss_limit_mb=4096 -artifact_prefix="$crashes/$target-")
  if ! "$build/fuzz/$target" "${options[@]}" "$work/$target-large"/* >"$work/$target.log" 2>&1 ||
     ! "$build/fuzz/$target" "${options[@]}" "$work/$target" -max_total_time="$seconds" \
       -max_len=1048576 -print_final_stats=1 >>"$work/$target.log" 2>&1; then
    echo "fuzz: $target failed; its input is in $crashes" >&2
    tail -n 40 "$work/$target.log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^#[0-9]+ *DONE' "$work/$target.log" | tail -n 2
  fi
done
exit $status
