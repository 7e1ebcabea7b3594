#!/usr/bin/env bash
# The main job: builds the bootstrapper and runs it once under Wine with a
# virtual display of its own, then prints its diagnostic log and exit code.
# Extra arguments are added to the bootstrapper's command line, e.g.
#   ./demo.sh /dontrun /keep
# The demo payload's installer program is a stand-in that shows a window for
# a moment, adds a line to the same log and exits with DEMO_EXIT_CODE (0).
# By default the 64-bit build runs, quickly; the shipped product is the
# 32-bit build of the same sources (build/win32), which
#   ./demo.sh --i686 [arguments]
# runs instead, under 32-bit Wine (WOW64) when this machine has it. Where
# the kernel cannot run i386 programs, they run under qemu-user emulation:
# then its first run sets up the prefix's 32-bit part (about 4 minutes) and
# each Wine process takes about a minute.
set -euo pipefail
cd "$(dirname "$0")"
i686=0
if [ "${1:-}" = --i686 ]; then i686=1; shift; fi
scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j 2 >/dev/null
build=build/win64
work=$PWD/build/demo
prefix_mode=
if [ $i686 = 1 ]; then
  if ! /usr/lib/wine/wine --version >/dev/null 2>&1; then
    echo "== --i686: 32-bit Wine is not available here (see the 32-bit Wine line above)"
    exit 1
  fi
  cmake --preset win32 >/dev/null
  cmake --build --preset win32 -j 2 >/dev/null
  build=build/win32
  work=$PWD/build/demo-i686
  prefix_mode=wow64
  echo "== i686 build under 32-bit Wine: this takes minutes where i386 programs run under emulation"
fi
started=$(date +%s)
timeout_ms=$([ $i686 = 1 ] && echo 900000 || echo 120000)

exe=$work/vellox.exe
# The driver is a 64-bit program either way: it starts the bootstrapper and
# reports its full exit code.
driver=$PWD/build/win64/tests/fixtures/run_driver.exe
tests/e2e/prefix.sh setup "$work" $prefix_mode >/dev/null
trap 'tests/e2e/prefix.sh cleanup "$work"' EXIT

# The bootstrapper checks its own signature (unsigned, a silent run stops
# with 0x800B0100): sign it with a throw-away certificate made for this run.
tools/make_test_certificate.sh "$work/signing"
tools/sign_bootstrapper.sh --cert "$work/signing/test-cert.pem" --key "$work/signing/test-key.pem" \
  --url "http://example.test/more" "$build/vellox.exe" "$exe"

winpath() { echo "Z:$1" | tr / '\\'; }
rm -f "$work/setup.log" "$work/result.txt"
echo "\"$(winpath "$exe")\" log $(winpath "$work/setup.log") /IAgreeToTheEULA $*" >"$work/command.txt"
(cd "$work" && VELLOX_FAKE_WINDOW_MS=500 VELLOX_FAKE_APPEND_LOG="$(winpath "$work/setup.log")" \
  VELLOX_FAKE_EXIT="${DEMO_EXIT_CODE:-0}" WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$(cat "$work/display")" \
  /usr/lib/wine/wine64 "$driver" "$(winpath "$work/command.txt")" "$(winpath "$work/result.txt")" "$timeout_ms" \
  >"$work/driver.out" 2>&1 </dev/null)

echo "== command line: $(cat "$work/command.txt")"
echo "== diagnostic log ($work/setup.log):"
if [ -f "$work/setup.log" ]; then tr -d '\r' <"$work/setup.log"; else echo "(no log written)"; fi
code=$(sed -n 's/^exit=//p' "$work/result.txt")
if [ -n "$code" ]; then
  printf '== exit code: %u (0x%08X)\n' "$code" "$code"
else
  echo "== no exit code: $(cat "$work/result.txt" "$work/driver.out" 2>/dev/null)"
  exit 1
fi
[ $i686 = 1 ] && echo "== i686 run took $(( $(date +%s) - started )) s (prefix set-up included)"
exit 0
