#!/usr/bin/env bash
# Runs the benchmarks under Wine and prints their figures as one table, each
# against its baseline measured in the same run. Not a test: nothing here
# fails on a figure.
#   bench/run.sh [repetitions]   (default 15) every benchmark, with the large
#                                payloads (own build folder)
#   bench/run.sh --smoke         the same table with the example payload only
#                                and two repetitions, on the normal win64
#                                build, to show that everything still runs (CI)
set -Eeuo pipefail
cd "$(dirname "$0")/.."
# A step that fails ends the run: say which, since most output is discarded.
trap 'echo "bench/run.sh: line $LINENO failed (status $?): $BASH_COMMAND" >&2' ERR
if [ "${1:-}" = "--smoke" ]; then
  smoke=1; reps=2; memory_reps=1
  b=build/win64
  cmake --preset win64 >/dev/null
  cmake --build "$b" -j 2 >/dev/null
else
  smoke=0; reps=${1:-15}; memory_reps=3
  # A build folder of its own: the payloads are large, and the win64 build
  # of the tests stays as it is.
  b=build/win64-bench
  cmake --preset win64 -B "$b" -DVELLOX_BENCH=ON >/dev/null
  cmake --build "$b" -j 2 >/dev/null
fi
# The size is that of the shipped i686 build.
cmake --preset win32 >/dev/null
cmake --build build/win32 -j 2 >/dev/null

work=$PWD/build/bench
tests/e2e/prefix.sh setup "$work" >/dev/null
trap 'tests/e2e/prefix.sh cleanup "$work"; rm -rf "$work/out" "$work/signed" "$work/nsis"' EXIT
winpath() { echo "Z:$1" | tr / '\\'; }
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$(cat "$work/display")"
wine() { /usr/lib/wine/wine64 "$@" </dev/null; }
rows=$work/rows.tsv
: >"$rows"

# The payloads: the example product's (with the fake installer as its
# program), and with the full run the scale series.
payloads=("$b/bench/bench_example")
if [ $smoke = 0 ]; then
  for name in bench_files_1 bench_files_10 bench_files_100 bench_files_1000 \
              bench_single_1mb bench_single_64mb bench_single_256mb; do
    payloads+=("$b/bench/$name")
  done
fi
# The product with its small demo payload shows the part that does not
# grow with the payload.
memory_payloads=("$b/vellox" "$b/bench/bench_example")
[ $smoke = 0 ] && memory_payloads+=("$b/bench/bench_single_256mb")

# The bootstrapper checks its own signature: sign every one that runs with a
# throw-away certificate made for this run.
tools/make_test_certificate.sh "$work/signing" >/dev/null
rm -rf "$work/signed"; mkdir -p "$work/signed"
sign() {
  tools/sign_bootstrapper.sh --cert "$work/signing/test-cert.pem" --key "$work/signing/test-key.pem" \
    "$1" "$work/signed/$(basename "$1")" >/dev/null
}
sign "$b/vellox.exe"
for p in "${payloads[@]}"; do sign "$p.exe"; done

# The NSIS installers around the same payloads, generated for this run.
rm -rf "$work/nsis"; mkdir -p "$work/nsis"
for p in "${payloads[@]}"; do
  bench/make_nsis_installer.sh "$p.payload" "$work/nsis/$(basename "$p").exe"
done
fake=$(winpath "$PWD/$b/tests/fixtures/fake_installer.exe")

# Output to files: Wine's services inherit the first process's stdout, so a
# pipe would never close.
collect() {  # output file of a benchmark program: its rows to the table
  tr -d '\r' <"$1" | grep -v '^row' | sed 's/^/  note: /' >&2 || true
  tr -d '\r' <"$1" | grep '^row' | cut -f2- >>"$rows" || true
}
wine "$PWD/$b/bench/installer_shown_latency.exe" "$fake" "$reps" >"$work/latency.txt" 2>&1 || true
collect "$work/latency.txt"

rm -rf "$work/out"; mkdir -p "$work/out"
wine "$PWD/$b/bench/launch_overhead.exe" "$(winpath "$work/signed/vellox.exe")" "$fake" "$(winpath "$work/out")" "$reps" \
  >"$work/overhead.txt" 2>&1 || true
collect "$work/overhead.txt"

exes=()
for p in "${payloads[@]}"; do exes+=("$(winpath "$PWD/$p.exe")"); done
rm -rf "$work/out"; mkdir -p "$work/out"
wine "$PWD/$b/bench/extraction_bench.exe" "$(winpath "$work/out")" "$reps" "${exes[@]}" \
  >"$work/extraction.txt" 2>&1 || true
