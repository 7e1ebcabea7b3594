#!/usr/bin/env bash
# Prepares (or tears down) what the end-to-end tests share in one run: a
# fresh Wine prefix, a persistent wineserver for it, and an Xvfb display.
# Failures are told on standard error, so a caller may discard the rest.
#   prefix.sh setup <work-dir> [wow64]   prefix in <work-dir>/prefix, display
#                                        number in <work-dir>/display
#   prefix.sh cleanup <work-dir>
# Without "wow64" the prefix is 64-bit only: its 32-bit part is never set
# up. With it (the i686 suite) the 32-bit part is set up too, and the .NET
# Framework is registered in the 32-bit registry view only.
set -u
action=$1
work=$2
mode=${3:-}
wine=/usr/lib/wine/wine64
# Debian's wine64 package alone puts no wineserver on the PATH.
wineserver=/usr/lib/wine/wineserver
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

case "$action" in
setup)
  "$0" cleanup "$work"
  mkdir -p "$work"
  rm -rf "$WINEPREFIX"
  # Xvfb chooses a free display and tells us its number.
  exec 3>"$work/display.tmp"
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  echo $! >"$work/xvfb.pid"
  exec 3>&-
  for _ in $(seq 100); do [ -s "$work/display.tmp" ] && break; sleep 0.1; done
  if [ ! -s "$work/display.tmp" ]; then echo "Xvfb did not start: $(cat "$work/xvfb.log")" >&2; exit 1; fi
  echo ":$(tr -d '\n' <"$work/display.tmp")" >"$work/display"
  export DISPLAY=$(cat "$work/display")
  if [ "$mode" != wow64 ]; then
    # With wine32 installed, a new 64-bit prefix also sets up its 32-bit
    # part, by starting the 32-bit rundll32 of syswow64; under user-mode
    # emulation that alone takes minutes. A placeholder that is no program
    # makes that start fail at once: nothing 32-bit ever runs here.
    mkdir -p "$WINEPREFIX/drive_c/windows/syswow64"
    echo "64-bit only prefix: no 32-bit programs" >"$WINEPREFIX/drive_c/windows/syswow64/rundll32.exe"
  fi
  # Output to files: Wine's services inherit the first process's stdout.
  "$wine" cmd /c exit >"$work/prefix-init.log" 2>&1 || { echo "wine could not create the prefix" >&2; cat "$work/prefix-init.log" >&2; exit 1; }
  # The dialogs' font: Wine ships Tahoma but a new prefix does not use it.
  cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  # Without this, every process that opened a window exits two seconds late.
  "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >>"$work/prefix-init.log" 2>&1
  # The machine the runs assume: .NET Framework 2.0 SP 2 registered, so that
  # the start-up gets past its framework check (a fresh prefix has none).
  ndp='HKLM\Software\Microsoft\NET Framework Setup\NDP'
  if [ "$mode" = wow64 ]; then
    # The 32-bit bootstrapper reads the 32-bit view: there 2.0 SP 2; the
    # 64-bit view says 2.0 SP 1 and holds a Framework 4.5 that must stay
    # unseen.
    reg32() { "$wine" reg add "$@" /f /reg:32 >>"$work/prefix-init.log" 2>&1; }
    reg64() { "$wine" reg add "$@" /f /reg:64 >>"$work/prefix-init.log" 2>&1; }
    reg32 "$ndp\v2.0.50727" /v Install /t REG_DWORD /d 1
    reg32 "$ndp\v2.0.50727" /v SP /t REG_DWORD /d 2
    reg64 "$ndp\v2.0.50727" /v Install /t REG_DWORD /d 1
    reg64 "$ndp\v2.0.50727" /v SP /t REG_DWORD /d 1
    reg64 "$ndp\v4\Full" /v Install /t REG_DWORD /d 1
    reg64 "$ndp\v4\Full" /v Servicing /t REG_DWORD /d 1
    reg64 "$ndp\v4\Client" /v Version /t REG_SZ /d 4.5.50709
  else
    "$wine" reg add "$ndp\v2.0.50727" /v Install /t REG_DWORD /d 1 /f >>"$work/prefix-init.log" 2>&1
    "$wine" reg add "$ndp\v2.0.50727" /v SP /t REG_DWORD /d 2 /f >>"$work/prefix-init.log" 2>&1
  fi
  # Flush the registry to disk, and keep a copy that no server ever uses
  # for the tests' private prefixes.
  "$wineserver" -k; "$wineserver" -w
  rm -rf "$work/prefix-template"
  cp -a "$WINEPREFIX" "$work/prefix-template" || { echo "could not copy the prefix" >&2; exit 1; }
  # Detached from our output: ctest waits for every holder of its pipe.
  "$wineserver" -p >/dev/null 2>&1 </dev/null
  echo "prefix ready in $WINEPREFIX, display $DISPLAY"
  ;;
cleanup)
  [ -d "$WINEPREFIX" ] && "$wineserver" -k 2>/dev/null
  if [ -f "$work/xvfb.pid" ]; then kill "$(cat "$work/xvfb.pid")" 2>/dev/null; rm -f "$work/xvfb.pid"; fi
  exit 0
  ;;
esac
