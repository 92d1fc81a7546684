#!/usr/bin/env bash
# Builds and runs every test: the program, its tools and windows; the
# computation and batch tool again under AddressSanitizer and UBSan; the fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."

for preset in default sanitize fuzz; do
  echo "=== $preset ==="
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
