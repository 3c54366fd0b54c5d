#!/usr/bin/env bash
# Only system libraries in the import tables: a program started from a downloads folder must
# not pull in a DLL planted beside it. Reads each file's import table with objdump -p and fails
# on any library outside the list below (all taken from System32, COMCTL32 through the manifest).
#   check-imports.sh OBJDUMP FILE...
set -uo pipefail
objdump=${1:?usage: check-imports.sh OBJDUMP FILE...}
shift
allowed=" advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll shell32.dll user32.dll "
status=0
for file in "$@"; do
  if [[ ! -f $file ]]; then
    echo "FAIL: $file is missing"; status=1; continue
  fi
  names=$("$objdump" -p "$file" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr -d '\r')
  if [[ -z $names ]]; then
    echo "FAIL: $file: no import table read"; status=1; continue
  fi
  while IFS= read -r name; do
    lower=${name,,}
    if [[ $allowed == *" $lower "* ]]; then
      echo "ok   $(basename "$file"): $name"
    else
      echo "FAIL $(basename "$file"): imports $name, which is not a system library of the allowed list"
      status=1
    fi
  done <<<"$names"
done
exit $status
