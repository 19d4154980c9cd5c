#!/usr/bin/env bash
# Builds the release binary and enumerates the primes of the shipped example formula.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target primal
exec build/release/primal -print_all examples/small.cnf
