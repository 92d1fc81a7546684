#!/usr/bin/env bash
# Water-surface profiles per CPU second of vardenix-cli --profile on one core,
# over a generated batch of all five sections on mild, steep, flat and
# adverse beds, every row asking for 10 stations with exact distances.
# Usage: bench/profile_throughput.sh [--ends h2|L|both] [path/to/vardenix-cli] [rows] [steps]
#   --ends h2    every row gives the end depth h2 (equal steps of depth)
#   --ends L     every row gives the reach length L (equal steps of distance,
#                each station's depth found from the exact integral)
#   --ends both  alternate rows (the default)
# (for example: bench/profile_throughput.sh build-release/bin/vardenix-cli 100000)
set -euo pipefail

ends=both
if [[ ${1:-} == --ends ]]; then
  ends=$2
  shift 2
fi
tool=${1:-build/bin/vardenix-cli}
rows=${2:-100000}
steps=${3:-10}
if [[ ! -x $tool ]]; then
  echo "no executable at $tool" >&2
  exit 2
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A fixed seed keeps runs comparable. The control depth lies anywhere from a
# fifth to three times a depth of the size of the section; the end depth
# 20 % on either side of it, so that some ends lie beyond a normal or
# critical depth and are answered with their reason, as in real batches.
awk -v rows="$rows" -v ends="$ends" -v steps="$steps" 'BEGIN {
  srand(1)
  print "type,Q,R,b,s1,s2,wall,angle,n,S0,h1,h2,L,steps"
  for (i = 0; i < rows; i++) {
    q = sprintf("%.4g", 0.5 + rand() * 40)
    k = i % 5
    if (k == 0) { sec = sprintf("1,%s,%.3g,,,,,", q, 1 + rand() * 2); size = 1.5 }
    else if (k == 1) { sec = sprintf("2,%s,,%.3g,,,,", q, 2 + rand() * 8); size = 1.5 }
    else if (k == 2) { sec = sprintf("3,%s,,%.3g,1,%.2g,,", q, 2 + rand() * 8, 0.5 + rand() * 2); size = 1.5 }
    else if (k == 3) { sec = sprintf("4,%s,,,1,%.2g,,", q, 0.5 + rand() * 2); size = 2 }
    else { sec = sprintf("5,%s,,%.3g,,,%.3g,%.3g", q, 3 + rand() * 3, 2 + rand() * 2, 90 + rand() * 90); size = 2 }
    n = sprintf("%.3g", 0.011 + rand() * 0.02)
    c = int(i / 5) % 4
    if (c == 0) s = sprintf("%.3g", 0.0002 + rand() * 0.002)
    else if (c == 1) s = sprintf("%.3g", 0.01 + rand() * 0.03)
    else if (c == 2) s = "0"
    else s = sprintf("%.3g", -0.0002 - rand() * 0.002)
    h1 = size * (0.2 + rand() * (k == 0 ? 1.1 : 2.8))
    byL = ends == "L" || (ends == "both" && i % 2 == 1)
    h2 = byL ? "" : sprintf("%.4g", h1 * (rand() < 0.5 ? 0.8 : 1.2))
    L = byL ? sprintf("%.4g", 10 + rand() * 500) : ""
    printf "%s,%s,%s,%.4g,%s,%s,%d\n", sec, n, s, h1, h2, L, steps
  }
}' > "$work/batch.csv"

pin=()
if command -v taskset > /dev/null; then pin=(taskset -c 0); fi
# On a shared machine the wall time includes waiting for the core; the
# tool's own CPU time tells what it costs.
if [[ -x /usr/bin/time ]]; then pin+=(/usr/bin/time -f "%U %S %M" -o "$work/cpu"); fi

status=0
start=$(date +%s%N)
"${pin[@]}" "$tool" --profile "$work/batch.csv" > "$work/out.csv" 2> "$work/err.txt" || status=$?
end=$(date +%s%N)
if (( status > 1 )); then
  echo "vardenix-cli ended with status $status" >&2
  head -5 "$work/err.txt" >&2
  exit 1
fi

# Lines with a distance are stations; a row's lines share its number.
read -r profiled stations < <(awk -F, 'NR > 1 && $3 != "" { s++; if (!($1 in seen)) { seen[$1]; p++ } }
  END { print p + 0, s + 0 }' "$work/out.csv")
full=$(awk -F, -v want=$((steps + 1)) 'NR > 1 && $3 != "" { c[$1]++ } END { for (r in c) if (c[r] == want) f++; print f + 0 }' "$work/out.csv")
echo "$rows rows ($ends): $profiled profiles, $full of them with all $((steps + 1)) stations, $stations stations"
awk -v rows="$rows" -v ns="$((end - start))" 'BEGIN { printf "wall time %.2f s: %.0f rows/s\n", ns / 1e9, rows / (ns / 1e9) }'
if [[ -s $work/cpu ]]; then
  read -r user system peak < <(tail -n 1 "$work/cpu")
  awk -v rows="$rows" -v p="$profiled" -v s="$stations" -v user="$user" -v sys="$system" -v peak="$peak" 'BEGIN {
    cpu = user + sys
    if (cpu > 0) printf "CPU time %.2f s: %.0f rows, %.0f profiles, %.0f stations per CPU second; peak memory %d KiB\n",
                        cpu, rows / cpu, p / cpu, s / cpu, peak
  }'
fi
