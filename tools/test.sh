#!/usr/bin/env bash
# Builds Orvex and runs every test: the normal build, the address+undefined
# sanitizer build, and a short smoke run of each fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVEX_SANITIZE=ON \
      -DORVEX_GUI=OFF -DORVEX_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"

if command -v clang++ >/dev/null && [ -n "$(ls fuzz/*.cpp 2>/dev/null)" ]; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
        -DCMAKE_CXX_COMPILER=clang++ -DORVEX_FUZZ=ON -DORVEX_TESTS=OFF -DORVEX_GUI=OFF \
        -DORVEX_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs"
  bash tools/fuzz-smoke.sh build-fuzz/bin
fi

echo "== sanitizer build tests"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600
echo "== tests"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600
