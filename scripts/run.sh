#!/usr/bin/env bash
# Builds Titrelle and starts it. On a fresh Debian 12 machine it first installs what is missing. Where there
# is no display, it says so and plays a short scripted run on a virtual display instead (scripts/demo.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages $TITRELLE_BUILD_PACKAGES $TITRELLE_LINUX_PACKAGES

headless=0
[ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && headless=1
[ "$headless" = 1 ] && ensure_packages $TITRELLE_DISPLAY_PACKAGES

echo "Building Titrelle (release) in build/release..."
mkdir -p build/release
if ! { cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTITRELLE_TESTS=OFF -DTITRELLE_LINUX_SHELL=ON &&
       cmake --build build/release -j "$(nproc)" --target titrelle; } >build/release/build.log 2>&1; then
  tail -n 40 build/release/build.log
  echo "The build failed; its whole output is in build/release/build.log." >&2
  exit 1
fi
program=build/release/platforms/linux/titrelle

if [ "$headless" = 1 ]; then
  echo "There is no display here (DISPLAY and WAYLAND_DISPLAY are both empty), so Titrelle cannot open its"
  echo "window. Playing a short scripted run on a virtual display (Xvfb) instead."
  echo
  exec scripts/demo.sh "$program"
fi
exec "$program"
