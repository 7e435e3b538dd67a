#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the whole suite, then
# the core tests again under AddressSanitizer and UndefinedBehaviorSanitizer.
# Warnings are errors here.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
ZEM_CMAKE_OPTIONS="-DZEM_WERROR=ON" scripts/build.sh
ctest --test-dir build --output-on-failure -j 2

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DZEM_CORE_ONLY=ON -DZEM_SANITIZE=ON -DZEM_WERROR=ON \
  "${launcher[@]}" >/dev/null
cmake --build build-asan -j "$(nproc)"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j 2