collect "$work/extraction.txt"

pairs=()
for p in "${payloads[@]}"; do
  n=$(basename "$p")
  pairs+=("$n" "$(winpath "$work/signed/$n.exe")" "$(winpath "$work/nsis/$n.exe")")
done
wine "$PWD/$b/bench/install_wall_time.exe" "$reps" "${pairs[@]}" >"$work/install.txt" 2>&1 || true
collect "$work/install.txt"

# Peak memory from outside: the maximum resident set of the Wine process
# running the program (the loader becomes the program's process).
peak_kb() {  # command...; prints the median over the runs, in KiB
  for _ in $(seq "$memory_reps"); do
    /usr/bin/time -f '%M %x' -o "$work/time.txt" /usr/lib/wine/wine64 "$@" </dev/null >/dev/null 2>&1 || true
    read -r kb code <"$work/time.txt"
    [ "$code" = 0 ] && echo "$kb"
  done | sort -n | awk '{v[NR] = $1} END {print NR ? v[int((NR + 1) / 2)] : -1}'
}
mb_of() { awk -v k="$1" 'BEGIN {printf "%.3f", k / 1024}'; }
for p in "${memory_payloads[@]}"; do
  n=$(basename "$p")
  rm -rf "$work/out"; mkdir -p "$work/out"
  [ -f "$work/signed/$n.exe" ] || sign "$p.exe"
  signed=$(winpath "$work/signed/$n.exe")
  # /IAgreeToTheEULA makes the run silent, as deployment scripts run it: the
  # splash is created but never shown.
  ours=$(peak_kb "$work/signed/$n.exe" /IAgreeToTheEULA /dontrun temp "$(winpath "$work/out")")
  base=$(peak_kb "$PWD/$b/bench/raw_write.exe" "$(winpath "$PWD/$p.exe")" "$(winpath "$work/out/raw")")
  # The second baseline makes the platform calls every run makes (window
  # system, common controls, COM, signature check, worker thread, the splash
  # dialog) around the same writes: the difference to it is our own code's.
  startup=$(peak_kb "$PWD/$b/bench/startup_write.exe" "$signed" "$(winpath "$work/out/raw")")
  shown=$(peak_kb "$work/signed/$n.exe" /dontrun temp "$(winpath "$work/out")")
  startup_shown=$(peak_kb "$PWD/$b/bench/startup_write.exe" --shown "$signed" "$(winpath "$work/out/raw")")
  mb=$(stat -c %s "$p.exe" | awk '{printf "%.1f", $1 / 1048576}')
  printf 'memory\t%s (%s MB file): peak resident, silent /dontrun vs raw write\t%s\t%s\tMB\tdiff<=8\tmedian of %s runs each\n' \
    "$n" "$mb" "$(mb_of "$ours")" "$(mb_of "$base")" "$memory_reps" >>"$rows"
  printf 'memory\t%s: silent /dontrun vs raw write inside the platform start-up\t%s\t%s\tMB\t-\tsplash hidden\n' \
    "$n" "$(mb_of "$ours")" "$(mb_of "$startup")" >>"$rows"
  printf 'memory\t%s: splash shown (not silent) /dontrun vs the same, splash shown\t%s\t%s\tMB\t-\t-\n' \
    "$n" "$(mb_of "$shown")" "$(mb_of "$startup_shown")" >>"$rows"
  # What grows with the payload: the same figures less the demo product's.
  if [ "$n" = vellox ]; then
    demo_ours=$ours; demo_base=$base
  else
    printf 'memory\t%s: growth over the demo product, silent /dontrun vs raw write\t%s\t%s\tMB\tdiff<=8\t-\n' "$n" \
      "$(awk -v k="$ours" -v d="$demo_ours" 'BEGIN {printf "%.3f", (k - d) / 1024}')" \
      "$(awk -v k="$base" -v d="$demo_base" 'BEGIN {printf "%.3f", (k - d) / 1024}')" >>"$rows"
  fi
done

# Where a silent run's time goes: the example's bootstrapper and the
# platform-floor program, both from a build folder of their own with phase
# marks, run in alternation; each step against the same step of the floor.
pb=build/win64-phases
cmake --preset win64 -B "$pb" -DVELLOX_PHASE_MARKS=ON >/dev/null
cmake --build "$pb" -j 2 --target bench_example startup_write phase_times >/dev/null
tools/sign_bootstrapper.sh --cert "$work/signing/test-cert.pem" --key "$work/signing/test-key.pem" \
  "$pb/bench/bench_example.exe" "$work/signed/phases_example.exe" >/dev/null
