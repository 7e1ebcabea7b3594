#!/usr/bin/env bash
# Runs the benchmarks under Wine with a virtual display and prints their
# figures. --smoke runs each briefly (CI), to prove they still work.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=20
[ "${1:-}" = "--smoke" ] && runs=2
win64=$PWD/build/win64
work=$PWD/build/bench
tests/e2e/prefix.sh setup "$work" >/dev/null
trap 'tests/e2e/prefix.sh cleanup "$work"' EXIT
winpath() { echo "Z:$1" | tr / '\\'; }
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$(cat "$work/display")"

/usr/lib/wine/wine64 "$win64/bench/installer_shown_latency.exe" \
  "$(winpath "$win64/tests/fixtures/fake_installer.exe")" "$runs" >"$work/latency.txt" 2>&1 </dev/null
cat "$work/latency.txt"
