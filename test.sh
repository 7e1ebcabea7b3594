#!/usr/bin/env bash
# Everything: installs what is missing, builds the four presets and runs every
# test (unit natively and under the sanitizers, end to end under Wine).
set -uo pipefail
cd "$(dirname "$0")"
jobs=${JOBS:-2}
scripts/install-deps.sh || exit 1

start=$(date +%s)
for preset in win32 win64 native native-asan native-tsan; do
  t0=$(date +%s)
  cmake --preset "$preset" >"build-$preset.log" 2>&1 && cmake --build --preset "$preset" -j "$jobs" >>"build-$preset.log" 2>&1
  status=$?
  echo "build $preset: $([ $status = 0 ] && echo ok || echo FAILED) in $(( $(date +%s) - t0 )) s"
  if [ $status != 0 ]; then tail -40 "build-$preset.log"; exit 1; fi
  rm -f "build-$preset.log"
done
ls -l build/win32/vellox.exe | awk '{print "i686 executable: " $5 " bytes"}'

passed=0; failed=0; overall=0
run_suite() {  # name, ctest arguments...
  local name=$1; shift
  local out; out=$(mktemp)
  ctest "$@" --output-on-failure -j "$jobs" >"$out" 2>&1
  local status=$?
  grep -E 'tests passed|\(Failed\)|\*\*\*|Not Run' "$out" | sed "s|^|$name: |"
  if [ $status != 0 ]; then
    tail -80 "$out"
    echo "$name: FAILED, ctest exited with status $status"
    overall=1
  fi
  local line; line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$out" | tail -1)
  if [ -n "$line" ]; then
    local total fail
    total=$(echo "$line" | sed -E 's/.*out of ([0-9]+).*/\1/')
    fail=$(echo "$line" | sed -E 's/.* ([0-9]+) tests failed.*/\1/')
    passed=$((passed + total - fail)); failed=$((failed + fail))
  else
    echo "$name: FAILED, ctest printed no summary of its tests"
    overall=1
  fi
  rm -f "$out"
}

run_suite "unit (native)" --test-dir build/native -L unit
run_suite "unit (ASan/UBSan)" --test-dir build/native-asan -L unit
run_suite "unit (TSan)" --test-dir build/native-tsan -L unit
# End to end: one Wine prefix and display for the run, tests in sequence.
t0=$(date +%s)
JOBS=1 run_suite "end to end (win64 under Wine, static checks of both builds)" --test-dir build/native -L e2e -j 1
echo "end to end (win64): $(( $(date +%s) - t0 )) s"
# The shipped i686 build under 32-bit Wine (WOW64), when install-deps could
# set it up: a prefix of its own, its runs two at a time.
if /usr/lib/wine/wine --version >/dev/null 2>&1; then
  t0=$(date +%s)
  JOBS=2 run_suite "end to end i686 (win32 under 32-bit Wine, WOW64)" --test-dir build/native -L i686 -j 2
  echo "end to end i686: $(( $(date +%s) - t0 )) s"
else
  echo "end to end i686: not run, 32-bit Wine is not available here (see the line of install-deps above)"
fi

# Fuzzing smoke: each target a few seconds from its corpus; a finding fails the run.
echo "fuzzing (smoke run, 5 s per target):"
t0=$(date +%s)
fuzz/run.sh --seconds 5 2>&1 | sed 's/^/  /'
[ "${PIPESTATUS[0]}" = 0 ] || { echo "  fuzzing: FAILED, a target found a fault or did not run (inputs under build/fuzz/findings/)"; overall=1; }
echo "  fuzzing took $(( $(date +%s) - t0 )) s including the clang build"

# The benchmarks print figures and fail nothing; this only shows they run.
echo "benchmarks (smoke run, figures not judged):"
bench/run.sh --smoke 2>&1 | sed 's/^/  /'
status=${PIPESTATUS[0]}
[ "$status" = 0 ] || echo "  the benchmark smoke run did not complete (status $status; it fails nothing)"
echo "total time: $(( $(date +%s) - start )) s"
echo "$passed passed, $failed failed"
[ $overall = 0 ] || echo "test.sh: FAILED (see the lines marked FAILED above)"
exit $overall
