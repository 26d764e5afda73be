#!/usr/bin/env bash
# Builds and starts Titrelle.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages $TITRELLE_BUILD_PACKAGES
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DTITRELLE_TESTS=OFF >/dev/null
cmake --build build/release -j "$(nproc)"
echo "Titrelle's desktop program is not built yet: this checkout holds the portable core and its tests."
echo "Run scripts/test.sh to exercise it."
