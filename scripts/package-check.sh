#!/usr/bin/env bash
# Builds the Debian package from a Release build in build-pkg/, installs it
# with apt-get, checks the installed program, then removes it and checks that
# nothing it installed is left. It installs and removes a system package, so
# it is meant for CI and throw-away machines; it refuses to touch a
# zem-config package that was installed before it ran.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
apt_install() {
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$@" >/dev/null
}
fail() {
  echo "package-check: $*" >&2
  exit 1
}

if dpkg-query -W -f='${Status}' zem-config 2>/dev/null | grep -q "install ok installed"; then
  fail "a zem-config package is already installed; remove it first"
fi

scripts/deps.sh
# xdg-mime answers from the shared MIME database outside a desktop session
# only through File::MimeInfo's mimetype (libfile-mimeinfo-perl).
tools=(dpkg-dev file desktop-file-utils appstream man-db xdg-utils shared-mime-info libfile-mimeinfo-perl)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  "${sudo_cmd[@]}" apt-get update -qq
  apt_install "${missing[@]}"
fi

# The package: a Release build of what is installed, warnings as errors.
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S . -B build-pkg -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DZEM_BENCH=OFF \
  -DZEM_WERROR=ON "${launcher[@]}" >/dev/null
cmake --build build-pkg -j "$(nproc)"
rm -f build-pkg/zem-config_*.deb
(cd build-pkg && cpack -G DEB >/dev/null)
debs=(build-pkg/zem-config_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || fail "cpack made no package"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build-pkg/CMakeCache.txt)
echo "package-check: $deb ($(du -k "$deb" | cut -f1) KiB, version $version)"
dpkg-deb --field "$deb" Version | grep -qx "$version" || fail "package version is not $version"
dpkg-deb --field "$deb" Depends | grep -q "fonts-liberation2" || fail "no dependency on fonts-liberation2"
dpkg-deb --field "$deb" Depends | grep -q "libqt6widgets6" || fail "dpkg-shlibdeps found no Qt dependency"

DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "./$deb" >/dev/null
installed=$(dpkg-query -L zem-config | sort)

# Every executable answers with the version, without a display.
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY zem-config --version)" = "ZEM Configuration $version" ] ||
  fail "zem-config --version"
[ "$(zemctl --version)" = "zemctl $version" ] || fail "zemctl --version"
[ "$(zem-unit-sim --version)" = "zem-unit-sim $version" ] || fail "zem-unit-sim --version"
zemctl check /usr/share/doc/zem-config/examples/full-16x192.zem >/dev/null || fail "zemctl check of the installed example"
# The sheet needs no display: the offscreen platform and a font come with the package.
sheet_dir=$(mktemp -d)
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM zemctl sheet /usr/share/doc/zem-config/examples/full-16x192.zem \
  -o "$sheet_dir/sheet.pdf" 2>/dev/null && [ -s "$sheet_dir/sheet.pdf" ] || fail "zemctl sheet of the installed example"
rm -rf "$sheet_dir"

# The window starts (off screen) and keeps running until it is stopped.
status=0
QT_QPA_PLATFORM=offscreen timeout 5 zem-config >/dev/null 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "zem-config ended with status $status instead of running"

# An installed program keeps quick EQ files in the user's data folder, for a
# user and for root alike, never in /usr/bin.
home=$(mktemp -d)
chmod 755 "$home"
eq_line="Quick EQ files (*.eq) are kept in: $home/.local/share/ZEM Configuration"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody "$home"
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  eq_root=$(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_HOME HOME="$home" zem-config --help)
  echo "$eq_root" | grep -qxF "$eq_line" || fail "quick EQ folder of root: $eq_root"
fi
eq_user=$(env -u DISPLAY -u WAYLAND_DISPLAY -u XDG_DATA_HOME HOME="$home" "${as_user[@]}" zem-config --help)
echo "$eq_user" | grep -qxF "$eq_line" || fail "quick EQ folder of a user: $eq_user"
rm -rf "$home"

