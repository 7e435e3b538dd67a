#!/bin/bash
# The work of `zemctl check` counted in instructions (valgrind's cachegrind),
# a figure that, unlike time on a shared machine, is the same in every run:
#   bench/count_instructions.sh [BUILD_DIR]
# - a single line of 1 MiB and of 16 MiB without a line end, less a line of
#   60 bytes (starting the process, the import's fixed work): how the cost
#   grows with the length of a line;
# - the large file (40 full configurations) against the two bare scanners of
#   bench/scan_lines, each less its own run on an empty file.
set -euo pipefail

build=${1:-build}
zemctl=$build/src/cli/zemctl
scanner=$build/bench/scan_lines
writer=$build/bench/write_full_config
for program in "$zemctl" "$scanner" "$writer"; do
  [[ -x $program ]] || { echo "$program is missing: build zemctl, scan_lines and write_full_config" >&2; exit 2; }
done
command -v valgrind > /dev/null || { echo "valgrind is missing (apt-get install valgrind)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Instructions the command runs (its output goes nowhere).
count() {
  valgrind --tool=cachegrind --cache-sim=no --cachegrind-out-file=/dev/null "$@" 2>&1 > /dev/null |
    sed -n 's/.*I *refs: *//p' | tr -d ,
}

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

line() { yes '[NO1"a long line without end ' | tr -d '\n' | head -c "$1" || true; }  # yes ends on a broken pipe
line 60 > "$work/short.zem"
line $((1 << 20)) > "$work/1mib.zem"
line $((16 << 20)) > "$work/16mib.zem"
base=$(count "$zemctl" check "$work/short.zem" || true)
one=$(( $(count "$zemctl" check "$work/1mib.zem" || true) - base ))
sixteen=$(( $(count "$zemctl" check "$work/16mib.zem" || true) - base ))
echo "one line, 1 MiB:  $one instructions"
echo "one line, 16 MiB: $sixteen instructions ($(ratio "$sixteen" "$one")x)"

"$writer" 40 > "$work/full40.zem"
: > "$work/empty.zem"
checked=$(( $(count "$zemctl" check "$work/full40.zem" || true) - $(count "$zemctl" check "$work/empty.zem" || true) ))
byLine=$(( $(count "$scanner" --getline "$work/full40.zem") - $(count "$scanner" --getline "$work/empty.zem") ))
whole=$(( $(count "$scanner" "$work/full40.zem") - $(count "$scanner" "$work/empty.zem") ))
echo "check, large file: $checked instructions"
echo "  against the std::getline scanner: $byLine ($(ratio "$checked" "$byLine")x)"
echo "  against the memchr scanner:       $whole ($(ratio "$checked" "$whole")x)"
