#!/usr/bin/env bash
# Checks that every C++ file is formatted as .clang-format says, with the
# clang-format of Debian 12 (version 14): another version formats some
# constructs differently, so the check pins it.
set -euo pipefail
cd "$(dirname "$0")/.."
formatter=clang-format-14
if ! command -v "$formatter" >/dev/null; then
  if [ "$(id -u)" = 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends clang-format-14 >/dev/null
  else
    echo "format-check: $formatter is missing (apt-get install clang-format-14)" >&2
    exit 1
  fi
fi
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t files < <(find src tests bench docs -name '*.cpp' -o -name '*.h' | sort)
fi
if ! "$formatter" --dry-run --Werror "${files[@]}"; then
  echo "format-check: $formatter -i FILE formats a file as the check wants" >&2
  exit 1
fi
echo "format-check: ${#files[@]} files formatted as .clang-format says"