rm -rf "$work/out"; mkdir -p "$work/out"
marked=$(winpath "$work/signed/phases_example.exe")
wine "$PWD/$pb/bench/phase_times.exe" "$reps" "$(winpath "$work/out/marks.txt")" \
  "\"$marked\" /IAgreeToTheEULA /dontrun temp $(winpath "$work/out")" \
  "\"$(winpath "$PWD/$pb/bench/startup_write.exe")\" \"$marked\" $(winpath "$work/out/raw")" \
  >"$work/phases.txt" 2>&1 || true
collect "$work/phases.txt"

# Packing: vellox-pack writing a bootstrapper from the stub and the files of
# a payload, against makensis building the NSIS installer of the same files
# (bench/make_nsis_installer.sh), wall time, median of a few runs each.
pack_reps=$([ $smoke = 1 ] && echo 2 || echo 5)
pack_payloads=("$b/bench/bench_example")
[ $smoke = 0 ] && pack_payloads+=("$b/bench/bench_single_256mb")
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
rm -rf "$work/pack"; mkdir -p "$work/pack"
for p in "${pack_payloads[@]}"; do
  n=$(basename "$p")
  pack_ms=(); nsis_ms=()
  for _ in $(seq "$pack_reps"); do
    t0=$(now_ms)
    # The payload and configuration as the build gave them.
    "$b/host-tools/vellox-pack" --config "$p.payload/pack.toml" --stub "$b/vellox-stub.exe" --output "$work/pack/$n.exe"
    t1=$(now_ms)
    bench/make_nsis_installer.sh "$p.payload" "$work/pack/$n-nsis.exe"
    t2=$(now_ms)
    pack_ms+=($((t1 - t0))); nsis_ms+=($((t2 - t1)))
  done
  mb=$(stat -c %s "$work/pack/$n.exe" | awk '{printf "%.1f", $1 / 1048576}')
  printf 'packing\t%s (%s MB): vellox-pack vs makensis, same files\t%s\t%s\tms\t-\tmedian of %s runs each\n' \
    "$n" "$mb" "$(printf '%s\n' "${pack_ms[@]}" | median)" "$(printf '%s\n' "${nsis_ms[@]}" | median)" \
    "$pack_reps" >>"$rows"
done
rm -rf "$work/pack"

# mawk has no strtonum.
hex_awk='function hex(h,  i, v) { sub(/^0x/, "", h); h = tolower(h); v = 0; for (i = 1; i <= length(h); i++) v = v * 16 + index("0123456789abcdef", substr(h, i, 1)) - 1; return v }'

# Size: the sections of the i686 executable other than its resources
# (artwork, dialogs, texts, configuration and payload all live in .rsrc, so
# they are those of every bootstrapper packed from the stub), against the
# stub NSIS builds its x86 Unicode installers from.
stub=/usr/share/nsis/Stubs/zlib-x86-unicode
sections() {  # executable; prints "name bytes" for each section's bytes in the file
  local size; size=$(stat -c %s "$1")
  i686-w64-mingw32-objdump -h "$1" | awk "$hex_awk"' $1 ~ /^[0-9]+$/ && $6 != "00000000" {print hex($6), $2}' |
    sort -n | awk -v end="$size" '{off[NR] = $1; name[NR] = $2}
      END {for (i = 1; i <= NR; i++) print name[i], (i < NR ? off[i + 1] : end) - off[i]}'
}
without_rsrc() {  # executable; file size less the .rsrc section
  local size; size=$(stat -c %s "$1")
  sections "$1" | awk -v s="$size" '$1 == ".rsrc" {s -= $2} END {print s}'
}
ours_exe=build/win32/vellox-stub.exe
ours_code=$(without_rsrc "$ours_exe")
stub_size=$(stat -c %s "$stub")
detail=$(sections "$ours_exe" | awk '$1 != ".rsrc" {printf "%s%s %d", sep, $1, $2; sep = ", "}')
printf 'size\ti686 code and data (no payload, no .rsrc) vs NSIS x86-unicode stub file\t%s\t%s\tbytes\tratio<=1.00\t%s\n' \
  "$ours_code" "$stub_size" "$detail" >>"$rows"
