#!/usr/bin/env bash
# Prepares the signed bootstrapper the end-to-end tests run: a throw-away
# test certificate (made fresh for each run, never kept) and vellox.exe of
# the win64 build signed with it, with a more-information link and no program
# name (so the forwarded TW_I stays the build's default).
#   signing.sh <work-dir> <win64-build-dir>
# Writes <work-dir>/signing/{test-cert.pem,test-key.pem,vellox.exe} and a
# signed copy of every bootstrapper variant the fixtures build (vellox_*.exe).
set -euo pipefail
work=$1
win64=$2
tools=$(cd "$(dirname "$0")/../../tools" && pwd)
dir="$work/signing"
rm -rf "$dir"
"$tools/make_test_certificate.sh" "$dir"
"$tools/sign_bootstrapper.sh" --cert "$dir/test-cert.pem" --key "$dir/test-key.pem" \
  --url "http://example.test/more" "$win64/vellox.exe" "$dir/vellox.exe"
for variant in "$win64"/tests/fixtures/vellox_*.exe; do
  [ -e "$variant" ] || continue
  "$tools/sign_bootstrapper.sh" --cert "$dir/test-cert.pem" --key "$dir/test-key.pem" \
    --url "http://example.test/more" "$variant" "$dir/$(basename "$variant")"
done
echo "signed the bootstrappers of $win64 into $dir"
