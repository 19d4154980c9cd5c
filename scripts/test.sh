#!/usr/bin/env bash
# Builds and runs every test: the release build, the sanitizer build (address + undefined
# behaviour, assertions on) and, with clang, the bounded fuzzing runs.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

# The Python module and its tests need Debian's pybind11 and pytest for Debian's interpreter.
if ! /usr/bin/python3 -c 'import pybind11, pytest' >/dev/null 2>&1 || [ ! -f /usr/include/python3*/Python.h ]; then
  apt-get update -qq && apt-get install -y -qq python3-pybind11 python3-pytest python3-dev >/dev/null
fi
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release
# ctest runs pytest (python.pytest): make sure it is there rather than skipped.
ctest --test-dir build/release -N -R '^python\.pytest$' | grep -q 'Total Tests: 1' ||
  { echo "the Python module or its tests are missing from the build" >&2; exit 1; }
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
