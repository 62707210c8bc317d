#!/usr/bin/env bash
# Reads a PE file's headers, export table and import table with objdump -p and compares their gist with
# the expected list: module_tables.sh OBJDUMP MODULE EXPECTED BITS. An expected line "import DLL *" allows
# any functions from that DLL (a program's C runtime and system calls), as long as it is imported at all.
# @FORMAT@ and @MAGIC@ in the list stand for the file format and optional-header magic of BITS (32 or 64).
# A KERNEL32.dll GetTickCount import is named even under "import KERNEL32.dll *": a program that links
# the engine must not bind the engine's clock to KERNEL32's.
set -euo pipefail
objdump=$1 module=$2 expected=$3 bits=$4
case $bits in
  32) format=pei-i386 magic="010b (PE32)" ;;
  64) format=pei-x86-64 magic="020b (PE32+)" ;;
  *) echo "module_tables: BITS is 32 or 64, not '$bits'" >&2; exit 2 ;;
esac

actual=$("$objdump" -p "$module" | awk '
  /file format/ { print "format " $NF }
  /^Magic/ { print "magic " $2 " " $3 }
  /^Subsystem/ { print "subsystem " $2 + 0 " " $3 " " $4 }
  /^\tDLL$/ { print "dll" }
  /^Name[ \t]/ && exports { print "module " $NF }
  /^The Export Tables/ { exports = 1 }
  /^\tDLL Name:/ { dll = $3; next }
  dll != "" && /^\t[0-9a-f]+\t/ { print "import " dll " " $NF }
  /^$/ { dll = "" }
  /^\t\[ *[0-9]+\] \+base\[ *[0-9]+\] [0-9a-f]+ Export RVA$/ {
    gsub(/[][]/, " "); address[$1] = $4
  }
  /^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
  names && /^\t\[ *[0-9]+\] / { gsub(/[][]/, " "); entry[$1] = $2; next }
  names && /^$/ { names = 0 }
  END {
    # One line per routine with every name it is exported under, the names in order.
    n = 0
    for (i in entry) order[++n] = entry[i] SUBSEP i
    for (j = 2; j <= n; j++)
      for (k = j; k > 1 && order[k] < order[k - 1]; k--) { t = order[k]; order[k] = order[k - 1]; order[k - 1] = t }
    for (j = 1; j <= n; j++) { split(order[j], part, SUBSEP); a = address[part[2]]; shared[a] = shared[a] " " part[1] }
    for (a in shared) print "entry" shared[a]
  }' | LC_ALL=C sort)

wildcards=$(awk '$1 == "import" && $3 == "*" { print $2 }' "$expected")
if [ -n "$wildcards" ]; then
  actual=$(printf '%s\n' "$actual" | awk -v dlls="$wildcards" '
    BEGIN { n = split(dlls, list, "\n"); for (i = 1; i <= n; i++) any[list[i]] = 1 }
    $1 == "import" && ($2 in any) && !($2 == "KERNEL32.dll" && $3 == "GetTickCount") { print "import " $2 " *"; next }
    { print }' | LC_ALL=C sort -u)
fi

if ! diff -u <(grep -v '^#' "$expected" | sed "s/@FORMAT@/$format/; s/@MAGIC@/$magic/") <(printf '%s\n' "$actual"); then
  echo "module_tables: $module does not hold the expected headers, exports and imports" >&2
  exit 1
fi
echo "module_tables: $module holds exactly the expected exports and imports"
