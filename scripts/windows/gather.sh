#!/usr/bin/env bash
# Gathers the runnable folder BUILD/dist/zem-config-VERSION/: the three
# programs, the Qt DLLs and plugins they load, the MinGW runtime, the
# licence notices, the examples. Then checks with objdump that every DLL any
# of them imports is there or is part of Windows.
#   scripts/windows/gather.sh BUILD QT_PREFIX
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1 qt=$2
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
dist=$build/dist/zem-config-$version
rm -rf "$dist"
mkdir -p "$dist/platforms" "$dist/styles" "$dist/examples" "$dist/licenses" "$dist/fonts"
for exe in zem-config zemctl zem-unit-sim; do
  x86_64-w64-mingw32-strip -o "$dist/$exe.exe" "$(find "$build/src" -name "$exe.exe" | head -1)"
done
for m in Core Gui Widgets Network PrintSupport SerialPort; do cp "$qt/bin/Qt6$m.dll" "$dist/"; done
# windows: the window; offscreen: zemctl sheet lays out its pages without a
# display. No TLS backend: nothing here speaks TLS.
cp "$qt/plugins/platforms/qwindows.dll" "$qt/plugins/platforms/qoffscreen.dll" "$dist/platforms/"
cp "$qt/plugins/styles/qwindowsvistastyle.dll" "$dist/styles/"
cp /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libstdc++-6.dll /usr/lib/gcc/x86_64-w64-mingw32/12-posix/libgcc_s_seh-1.dll \
  /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$dist/"
cp "$root/examples/"*.zem "$dist/examples/"
# The sheet's and the window's font, so that pages lay out as on Linux.
cp /usr/share/fonts/truetype/liberation2/LiberationSans-{Regular,Bold,Italic,BoldItalic}.ttf "$dist/fonts/"
cp /usr/share/doc/fonts-liberation2/copyright "$dist/licenses/LiberationSans-copyright.txt"
cp "$root/LICENSE" "$dist/licenses/LICENSE.txt"
cp "$root/scripts/windows/THIRD-PARTY.txt" "$dist/licenses/"
cp /usr/share/common-licenses/LGPL-3 "$dist/licenses/LGPL-3.txt"
cp /usr/share/common-licenses/GPL-3 "$dist/licenses/GPL-3.txt"
cp "$root/data/icons/zem-config.ico" "$dist/"

# Every DLL imported is in the folder or is one of Windows' own.
system_dlls=" advapi32.dll authz.dll comdlg32.dll crypt32.dll d3d9.dll d3d11.dll dwmapi.dll dwrite.dll dxgi.dll
 gdi32.dll imm32.dll iphlpapi.dll kernel32.dll msvcrt.dll mpr.dll netapi32.dll ntdll.dll ole32.dll oleaut32.dll
 setupapi.dll shell32.dll shlwapi.dll user32.dll userenv.dll uxtheme.dll version.dll winmm.dll winspool.drv
 ws2_32.dll wtsapi32.dll dnsapi.dll bcrypt.dll cfgmgr32.dll comctl32.dll shcore.dll secur32.dll winhttp.dll
 ncrypt.dll normaliz.dll "
system_dlls=" $(echo $system_dlls) "  # one line, a blank around each name
missing=0
while IFS= read -r -d '' f; do
  while read -r dll; do
    lower=${dll,,}
    [[ $lower == api-ms-win-* ]] && continue
    [[ $system_dlls == *" $lower "* ]] && continue
    if ! find "$dist" -maxdepth 1 -iname "$dll" | grep -q .; then
      echo "windows build: ${f#"$dist"/} needs $dll, which is not in the folder" >&2
      missing=1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p')
done < <(find "$dist" \( -name '*.exe' -o -name '*.dll' \) -print0)
((missing)) && exit 1
echo "windows build: runnable folder $dist ($(du -sh "$dist" | cut -f1))" >&2
