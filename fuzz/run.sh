#!/usr/bin/env bash
# Builds the fuzz targets (preset "fuzz", clang) and runs each for a time or
# a number of executions, one after the other, from its seed corpus in
# fuzz/corpus/<target> plus whatever earlier runs added in
# build/fuzz/corpus/<target>. Prints one line per target: executions,
# coverage (libFuzzer's cov and ft figures), corpus size and findings.
# Findings (crash, leak, timeout or out-of-memory inputs) land in
# build/fuzz/findings/<target>/; the exit status is 1 when there is one.
#
#   fuzz/run.sh [--seconds N | --runs N] [target...]
set -uo pipefail
cd "$(dirname "$0")/.."

all_targets=(command_line embedded_information format manifest registry_version pe_resources signed_image)
limit=(-max_total_time=60)
targets=()
while [ $# -gt 0 ]; do
  case $1 in
    --seconds) limit=(-max_total_time="$2"); shift 2 ;;
    --runs) limit=(-runs="$2"); shift 2 ;;
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
[ ${#targets[@]} = 0 ] && targets=("${all_targets[@]}")

# The largest input worth trying: a few hundred arguments or manifest
# entries; for the information block, a tail longer than the window read.
max_len_of() {
  case $1 in
    embedded_information) echo 4400 ;;
    registry_version) echo 600 ;;
    format) echo 2048 ;;
    pe_resources|signed_image) echo 8192 ;;
    *) echo 512 ;;
  esac
}

if ! { cmake --preset fuzz >build-fuzz.log 2>&1 && cmake --build --preset fuzz -j "${JOBS:-2}" >>build-fuzz.log 2>&1; }; then
  tail -40 build-fuzz.log
  echo "fuzz: build FAILED"
  exit 1
fi
rm -f build-fuzz.log

overall=0
for target in "${targets[@]}"; do
  binary=build/fuzz/fuzz/${target}_fuzz
  if [ ! -x "$binary" ]; then echo "$target: no such fuzz target"; overall=1; continue; fi
  corpus=build/fuzz/corpus/$target
  findings=build/fuzz/findings/$target
  log=build/fuzz/logs/$target.log
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  rm -f "$findings"/*
  t0=$(date +%s)
  "$binary" "${limit[@]}" -max_len="$(max_len_of "$target")" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1
  status=$?
  seconds=$(( $(date +%s) - t0 ))
  executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [ -z "$executions" ] && executions=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#')
  last=$(grep -E '^#[0-9]+.*cov: ' "$log" | tail -1)
  cov=$(echo "$last" | sed -nE 's/.*cov: ([0-9]+).*/\1/p')
  ft=$(echo "$last" | sed -nE 's/.*ft: ([0-9]+).*/\1/p')
  corp=$(echo "$last" | sed -nE 's/.*corp: ([0-9]+)\/.*/\1/p')
  found=$(ls "$findings" 2>/dev/null)
  if [ $status = 0 ] && [ -z "$found" ]; then
    result="no findings"
  else
    overall=1
    result="FINDING (exit $status): ${found:-no input saved}"
  fi
  printf '%-22s %12s executions in %5s s  cov %-5s ft %-6s corpus %-5s %s\n' \
    "$target:" "${executions:-?}" "$seconds" "${cov:-?}" "${ft:-?}" "${corp:-?}" "$result"
  if [ "$result" != "no findings" ]; then
    grep -E 'invariant broken|ERROR: |SUMMARY|runtime error' "$log" | head -5 | sed 's/^/    /'
    echo "    log: $log; reproduce: $binary $findings/<file>"
  fi
done
exit $overall
