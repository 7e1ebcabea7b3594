#!/usr/bin/env bash
# Prints one line: whether 32-bit Wine can run the i686 build here, and if
# not, why. Exit 0 when it can. Never installs by downgrading: it only asks
# apt what an install would do.
if [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  echo "32-bit Wine: present"
  exit 0
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "32-bit Wine: not installed (the i386 architecture is not enabled; enabling it needs the i386 package index and wine32:i386, whose Multi-Arch libraries would force amd64 downgrades on Debian 12 here); the i686 build is checked statically instead"
  exit 1
fi
plan=$(apt-get install -s --no-install-recommends wine32:i386 2>&1)
if echo "$plan" | grep -q -i downgrad; then
  echo "32-bit Wine: not installable (wine32:i386 would downgrade amd64 packages); the i686 build is checked statically instead"
elif echo "$plan" | grep -q '^Inst'; then
  echo "32-bit Wine: installable but not installed; the i686 build is checked statically"
else
  echo "32-bit Wine: not installable ($(echo "$plan" | grep -m1 -E '^E:' || echo 'no candidate')); the i686 build is checked statically instead"
fi
exit 1
