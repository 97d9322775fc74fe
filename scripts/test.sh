#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite, the
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer, and the
# threaded tests under ThreadSanitizer, and every fuzz target once over its
# committed corpus (clang, AddressSanitizer and UndefinedBehaviorSanitizer; no
# open-ended fuzzing). No test needs a display or a network beyond loopback.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
jobs=$(nproc)

cmake --preset dev >/dev/null
cmake --build --preset dev -j "$jobs"
ctest --preset dev -j "$jobs"

cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs" --target korval_tests
ctest --preset asan -j "$jobs"

cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs" --target korval_threaded_tests
ctest --preset tsan -j "$jobs"

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$jobs"
ctest --preset fuzz -j "$jobs"
