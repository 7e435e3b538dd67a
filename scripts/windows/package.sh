#!/usr/bin/env bash
# Makes the installer zem-config-VERSION-setup.exe (NSIS, 64-bit) and the
# portable zem-config-VERSION-portable.zip from the runnable folder that
# scripts/windows/build.sh gathered, both in BUILD/.
#   scripts/windows/package.sh [BUILD]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build-win}" && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
dist=$build/dist/zem-config-$version
[ -d "$dist" ] || { echo "package: no runnable folder $dist (run scripts/windows/build.sh)" >&2; exit 1; }

# The installer installs exactly the folder's files and removes exactly them.
work=$build/installer
rm -rf "$work" && mkdir -p "$work"
(
  cd "$dist"
  find . -type d ! -name . | sort | while read -r d; do
    d=${d#./}
    printf 'CreateDirectory "$INSTDIR\\%s"\n' "${d//\//\\}"
  done
  find . -type f | sort | while read -r f; do
    f=${f#./}
    printf 'File "/oname=%s" "%s"\n' "${f//\//\\}" "$dist/$f"
  done
) >"$work/files.nsh"
(
  cd "$dist"
  find . -type f | sort | while read -r f; do
    f=${f#./}
    printf 'Delete "$INSTDIR\\%s"\n' "${f//\//\\}"
  done
  find . -type d ! -name . | sort -r | while read -r d; do
    d=${d#./}
    printf 'RMDir "$INSTDIR\\%s"\n' "${d//\//\\}"
  done
) >"$work/unfiles.nsh"
setup=$build/zem-config-$version-setup.exe
makensis -V2 -DVERSION="$version" -DDIST="$dist" -DOUTFILE="$setup" -DFILES="$work/files.nsh" \
  -DUNFILES="$work/unfiles.nsh" "$root/scripts/windows/installer.nsi"

# The portable copy: the same folder and the marker that keeps its quick
# EQ files beside the program.
zipdir=$work/zip/zem-config-$version
mkdir -p "$work/zip"
cp -r "$dist" "$zipdir"
printf 'portable\r\nThis copy of ZEM Configuration keeps its quick EQ files in this folder.\r\n' >"$zipdir/portable"
portable=$build/zem-config-$version-portable.zip
rm -f "$portable"
(cd "$work/zip" && zip -qr -X "$portable" "zem-config-$version")
echo "package: $setup ($(du -h "$setup" | cut -f1)), $portable ($(du -h "$portable" | cut -f1))" >&2
