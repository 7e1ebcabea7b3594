#!/usr/bin/env bash
# The main job: builds the bootstrapper and runs it once under Wine with a
# virtual display of its own, then prints its diagnostic log and exit code.
# Extra arguments are added to the bootstrapper's command line, e.g.
#   ./demo.sh /dontrun /keep
# The 64-bit build runs here, since this machine's Wine is 64-bit only; the
# shipped product is the 32-bit build of the same sources (build/win32).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j 2 >/dev/null

work=$PWD/build/demo
exe=$work/vellox.exe
driver=$PWD/build/win64/tests/fixtures/run_driver.exe
tests/e2e/prefix.sh setup "$work" >/dev/null
trap 'tests/e2e/prefix.sh cleanup "$work"' EXIT

# The bootstrapper checks its own signature (unsigned, a silent run stops
# with 0x800B0100): sign it with a throw-away certificate made for this run.
tools/make_test_certificate.sh "$work/signing"
tools/sign_bootstrapper.sh --cert "$work/signing/test-cert.pem" --key "$work/signing/test-key.pem" \
  --url "http://example.test/more" build/win64/vellox.exe "$exe"

winpath() { echo "Z:$1" | tr / '\\'; }
rm -f "$work/setup.log" "$work/result.txt"
echo "\"$(winpath "$exe")\" log $(winpath "$work/setup.log") /IAgreeToTheEULA $*" >"$work/command.txt"
(cd "$work" && WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$(cat "$work/display")" \
  /usr/lib/wine/wine64 "$driver" "$(winpath "$work/command.txt")" "$(winpath "$work/result.txt")" 120000 \
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
