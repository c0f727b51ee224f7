#!/usr/bin/env bash
# Checks the built library: exactly the twelve undecorated exports, 32-bit PE,
# and only system DLLs imported (no socket library, no compiler runtime DLL).
set -euo pipefail
dll=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
dump=$($objdump -p "$dll")
fail=0
grep -q "file format pei-i386" <<<"$dump" || { echo "check: $dll is not a 32-bit PE"; fail=1; }
exports=$(echo "$dump" | sed -n '/Ordinal.Name Pointer/,/^$/p' | grep -E '^[[:space:]]+\[' | awk '{print $NF}' | sort | tr '\n' ' ')
want="NETAvailable NETBrowse NETBrowseDirectory NETClean NETCloseBrowseDirectory NETInit NETOpen NETOptions NETRetrieveFile NETSaveAs NETStoreFile NETStoreMultipleFiles "
if [ "$exports" != "$want" ]; then echo "check: exports are: $exports"; fail=1; fi
imports=$(echo "$dump" | grep 'DLL Name:' | awk '{print tolower($3)}' | sort -u | tr '\n' ' ')
for dllname in $imports; do
  case $dllname in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|msvcrt.dll|comctl32.dll|shell32.dll) ;;
    *) echo "check: unexpected import $dllname"; fail=1 ;;
  esac
done
[ $fail = 0 ] && echo "check: $(basename "$dll"): 12 undecorated exports; imports: $imports"
exit $fail
