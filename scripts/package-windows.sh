#!/usr/bin/env bash
# Builds the Windows programs (Release, mingw-w64) into build-windows-release/
# (extra CMake arguments pass through) and makes
# build/quorvafix-VERSION-windows-x86_64.zip with CPack's ZIP generator, then
# checks it: the files it must hold, and programs that need no DLL beyond
# Windows' own.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-windows-release
cmake -S . -B "$dir" -G Ninja --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DQUORVAFIX_BUILD_TESTS=OFF "$@" >/dev/null
cmake --build "$dir" --parallel "$(nproc)"
rm -f "$dir"/quorvafix-*-windows-x86_64.zip
(cd "$dir" && cpack -G ZIP >/dev/null)
mkdir -p build
zip=$(ls "$dir"/quorvafix-*-windows-x86_64.zip)
mv "$zip" build/
zip=build/$(basename "$zip")
top=$(basename "$zip" .zip)
listing=$(python3 -c 'import sys, zipfile; print("\n".join(zipfile.ZipFile(sys.argv[1]).namelist()))' "$zip")
status=0
for member in quorvafix-cli.exe quorvafix.exe README.md LICENSE guide.md examples/quorva-driver.reg \
  examples/healthy.reg examples/disabled-lowercase.reg; do
  grep -qx "$top/$member" <<<"$listing" || { echo "package-windows.sh: $zip lacks $member" >&2; status=1; }
done
# Windows' own DLLs only: the C runtime and the system's API sets.
for program in $(find "$dir" -maxdepth 2 -name "quorvafix*.exe"); do
  x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\s*DLL Name: //p' | while read -r dll; do
    case ${dll,,} in
      kernel32.dll | user32.dll | gdi32.dll | comdlg32.dll | shell32.dll | advapi32.dll | \
        msvcrt.dll | ole32.dll | oleaut32.dll | oleacc.dll | comctl32.dll | api-ms-win-*) ;;
      *) echo "package-windows.sh: $(basename "$program") needs $dll" >&2; exit 1 ;;
    esac
  done || status=1
done
[ $status -eq 0 ] && echo "$zip"
exit $status
