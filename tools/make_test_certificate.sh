#!/usr/bin/env bash
# Makes a throw-away self-signed code-signing certificate and its private key
# for signing test builds: <dir>/test-cert.pem and <dir>/test-key.pem.
# The key is made fresh on every call, lives only in <dir> and is never
# meant to be kept or committed.
#   make_test_certificate.sh <dir> [serial]
# serial: hexadecimal, default 1A2B3C4D5E6F (high bit clear, so that the
# certificate's serial bytes carry no sign byte).
set -euo pipefail
dir=$1
serial=${2:-1A2B3C4D5E6F}
mkdir -p "$dir"
umask 077
openssl req -x509 -newkey rsa:2048 -nodes -sha256 -days 30 \
  -set_serial "0x$serial" \
  -subj "/CN=Vellox Test Signer/O=Vellox Tests" \
  -addext "keyUsage=critical,digitalSignature" \
  -addext "extendedKeyUsage=codeSigning" \
  -keyout "$dir/test-key.pem" -out "$dir/test-cert.pem" 2>"$dir/openssl.log"
