#!/usr/bin/env bash
# Builds Titrelle (release) and makes its Debian package, build/release/titrelle_VERSION_ARCH.deb, for
# `sudo apt install ./titrelle_*.deb` on a Debian 12 machine.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages $TITRELLE_BUILD_PACKAGES $TITRELLE_LINUX_PACKAGES

echo "Building Titrelle (release) in build/release..."
mkdir -p build/release
if ! { cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTITRELLE_TESTS=OFF -DTITRELLE_LINUX_SHELL=ON &&
       cmake --build build/release -j "$(nproc)" &&
       (cd build/release && cpack -G DEB); } >build/release/package.log 2>&1; then
  tail -n 40 build/release/package.log
  echo "Making the package failed; the whole output is in build/release/package.log." >&2
  exit 1
fi
deb=$(ls -t build/release/titrelle_*.deb | head -n 1)
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Architecture\|Depends\):/\1:/p'
echo "Made $deb"
