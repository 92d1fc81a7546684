#!/usr/bin/env bash
# Peak resident memory of the batch tool over a generated batch that never
# touches the disk: rows go straight from the generator into a pipe.
# Usage: bench/cli_peak_memory.sh [path/to/vardenix-cli] [rows] [tool options...]
# (for example: bench/cli_peak_memory.sh build-release/bin/vardenix-cli 10000000 --geometry exact)
set -euo pipefail

tool=${1:-build/bin/vardenix-cli}
rows=${2:-10000000}
shift $(( $# < 2 ? $# : 2 ))
if [[ ! -x $tool ]]; then
  echo "no executable at $tool" >&2
  exit 2
fi
if [[ ! -x /usr/bin/time ]]; then
  echo "needs GNU time (/usr/bin/time)" >&2
  exit 2
fi

report=$(mktemp)
trap 'rm -f "$report"' EXIT
status=0
awk -v rows="$rows" 'BEGIN {
  print "type,Q,R,b,W,s1,s2,wall,angle,n,S0,h"
  for (i = 0; i < rows; i++) {
    k = i % 5
    if (k == 0) print "1,2.5,1.2,,,,,,,0.013,0.002,0.6"
    else if (k == 1) print "2,10,,5,,,,,,0.014,0.001,0.5"
    else if (k == 2) print "3,10,,4,,1,1.5,,,0.02,0.0005,1.2"
    else if (k == 3) print "4,3,,,,1,2,,,0.015,0.01,0.3"
    else print "5,12,,3,,,,2,120,0.013,0.003,1.1"
  }
}' | /usr/bin/time -f "%M %e" -o "$report" "$tool" "$@" > /dev/null 2>&1 || status=$?
if (( status > 1 )); then
  echo "vardenix-cli ended with status $status" >&2
  exit 1
fi
# GNU time puts a line about a non-zero status first.
read -r kib seconds < <(tail -n 1 "$report")
echo "$rows rows in $seconds s, peak resident memory $kib KiB"
