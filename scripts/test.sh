#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite, then
# the core tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
ctest --test-dir build --output-on-failure -j 2

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEM_CORE_ONLY=ON -DZEM_SANITIZE=ON >/dev/null
cmake --build build-asan -j "$(nproc)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j 2
