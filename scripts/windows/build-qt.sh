#!/usr/bin/env bash
# Makes the Qt for Windows that scripts/windows/build.sh uses when the shared
# copy is not at hand: Qt 6.4.2 (qtbase + qtserialport) cross-built with
# Debian 12's MinGW-w64, qtbase from Debian's source package qt6-base (the
# exact version of Debian's host tools in qt6-base-dev-tools), qtserialport
# from Qt's 6.4.2 source tarball given as the first argument (default: the
# one in ../shared/windows). Run as root on Debian 12.
#   scripts/windows/build-qt.sh [qtserialport-6.4.2.tar.xz]
# About 1,150 build steps: 23.5 min on 2 cores. The result stays in
# /var/cache/zem-config/built/ (and as an archive beside it); the machine's
# apt configuration is left alone.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=scripts/windows/qt.env
. "$root/scripts/windows/qt.env"
serial=${1:-}
if [ -z "$serial" ]; then
  for dir in "$root/../shared/windows" "$root/../../shared/windows"; do
    [ -f "$dir/qtserialport-6.4.2.tar.xz" ] && serial=$dir/qtserialport-6.4.2.tar.xz && break
  done
fi
if [ -z "$serial" ] || [ "$(sha256sum "$serial" | cut -d' ' -f1)" != "$ZEM_QTSERIALPORT_SHA256" ]; then
  echo "build-qt: give qtserialport-6.4.2.tar.xz (sha256 $ZEM_QTSERIALPORT_SHA256)" >&2
  exit 2
fi
W=$ZEM_CACHE/qt-work
PREFIX=$ZEM_CACHE/built/$ZEM_QT_NAME
JOBS=${JOBS:-2}
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools cmake ninja-build \
  zstd dpkg-dev xz-utils >/dev/null
mkdir -p "$W/src" "$W/build" "$W/apt/lists/partial" "$W/apt/sources.list.d"
# Source entries made from the machine's own Debian entries, in an apt
# configuration of our own.
for f in /etc/apt/sources.list.d/*.sources; do
  [ -e "$f" ] && sed 's/^Types: deb$/Types: deb-src/' "$f" >"$W/apt/sources.list.d/$(basename "$f")"
done
if [ -f /etc/apt/sources.list ]; then
  sed -n 's/^deb /deb-src /p' /etc/apt/sources.list >"$W/apt/sources.list"
else
  : >"$W/apt/sources.list"
fi
APT=(-o Dir::Etc::sourcelist="$W/apt/sources.list" -o Dir::Etc::sourceparts="$W/apt/sources.list.d"
  -o Dir::State::Lists="$W/apt/lists")
apt-get "${APT[@]}" update -qq
cd "$W/src"
# dpkg-source applies Debian's patches.
[ -d qtbase ] || { apt-get "${APT[@]}" source -qq qt6-base=6.4.2+dfsg-10 && mv qt6-base-6.4.2+dfsg qtbase; }
[ -d qtserialport ] || { tar -xJf "$serial" && mv qtserialport-6.4.2 qtserialport; }
Q=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release
  -DCMAKE_INSTALL_PREFIX="$PREFIX" -DCMAKE_PREFIX_PATH="$PREFIX"
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF)
# INPUT_opengl/INPUT_ssl: the FEATURE_ switches alone leave dynamic GL and
# Schannel on, which break the build; Debian's repack has no wintab.
rm -rf "$PREFIX"
cmake -S qtbase -B "$W/build/qtbase" "${Q[@]}" \
  -DINPUT_opengl=no -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_vulkan=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_jpeg=OFF -DFEATURE_zstd=OFF \
  -DFEATURE_tabletevent=OFF -DFEATURE_direct2d=OFF -DFEATURE_directwrite=OFF \
  -DINPUT_ssl=no -DFEATURE_pkg_config=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_textmarkdownreader=OFF
cmake --build "$W/build/qtbase" -j "$JOBS"
cmake --install "$W/build/qtbase"
cmake -S qtserialport -B "$W/build/qtserialport" "${Q[@]}"
cmake --build "$W/build/qtserialport" -j "$JOBS"
cmake --install "$W/build/qtserialport"
touch "$PREFIX/.zem-built"
tar -C "$ZEM_CACHE/built" -cf - "$ZEM_QT_NAME" | zstd -19 -T0 -q -f -o "$ZEM_CACHE/built/$ZEM_QT_NAME.tar.zst"
echo "build-qt: $PREFIX ($(sha256sum "$ZEM_CACHE/built/$ZEM_QT_NAME.tar.zst" | cut -d' ' -f1))"
