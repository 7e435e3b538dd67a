#!/usr/bin/env bash
# Configures build/ and builds everything (the program, zemctl, the simulated
# unit, tests and benchmarks), or only the targets given:
#   scripts/build.sh                  everything
#   scripts/build.sh zem-config       the window and what it needs
# Extra configure options come from ZEM_CMAKE_OPTIONS (scripts/test.sh sets
# -DZEM_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
options=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
# shellcheck disable=SC2206 # options are words on purpose
options+=(${ZEM_CMAKE_OPTIONS:-})
cmake -S . -B build "${options[@]}" >/dev/null
if (($#)); then
  cmake --build build -j "$(nproc)" --target "$@"
else
  cmake --build build -j "$(nproc)"
fi