desktop-file-validate /usr/share/applications/org.zemconfig.ZemConfig.desktop
out=$(appstreamcli validate --no-net /usr/share/metainfo/org.zemconfig.ZemConfig.metainfo.xml) || fail "$out"
[ -f /usr/share/icons/hicolor/scalable/apps/org.zemconfig.ZemConfig.svg ] || fail "no icon"
[ -f /usr/share/bash-completion/completions/zemctl ] || fail "no bash completion"
bash -c 'source /usr/share/bash-completion/completions/zemctl && complete -p zemctl' >/dev/null ||
  fail "the bash completion does not load"
for page in zem-config zemctl zem-unit-sim; do
  man -w "$page" >/dev/null || fail "man cannot find $page"
  warnings=$(MANWIDTH=80 man --warnings "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man $page: $warnings"
done
[ -f /usr/share/doc/zem-config/copyright ] || fail "no copyright file"

# A *.zem file is of the program's type, the installed desktop entry opens
# it, and its Exec line imports it (the recent list in the settings names it).
entry=/usr/share/applications/org.zemconfig.ZemConfig.desktop
xdg=(env -u XDG_CURRENT_DESKTOP -u DESKTOP_SESSION -u KDE_FULL_SESSION -u GNOME_DESKTOP_SESSION_ID)
files=$(mktemp -d)
chmod 755 "$files"
cp /usr/share/doc/zem-config/examples/small-8x24.zem "$files/site.zem"
type=$("${xdg[@]}" xdg-mime query filetype "$files/site.zem")
[ "$type" = application/x-zem-config ] || fail "xdg-mime query filetype: $type"
default=$("${xdg[@]}" xdg-mime query default application/x-zem-config)
[ "$default" = "$(basename "$entry")" ] || fail "xdg-mime query default: $default"
exec_line=$(sed -n 's/^Exec=//p' "$entry")
read -ra command <<<"$exec_line"
for i in "${!command[@]}"; do
  [ "${command[$i]}" != "%f" ] || command[i]="$files/site.zem"
done
[[ " ${command[*]} " == *" $files/site.zem "* ]] || fail "the Exec line takes no file: $exec_line"
env -u ZEM_CONFIG_NO_SETTINGS -u DISPLAY -u WAYLAND_DISPLAY XDG_CONFIG_HOME="$files/config" \
  QT_QPA_PLATFORM=offscreen timeout 60 "${command[@]}" >/dev/null 2>&1 &
program=$!
opened=no
for _ in $(seq 120); do
  if grep -qF "$files/site.zem" "$files/config/zem-config/zem-config.conf" 2>/dev/null; then
    opened=yes
    break
  fi
  sleep 0.5
done
kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
[ "$opened" = yes ] || fail "the desktop entry's Exec line did not open $files/site.zem"
rm -rf "$files"

"${sudo_cmd[@]}" apt-get remove -y -qq zem-config >/dev/null
left=()
while read -r path; do
  if [ -f "$path" ] || [ -L "$path" ]; then left+=("$path"); fi
done <<<"$installed"
if [ -e /usr/share/doc/zem-config ]; then left+=(/usr/share/doc/zem-config); fi
# What the triggers made of the file type goes with it.
if [ -e /usr/share/mime/application/x-zem-config.xml ]; then left+=(/usr/share/mime/application/x-zem-config.xml); fi
if grep -qs x-zem-config /usr/share/applications/mimeinfo.cache; then
  left+=("x-zem-config in /usr/share/applications/mimeinfo.cache")
fi
((${#left[@]} == 0)) || fail "left behind after removal: ${left[*]}"
if dpkg-query -W -f='${Status}' zem-config 2>/dev/null | grep -q "install ok installed"; then
  fail "still installed"
fi
echo "package-check: installed, checked and removed $deb"
