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
# id -> manifest name from the manifest (id*name*size*...), id -> source
# from the resource script; the program is the lowest id with an .exe name.
tr '*' '\n' <"$payload/manifest.bin" | paste - - - | awk -F'\t' '{print $1 "\t" $2}' >"$nsi.names"
awk '$2 == "TOOLKIT" && $1 != 101 { src = substr($0, index($0, "\"") + 1); sub(/"$/, "", src); print $1 "\t" src }' \
  "$payload/payload.rc" | sort -n >"$nsi.sources"
# awk reads to the end: leaving early would end sort with SIGPIPE, which
# pipefail turns into a failure whenever sort is still writing.
program=$(sort -n "$nsi.names" | awk -F'\t' 'program == "" && tolower($2) ~ /\.exe$/ {program = $2} END {print program}')
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
  awk -F'\t' 'NR == FNR { name[$1] = $2; next } ($1 in name) { print "  File \"/oname=" name[$1] "\" \"" $2 "\"" }' \
    "$nsi.names" "$nsi.sources"
  echo "  ExecWait '\"\$PLUGINSDIR\\$program\"' \$0"
  echo '  SetOutPath "$TEMP"'
  echo '  SetErrorLevel $0'
  echo 'SectionEnd'
} >"$nsi"
rm -f "$nsi.names" "$nsi.sources"
makensis -V1 "$nsi" >"$nsi.log" 2>&1 || { cat "$nsi.log" >&2; exit 1; }
