#!/usr/bin/env bash
# Builds Titrelle with AddressSanitizer and UndefinedBehaviorSanitizer, fuzzes the document core for a short,
# bounded time, and runs every test, among them the check of the Debian package made from this build
# (scripts/check-package.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages $TITRELLE_BUILD_PACKAGES $TITRELLE_FUZZ_PACKAGES $TITRELLE_LINUX_PACKAGES $TITRELLE_DISPLAY_PACKAGES \
  $TITRELLE_WINDOWS_PACKAGES

jobs=$(nproc)
# The benchmarks and the measuring program are built too, not run: a change that breaks them shows here.
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=Debug -DTITRELLE_SANITIZE=ON -DTITRELLE_BENCH=ON >/dev/null
cmake --build build/test -j "$jobs"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
status=0

# A short, bounded fuzzing run of the document core first, so that the test runner's summary closes the output.
if [ -x "$(command -v clang++)" ] && [ -f fuzz/CMakeLists.txt ]; then
  CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTITRELLE_FUZZ=ON \
    -DTITRELLE_TESTS=OFF -DTITRELLE_LINUX_SHELL=OFF >/dev/null
  cmake --build build/fuzz -j "$jobs" --target titrelle_fuzz_document
  echo "Fuzzing the document core for 30 seconds..."
  if build/fuzz/fuzz/titrelle_fuzz_document -max_total_time=30 -timeout=5 -rss_limit_mb=2048 \
       -print_final_stats=0 fuzz/corpus >build/fuzz/fuzz.log 2>&1; then
    echo "fuzz: no crash, hang or sanitizer report"
  else
    tail -n 40 build/fuzz/fuzz.log
    echo "fuzz: FAILED"
    status=1
  fi
fi

# The desktop program's tests need an X server: the run gets a virtual one of its own.
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir build/test --output-on-failure -j "$jobs" || status=$?

# The Windows program: cross-built, its imports and zip checked, driven under Wine.
echo "The Windows program under Wine..."
scripts/test-windows.sh || status=1
exit $status
