#!/bin/sh
# Renders every dialog of the bootstrapper and its splash under a virtual
# display and saves one PNG each (the whole screen, and the same trimmed to
# the window) into <output folder>.
#
#   tests/ui_preview/render_dialogs.sh <win64 build folder> <output folder>
#
# Needs wine64, Xvfb (xvfb-run) and ImageMagick. Uses a Wine prefix of its
# own inside the output folder.
set -eu
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
preview="$build/tests/ui_preview/ui_preview.exe"
[ -f "$preview" ] || { echo "no $preview: build the win64 preset first" >&2; exit 1; }

if [ -z "${VELLOX_RENDER_INSIDE_XVFB:-}" ]; then
    VELLOX_RENDER_INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$0" "$build" "$out"
fi

wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver
export WINEPREFIX="$out/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -d "$WINEPREFIX" ]; then
    "$wine" cmd /c exit >/dev/null 2>&1 || true
    "$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    # The dialogs are laid out for Tahoma; without it another font widens them.
    cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    "$wineserver" -k || true
    "$wineserver" -w || true
fi
"$wine" cmd /c exit >/dev/null 2>&1 || true

# shot <name> <arguments...>: starts the preview, waits until something is on
# the screen, lets it paint, photographs it and ends the preview.
shot() {
    name=$1
    shift
    "$wine" "$preview" "$@" >/dev/null 2>&1 &
    pid=$!
    tries=0
    while [ $tries -lt 100 ]; do
        import -window root "$out/$name.full.png"
        size=$(convert "$out/$name.full.png" -trim -format '%w' info: 2>/dev/null || echo 0)
        [ "$size" -gt 20 ] 2>/dev/null && break
        tries=$((tries + 1))
        sleep 0.1
    done
    sleep 0.7
    import -window root "$out/$name.full.png"
    convert "$out/$name.full.png" -trim +repage "$out/$name.png"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    echo "$out/$name.png $(identify -format '%wx%h' "$out/$name.png")"
}

shot report-installer-exit-5 report 0 5
shot report-net-missing report 0x80110409 0 ".NET 4" 4 1
shot report-runtime-failed report 0 0x80131700 ".NET 2" 2 0
shot report-usage report 0x80030057 0
shot question question "The file is not signed." "Verification of Corvane failed. Do you wish continue?"
shot temp-folder tempfolder 'C:\users\Public\Temp\' "$out/answer.txt"
shot about about
shot splash splash 60000
"$wineserver" -k 2>/dev/null || true
