#!/usr/bin/env bash
# Builds an installer with NSIS 3 (Debian's makensis) around the payload of
# one of our bootstrappers, for the wall-time comparison: the amd64-unicode
# stub (Wine here runs 64-bit programs only), no compression, every file
# extracted to its plugins folder, the payload's program run and waited for,
# its exit code passed on. The script is written next to the output.
#   make_nsis_installer.sh <bootstrapper's .payload folder> <output.exe>
set -euo pipefail
payload=$1
out=$2
nsi=${out%.exe}.nsi
# The payload's entries (id|name|source|size), one a line in the pack.toml
# that vellox_add_bootstrapper wrote, as id, name and source; the program is
# the lowest id with an .exe name.
awk 'function unescape(s,  out, i, c) {
       out = ""
       for (i = 1; i <= length(s); i++) { c = substr(s, i, 1); if (c == "\\") c = substr(s, ++i, 1); out = out c }
       return out
     }
     /^entries = \[/ { on = 1; next }
     on && /^\]/ { on = 0 }
     on { s = $0; sub(/^ *"/, "", s); sub(/",$/, "", s); n = split(unescape(s), f, "|")
          if (f[2] != "" && f[3] != "") print f[1] "\t" f[2] "\t" f[3] }' "$payload/pack.toml" | sort -n >"$nsi.entries"
program=$(awk -F'\t' 'program == "" && tolower($2) ~ /\.exe$/ {program = $2} END {print program}' "$nsi.entries")
{
  echo 'Unicode true'
  echo 'Target amd64-unicode'
  echo 'SetCompress off'
  echo 'SilentInstall silent'
  echo 'RequestExecutionLevel admin'
  echo 'Name "Benchmark"'
  echo "OutFile \"$out\""
  echo 'Section'
  echo '  InitPluginsDir'
  echo '  SetOutPath "$PLUGINSDIR"'
  awk -F'\t' '{ print "  File \"/oname=" $2 "\" \"" $3 "\"" }' "$nsi.entries"
  echo "  ExecWait '\"\$PLUGINSDIR\\$program\"' \$0"
  echo '  SetOutPath "$TEMP"'
  echo '  SetErrorLevel $0'
  echo 'SectionEnd'
} >"$nsi"
rm -f "$nsi.entries"
makensis -V1 "$nsi" >"$nsi.log" 2>&1 || { cat "$nsi.log" >&2; exit 1; }
