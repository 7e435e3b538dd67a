#!/usr/bin/env bash
# Installs what is missing, builds, and starts ZEM Configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display (DISPLAY and WAYLAND_DISPLAY are not set): checking examples/full-16x192.zem with zemctl instead of opening the window."
  scripts/build.sh zemctl
  exec build/src/cli/zemctl check examples/full-16x192.zem
fi
scripts/build.sh zem-config
exec build/src/app/zem-config "$@"
