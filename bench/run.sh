#!/usr/bin/env bash
# Runs the benchmarks once under Wine and prints their figures. Not a test:
# nothing here fails on a figure.
#   bench/run.sh [repetitions]   (default 15) every benchmark, with the large
#                                extraction payloads (own build folder)
#   bench/run.sh --smoke         each benchmark briefly on the normal win64
#                                build, to show they still run (CI)
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--smoke" ]; then
  smoke=1; reps=2
  b=build/win64
  cmake --preset win64 >/dev/null
  cmake --build "$b" -j 2 >/dev/null
else
  smoke=0; reps=${1:-15}
  # A build folder of its own: the payloads are large, and the win64 build
  # of the tests stays as it is.
  b=build/win64-bench
  cmake --preset win64 -B "$b" -DVELLOX_BENCH=ON >/dev/null
  cmake --build "$b" -j 2 >/dev/null
fi

work=$PWD/build/bench
tests/e2e/prefix.sh setup "$work" >/dev/null
trap 'tests/e2e/prefix.sh cleanup "$work"; rm -rf "$work/out"' EXIT
winpath() { echo "Z:$1" | tr / '\\'; }
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$(cat "$work/display")"
wine() { /usr/lib/wine/wine64 "$@" </dev/null; }
echo "Wine $(/usr/lib/wine/wine64 --version 2>/dev/null), $(nproc) cores, $reps repetitions"

# The bootstrapper checks its own signature: sign it with a throw-away
# certificate made for this run.
tools/make_test_certificate.sh "$work/signing" >/dev/null
tools/sign_bootstrapper.sh --cert "$work/signing/test-cert.pem" --key "$work/signing/test-key.pem" \
  "$b/vellox.exe" "$work/vellox.exe" >/dev/null
fake=$(winpath "$PWD/$b/tests/fixtures/fake_installer.exe")

# Output to files: Wine's services inherit the first process's stdout, so a
# pipe would never close.
echo
wine "$PWD/$b/bench/installer_shown_latency.exe" "$fake" "$reps" >"$work/latency.txt" 2>&1 || true
tr -d '\r' <"$work/latency.txt"

echo
mkdir -p "$work/out"
wine "$PWD/$b/bench/launch_overhead.exe" "$(winpath "$work/vellox.exe")" "$fake" "$(winpath "$work/out")" "$reps" \
  >"$work/overhead.txt" 2>&1 || true
tr -d '\r' <"$work/overhead.txt"

echo
exes=("$(winpath "$PWD/$b/tests/fixtures/payloads/example_payload.exe")")
if [ $smoke = 0 ]; then
  for exe in bench_files_1 bench_files_10 bench_files_100 bench_files_1000 \
             bench_single_1mb bench_single_64mb bench_single_256mb; do
    exes+=("$(winpath "$PWD/$b/bench/$exe.exe")")
  done
fi
rm -rf "$work/out"; mkdir -p "$work/out"
echo "extraction: medians of $reps runs; ratio = extraction / baseline"
wine "$PWD/$b/bench/extraction_bench.exe" "$(winpath "$work/out")" "$reps" "${exes[@]}" \
  >"$work/figures.txt" 2>&1 || true
tr -d '\r' <"$work/figures.txt"
