#!/usr/bin/env bash
# Rows per second of the batch tool on one core, over a generated batch that
# mixes all five sections with rejected and malformed rows.
# Usage: bench/cli_throughput.sh [path/to/vardenix-cli] [rows] [tool options...]
# (for example: bench/cli_throughput.sh build-release/bin/vardenix-cli 1000000 --geometry exact)
set -euo pipefail

tool=${1:-build/bin/vardenix-cli}
rows=${2:-1000000}
shift $(( $# < 2 ? $# : 2 ))
if [[ ! -x $tool ]]; then
  echo "no executable at $tool" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A fixed seed keeps runs comparable.
awk -v rows="$rows" 'BEGIN {
  srand(1)
  print "type,Q,R,b,W,s1,s2,wall,angle"
  for (i = 0; i < rows; i++) {
    q = sprintf("%.4g", 0.5 + rand() * 40)
    k = i % 12
    if (k == 0) printf "1,%s,%.3g,,,,,,\n", q, 0.5 + rand() * 3
    else if (k == 1) printf "2,%s,,%.3g,,,,,\n", q, 1 + rand() * 10
    else if (k == 2) printf "3,%s,,,%.3g,1,%.2g,,\n", q, 1 + rand() * 10, 0.5 + rand() * 2
    else if (k == 3) printf "4,%s,,,,1,%.2g,,\n", q, 0.5 + rand() * 2
    else if (k == 4) printf "5,%s,,3,,,,2,180\n", q
    else if (k == 5) printf "5,%s,,%.3g,,,,%.3g,%.3g\n", q, 2 + rand() * 3, 1 + rand() * 2, 60 + rand() * 120
    else if (k == 6) printf "2,,,5,,,,,\n"
    else if (k == 7) printf "3,%s,,,,1,1,,\n", q
    else if (k == 8) printf "\"2\",\"%s\",,\" 5\",,,,,\n", q
    else if (k == 9) printf "2,%s,,3m,,,,,\n", q
    else if (k == 10) printf "7,%s,,4,,,,,\n", q
    else printf "x,%s,,4,,,,,\n", q
  }
}' > "$work/batch.csv"

pin=()
if command -v taskset > /dev/null; then pin=(taskset -c 0); fi

status=0
start=$(date +%s%N)
"${pin[@]}" "$tool" "$@" "$work/batch.csv" > "$work/out.csv" 2> "$work/err.txt" || status=$?
end=$(date +%s%N)

# Status 1 is expected: the batch holds malformed rows on purpose.
if (( status > 1 )); then
  echo "vardenix-cli ended with status $status" >&2
  head -5 "$work/err.txt" >&2
  exit 1
fi
lines=$(wc -l < "$work/out.csv")
if (( lines != rows + 1 )); then
  echo "expected $((rows + 1)) output lines, got $lines" >&2
  exit 1
fi
awk -v rows="$rows" -v ns="$((end - start))" \
  'BEGIN { printf "%d rows in %.2f s: %.0f rows/s\n", rows, ns / 1e9, rows / (ns / 1e9) }'
