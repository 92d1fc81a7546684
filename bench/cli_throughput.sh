#!/usr/bin/env bash
# Rows per second of the batch tool on one core, over a generated batch that
# mixes all five sections with rejected and malformed rows.
# Usage: bench/cli_throughput.sh [--flow] [--pipe] [path/to/vardenix-cli] [rows] [tool options...]
#   --flow  the batch also has the exact form's n, S0 and h columns, filled on
#           most rows, so that every quantity of the toolkit is computed
#   --pipe  the tool reads its standard input from a pipe instead of the file,
#           where it flushes its answers whenever it waits for input
# (for example: bench/cli_throughput.sh --flow build-release/bin/vardenix-cli 1000000 --geometry exact)
set -euo pipefail

flow=0
pipe=0
while [[ ${1:-} == --flow || ${1:-} == --pipe ]]; do
  [[ $1 == --flow ]] && flow=1
  [[ $1 == --pipe ]] && pipe=1
  shift
done
tool=${1:-build/bin/vardenix-cli}
rows=${2:-1000000}
shift $(( $# < 2 ? $# : 2 ))
if [[ ! -x $tool ]]; then
  echo "no executable at $tool" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A fixed seed keeps runs comparable. With --flow, one row in twelve leaves a
# flow cell blank and one has text in it, as real batches do.
awk -v rows="$rows" -v flow="$flow" 'BEGIN {
  srand(1)
  printf "type,Q,R,b,W,s1,s2,wall,angle"
  if (flow) printf ",n,S0,h"
  printf "\n"
  for (i = 0; i < rows; i++) {
    q = sprintf("%.4g", 0.5 + rand() * 40)
    k = i % 12
    if (k == 0) line = sprintf("1,%s,%.3g,,,,,,", q, 0.5 + rand() * 3)
    else if (k == 1) line = sprintf("2,%s,,%.3g,,,,,", q, 1 + rand() * 10)
    else if (k == 2) line = sprintf("3,%s,,,%.3g,1,%.2g,,", q, 1 + rand() * 10, 0.5 + rand() * 2)
    else if (k == 3) line = sprintf("4,%s,,,,1,%.2g,,", q, 0.5 + rand() * 2)
    else if (k == 4) line = sprintf("5,%s,,3,,,,2,180", q)
    else if (k == 5) line = sprintf("5,%s,,%.3g,,,,%.3g,%.3g", q, 2 + rand() * 3, 1 + rand() * 2, 60 + rand() * 120)
    else if (k == 6) line = "2,,,5,,,,,"
    else if (k == 7) line = sprintf("3,%s,,,,1,1,,", q)
    else if (k == 8) line = sprintf("\"2\",\"%s\",,\" 5\",,,,,", q)
    else if (k == 9) line = sprintf("2,%s,,3m,,,,,", q)
    else if (k == 10) line = sprintf("7,%s,,4,,,,,", q)
    else line = sprintf("x,%s,,4,,,,,", q)
    if (flow) {
      n = sprintf("%.3g", 0.011 + rand() * 0.02)
      s = sprintf("%.3g", 0.0001 + rand() * 0.01)
      h = sprintf("%.3g", 0.1 + rand() * 2)
      if (i % 12 == 3) h = ""
      if (i % 12 == 9) s = "steep"
      line = line "," n "," s "," h
    }
    print line
  }
}' > "$work/batch.csv"

pin=()
if command -v taskset > /dev/null; then pin=(taskset -c 0); fi
# On a shared machine the wall time includes waiting for the core; the
# tool's own CPU time tells what it costs.
if [[ -x /usr/bin/time ]]; then pin+=(/usr/bin/time -f "%U %S" -o "$work/cpu"); fi

status=0
start=$(date +%s%N)
if (( pipe )); then
  cat "$work/batch.csv" | "${pin[@]}" "$tool" "$@" > "$work/out.csv" 2> "$work/err.txt" || status=$?
else
  "${pin[@]}" "$tool" "$@" "$work/batch.csv" > "$work/out.csv" 2> "$work/err.txt" || status=$?
fi
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
if [[ -s $work/cpu ]]; then
  read -r user system < <(tail -n 1 "$work/cpu")
  awk -v rows="$rows" -v user="$user" -v sys="$system" \
    'BEGIN { cpu = user + sys; if (cpu > 0) printf "CPU time %.2f s: %.0f rows per CPU second\n", cpu, rows / cpu }'
fi
