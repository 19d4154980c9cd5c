#!/usr/bin/env bash
# Builds and runs every test: the release build, the sanitizer build (address + undefined
# behaviour, assertions on) and, with clang, the bounded fuzzing runs.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release
ctest --test-dir build/release --output-on-failure -j "$jobs"

cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPRIMAL_SANITIZE=ON -DPRIMAL_ASSERTS=ON
cmake --build build/asan
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build/asan --output-on-failure -j "$jobs"

if [ -d tests/fuzz ]; then
  if ! command -v clang++ >/dev/null 2>&1; then
    apt-get update -qq && apt-get install -y -qq clang libclang-rt-dev >/dev/null
  fi
  cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DPRIMAL_FUZZ=ON -DPRIMAL_TESTS=OFF -DPRIMAL_ASSERTS=ON
  cmake --build build/fuzz
  ctest --test-dir build/fuzz --output-on-failure -j "$jobs"
fi