printf 'size\ti686 code and data vs the stub'"'"'s own code and data (no .rsrc)\t%s\t%s\tbytes\t-\t-\n' \
  "$ours_code" "$(without_rsrc "$stub")" >>"$rows"
printf 'size\ti686 stub (artwork, dialogs, texts, no configuration) vs stub file\t%s\t%s\tbytes\t-\t-\n' \
  "$(stat -c %s "$ours_exe")" "$stub_size" >>"$rows"

echo "Wine $(/usr/lib/wine/wine64 --version 2>/dev/null), makensis $(makensis -VERSION), $(nproc) cores;" \
  "$reps repetitions (medians), memory $memory_reps runs"
echo "ratio = ours / baseline, diff = ours - baseline; met: the target holds"
# In the order: extraction, installation, launch, latency, packing, size, memory, phases.
awk -F'\t' '
function num(v, unit) { return v == "-" ? "-" : unit == "bytes" ? sprintf("%d", v) : unit == "ms" ? sprintf("%.2f", v) : sprintf("%.1f", v) }
BEGIN {
  printf "%-15s %-76s %11s %11s %-5s %7s %9s %-11s %-4s %s\n", "section", "figure", "ours", "baseline", "unit",
         "ratio", "diff", "target", "met", "note"
}
{
  section = $1; figure = $2; ours = $3; base = $4; unit = $5; target = $6; note = $7
  ratio = "-"; diff = "-"; met = "-"
  if (base != "-" && ours >= 0 && base > 0) { ratio = sprintf("%.3f", ours / base); diff = num(ours - base, unit) }
  if (ours < 0) ours = "-"
  if (target != "-") {
    split(target, t, "<="); kind = t[1]; limit = t[2] + 0
    value = kind == "ratio" ? ratio : kind == "diff" ? (ours == "-" || base == "-" ? "-" : ours - base) : ours
    met = value == "-" ? "?" : (value + 0 <= limit ? "yes" : "NO")
    sub(/^value/, "", target)
  }
  printf "%-15s %-76s %11s %11s %-5s %7s %9s %-11s %-4s %s\n", section, figure, num(ours, unit), num(base, unit),
         unit, ratio, diff, target, met, note
}' <(awk -F'\t' 'BEGIN {n = split("extraction|install vs NSIS|launch|installer shown|packing|size|memory|phases", order, "|")
                        for (i = 1; i <= n; i++) rank[order[i]] = i}
                 {print rank[$1] "\t" $0}' "$rows" | sort -s -n -k1,1 | cut -f2-)

# What the code and data are made of, from the unstripped build of the same
# executable: its largest symbols and the inputs the linker map shows.
unstripped=build/win32/bench/vellox_stub_unstripped.exe
map=build/win32/bench/vellox_stub.map
top=$([ $smoke = 1 ] && echo 8 || echo 20)
echo
echo "largest symbols of the i686 code and data (nm --size-sort, bytes):"
# Code and data symbols only: no debug information, no section symbols.
i686-w64-mingw32-nm --size-sort -S -C "$unstripped" | awk '$3 ~ /^[tTdDrRbB]$/ && $4 !~ /^\./' |
  tail -n "$top" | tac |
  awk "$hex_awk"'{size = hex($2); $1 = $2 = ""; sub(/^ +/, ""); printf "  %8d  %s\n", size, $0}' | cut -c1-150
echo
echo "largest inputs of .text, .rdata and .data (linker map, bytes):"
awk "$hex_awk"'
/^Linker script and memory map/ { on = 1; next }
!on { next }
# An input section line: " .text  0xaddr  0xsize  file", or its name alone
# with the rest on the next line.
/^ \.(text|rdata|data|pdata|xdata|eh_frame|CRT|tls|ctors|dtors|rodata)/ {
  if (NF >= 4) { add($3, $4) } else if (NF == 1) { pending = 1 }
  next
}
pending && NF >= 3 && $1 ~ /^0x/ { add($2, $3); pending = 0; next }
{ pending = 0 }
function add(size, file) {
  size = hex(size); if (size == 0) return
  n = split(file, parts, "/"); name = parts[n]
  lib = name; sub(/\(.*/, "", lib)
  byFile[name] += size; byLib[lib ~ /\.a$/ ? lib : "(object files)"] += size
}
END {
  for (f in byFile) printf "  %8d  %s\n", byFile[f], f | "sort -rn | head -'"$top"'"
  close("sort -rn | head -'"$top"'")
  print "by library:"
  for (l in byLib) printf "  %8d  %s\n", byLib[l], l | "sort -rn | head -10"
}' "$map"
