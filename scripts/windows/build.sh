#!/usr/bin/env bash
# Cross-builds zem-config.exe, zemctl.exe and zem-unit-sim.exe for 64-bit
# Windows (Release) in build-win/, and gathers them with what they load in
# build-win/dist/zem-config-VERSION/ (the runnable folder). With --package it
# also makes the installer and the portable ZIP (scripts/windows/package.sh).
#
# The Qt for Windows comes, in this order, from the shared folder
# (../shared/windows beside the checkout, or ZEM_QT_SHARED_DIR) when the
# archive's checksum matches, or from what scripts/windows/build-qt.sh left
# in /var/cache/zem-config/. Without either it says so and exits with 77, so
# CI can skip the Windows part; it never downloads or builds Qt itself.
#   scripts/windows/build.sh [--package] [--tests] [target...]
# --tests also configures the test suites (scripts/windows/test.sh uses it);
# targets, when given, are built instead of everything.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=scripts/windows/qt.env
. "$root/scripts/windows/qt.env"
package=0 tests=OFF targets=()
for a in "$@"; do
  case $a in
    --package) package=1 ;;
    --tests) tests=ON ;;
    *) targets+=("$a") ;;
  esac
done

say() { printf 'windows build: %s\n' "$*" >&2; }

# What the cross-build needs, from Debian's packages.
need=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 qt6-base-dev-tools
  cmake ninja-build zstd)
((package)) && need+=(nsis zip)
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  say "installing ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# The Qt for Windows.
find_qt() {
  local dir archive sum unpacked
  for dir in ${ZEM_QT_SHARED_DIR:-} "$root/../shared/windows" "$root/../../shared/windows"; do
    archive=$dir/$ZEM_QT_NAME.tar.zst
    [ -f "$archive" ] || continue
    unpacked=$ZEM_CACHE/shared/$ZEM_QT_NAME
    # Unpacked once per archive: the stamp holds the checksum it came from.
    if [ -f "$unpacked/.zem-sha256" ] && [ "$(cat "$unpacked/.zem-sha256")" = "$ZEM_QT_ARCHIVE_SHA256" ] &&
      [ "$archive" -ot "$unpacked/.zem-sha256" ]; then
      echo "$unpacked"
      return 0
    fi
    sum=$(sha256sum "$archive" | cut -d' ' -f1)
    if [ "$sum" != "$ZEM_QT_ARCHIVE_SHA256" ]; then
      say "$archive has checksum $sum, not $ZEM_QT_ARCHIVE_SHA256: not used"
      continue
    fi
    rm -rf "$unpacked" && mkdir -p "$ZEM_CACHE/shared"
    zstd -dc "$archive" | tar -xf - -C "$ZEM_CACHE/shared"
    echo "$sum" >"$unpacked/.zem-sha256"
    echo "$unpacked"
    return 0
  done
  if [ -f "$ZEM_CACHE/built/$ZEM_QT_NAME/.zem-built" ]; then
    echo "$ZEM_CACHE/built/$ZEM_QT_NAME"
    return 0
  fi
  return 1
}
if ! qt=$(find_qt); then
  say "************************************************************************"
  say "NO QT FOR WINDOWS: neither $ZEM_QT_NAME.tar.zst with checksum"
  say "$ZEM_QT_ARCHIVE_SHA256 in ../shared/windows (or ZEM_QT_SHARED_DIR),"
  say "nor a copy made by scripts/windows/build-qt.sh in $ZEM_CACHE/built."
  say "Nothing built for Windows."
  say "************************************************************************"
  exit "$ZEM_EXIT_NO_QT"
fi
say "Qt for Windows: $qt"

cd "$root"
options=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DBUILD_TESTING="$tests" -DZEM_BENCH=OFF)
command -v ccache >/dev/null && options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# shellcheck disable=SC2206 # options are words on purpose
options+=(${ZEM_CMAKE_OPTIONS:-})
cmake -S . -B build-win "${options[@]}" >/dev/null
jobs=${ZEM_JOBS:-2}
if ((${#targets[@]})); then
  cmake --build build-win -j "$jobs" --target "${targets[@]}"
else
  cmake --build build-win -j "$jobs" --target zem-config zemctl zem-unit-sim
fi
echo "$qt" >build-win/qt-prefix.txt
[ -f build-win/zem-config.exe ] || [ -f build-win/src/app/zem-config.exe ] || exit 0
"$root/scripts/windows/gather.sh" build-win "$qt"
((package)) && "$root/scripts/windows/package.sh" build-win
exit 0
