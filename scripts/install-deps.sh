#!/usr/bin/env bash
# Installs, with apt-get, whatever the build and the tests need and this
# machine lacks. Debian 12.
set -euo pipefail
packages=(cmake g++ make googletest libgtest-dev libgmock-dev
          g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools binutils-mingw-w64
          wine64 xvfb xauth openssl osslsigncode fonts-wine imagemagick
          clang libclang-rt-14-dev nsis time libtomlplusplus-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
# 32-bit Wine for the i686 end-to-end suite, where this machine allows it;
# without it that build is checked statically (one line says why).
"$(dirname "$0")/setup-wine32.sh" || true
