#!/usr/bin/env bash
# Sets up 32-bit Wine for the i686 end-to-end suite where it can (Debian 12,
# as root): the i386 architecture, wine32:i386, and, when the kernel cannot
# run i386 programs itself, qemu-user registered for i386 ELF files through
# binfmt_misc. Never downgrades or removes a package: apt is asked first
# what an install would do. Prints one line: what it set up, or which step
# is impossible and why (the i686 build is then checked statically only).
# Exit 0 when 32-bit Wine runs.
set -uo pipefail
export DEBIAN_FRONTEND=noninteractive
say() { echo "32-bit Wine: $*"; }
impossible() { say "$*; the i686 build is checked statically only"; exit 1; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }
# Installs the packages unless apt would downgrade or remove anything for them.
install_safely() {
  local plan
  plan=$(apt-get install -s --no-install-recommends "$@" 2>&1)
  if echo "$plan" | grep -q '^E:'; then
    impossible "$* not installable ($(echo "$plan" | grep -m1 '^E:' | cut -c4-))"
  fi
  if echo "$plan" | grep -qi 'DOWNGRADED'; then
    impossible "$* would downgrade packages"
  fi
  if echo "$plan" | grep -q '^Remv'; then
    impossible "$* would remove $(echo "$plan" | grep '^Remv' | awk '{print $2}' | tr '\n' ' ')"
  fi
  apt-get install -y -qq --no-install-recommends "$@" >/dev/null 2>&1 || impossible "apt-get install $* failed"
}
runs() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

if installed wine32:i386 && runs; then
  say "present ($(/usr/lib/wine/wine --version))"
  exit 0
fi
[ "$(id -u)" = 0 ] || impossible "not set up (this needs root for apt-get and binfmt_misc)"

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386 || impossible "the i386 architecture could not be added"
  if ! apt-get update -qq >/dev/null 2>&1 || ! apt-cache show wine32:i386 >/dev/null 2>&1; then
    # Leave apt as it was: an i386 index that does not download would fail
    # every later update.
    dpkg --remove-architecture i386 2>/dev/null
    apt-get update -qq >/dev/null 2>&1
    impossible "the i386 package index could not be downloaded"
  fi
fi
installed wine32:i386 || install_safely wine32:i386

if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  # The kernel cannot execute i386 programs: run them under qemu-user.
  installed qemu-user || install_safely qemu-user
  [ -x /usr/bin/qemu-i386 ] || impossible "qemu-user has no /usr/bin/qemu-i386"
  if [ ! -e /proc/sys/fs/binfmt_misc/register ]; then
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc 2>/dev/null ||
      impossible "the kernel cannot run i386 programs and binfmt_misc cannot be mounted"
  fi
  # Only i386 ELF files, which the kernel refuses anyway; F opens qemu now,
  # so it also serves programs in other mount namespaces.
  if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
    echo ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386:F' \
      >/proc/sys/fs/binfmt_misc/register 2>/dev/null || impossible "qemu-i386 could not be registered with binfmt_misc"
  fi
  runs || impossible "installed, but it does not start under qemu-i386"
  say "set up ($(/usr/lib/wine/wine --version), i386 programs under qemu-i386 through binfmt_misc: about a minute per Wine process)"
  exit 0
fi
runs || impossible "installed, but /usr/lib/wine/wine does not start"
say "set up ($(/usr/lib/wine/wine --version), i386 programs run natively)"
