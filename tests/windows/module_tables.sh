#!/usr/bin/env bash
# Reads a PE module's headers, export table and import table with objdump -p and compares their gist with
# the expected list: module_tables.sh OBJDUMP MODULE EXPECTED
set -euo pipefail
objdump=$1 module=$2 expected=$3

actual=$("$objdump" -p "$module" | awk '
  /file format/ { print "format " $NF }
  /^Magic/ { print "magic " $2 " " $3 }
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

if ! diff -u <(grep -v '^#' "$expected") <(printf '%s\n' "$actual"); then
  echo "module_tables: $module does not hold the expected headers, exports and imports" >&2
  exit 1
fi
echo "module_tables: $module holds exactly the expected exports and imports"
