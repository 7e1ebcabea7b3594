#!/usr/bin/env bash
# Signs a finished bootstrapper with Authenticode (SHA-256), putting the
# program name and the more-information link into the signature. The program
# name is what the bootstrapper forwards to the installer as TW_I.
#   sign_bootstrapper.sh --cert <cert.pem> --key <key.pem>
#                        [--name <program name>] [--url <more-info link>]
#                        <input.exe> <output.exe>
# Add an information block only with tools that keep the signature valid
# (they place it inside the certificate table); anything appended after
# signing breaks the signature.
set -euo pipefail
cert= key= name= url=
while [ $# -gt 2 ]; do
  case "$1" in
  --cert) cert=$2; shift 2 ;;
  --key) key=$2; shift 2 ;;
  --name) name=$2; shift 2 ;;
  --url) url=$2; shift 2 ;;
  *) echo "sign_bootstrapper.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
if [ $# -ne 2 ] || [ -z "$cert" ] || [ -z "$key" ]; then
  echo "usage: sign_bootstrapper.sh --cert <cert.pem> --key <key.pem> [--name <text>] [--url <link>] <in.exe> <out.exe>" >&2
  exit 2
fi
args=(sign -certs "$cert" -key "$key" -h sha256)
[ -n "$name" ] && args+=(-n "$name")
[ -n "$url" ] && args+=(-i "$url")
rm -f "$2"
osslsigncode "${args[@]}" -in "$1" -out "$2" >/dev/null
