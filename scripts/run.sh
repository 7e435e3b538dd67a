#!/usr/bin/env bash
# Installs what is missing, builds, and starts ZEM Configuration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh
if [ -x build/src/app/zem-config ]; then
  exec build/src/app/zem-config "$@"
fi
# Without the window, show what the command-line tool makes of the example.
exec build/src/cli/zemctl check examples/full-16x192.zem
