#!/usr/bin/env bash
# Builds the extraction benchmark (win64, with its payloads) and runs it once
# under Wine, printing the figures. Not a test: nothing here can fail a build.
#   bench/run.sh [repetitions]        (default 15)
set -euo pipefail
cd "$(dirname "$0")/.."
reps=${1:-15}
export PATH="/usr/lib/wine:$PATH"  # wineserver
# A build folder of its own: the payloads are large, and the win64 build of
# the tests stays as it is.
b=build/win64-bench
cmake --preset win64 -B "$b" -DVELLOX_BENCH=ON >/dev/null
cmake --build "$b" -j 2 --target extraction_bench example_payload \
  bench_files_1 bench_files_10 bench_files_100 bench_files_1000 \
  bench_single_1mb bench_single_64mb bench_single_256mb >/dev/null

work=$PWD/build/bench
tests/e2e/prefix.sh setup "$work" >/dev/null
trap 'tests/e2e/prefix.sh cleanup "$work"; rm -rf "$work/out"' EXIT
winpath() { echo "Z:$1" | tr / '\\'; }
exes=()
for exe in tests/fixtures/payloads/example_payload bench/bench_files_1 bench/bench_files_10 bench/bench_files_100 \
           bench/bench_files_1000 bench/bench_single_1mb bench/bench_single_64mb bench/bench_single_256mb; do
  exes+=("$(winpath "$PWD/$b/$exe.exe")")
done
mkdir -p "$work/out"
echo "Wine $(/usr/lib/wine/wine64 --version 2>/dev/null), $(nproc) cores; medians of $reps runs; ratio = extraction / baseline"
# Output to a file: Wine's services inherit the first process's stdout, so a
# pipe would never close.
WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$(cat "$work/display")" \
  /usr/lib/wine/wine64 "$PWD/$b/bench/extraction_bench.exe" "$(winpath "$work/out")" "$reps" "${exes[@]}" \
  </dev/null >"$work/figures.txt" 2>&1 || true
tr -d '\r' <"$work/figures.txt"
