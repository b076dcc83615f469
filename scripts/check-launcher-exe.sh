#!/usr/bin/env bash
# Checks the launcher a package ships: an i386 PE console program that needs no DLL
# beyond the system's own (it is linked statically: no MinGW runtime DLL goes with it).
#   check-launcher-exe.sh build-win32/bin/launcher.exe
set -euo pipefail
exe=${1:?the launcher.exe to check}
objdump=i686-w64-mingw32-objdump
headers=$("$objdump" -p "$exe" 2>&1) || true

if ! grep -q 'file format pei-i386' <<<"$headers"; then
  echo "check-launcher-exe: $exe is not an i386 PE program" >&2
  exit 1
fi
if ! grep -Eq 'Subsystem[[:space:]]+0*3[[:space:]]' <<<"$headers"; then
  echo "check-launcher-exe: $exe is not a console program" >&2
  exit 1
fi
system_dlls='^(kernel32|advapi32|shell32|user32|msvcrt)\.dll$'
status=0
while read -r dll; do
  if ! grep -Eqi "$system_dlls" <<<"$dll"; then
    echo "check-launcher-exe: $exe needs $dll, which is no system DLL" >&2
    status=1
  fi
done < <(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers")
if ((status == 0)); then
  echo "$exe: i386 PE, imports $(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
fi
exit $status
