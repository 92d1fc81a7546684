#!/usr/bin/env bash
# Start-up time (exec to the first window mapped) and peak memory of the
# calculation window beside a one-label Qt window, the toolkit's floor.
# Usage: bench/startup/run.sh [build dir] [runs]
# (for example: bench/startup/run.sh build-release 15, after building the
# targets plain_label, startup_probe, vardenix and skinz in build-release)
set -euo pipefail

build=${1:-build}
runs=${2:-15}
probe=$build/bin/startup_probe
floor=$build/bin/plain_label
program=$build/bin/vardenix
max_ratio=1.3
max_mb=45

if (( runs < 10 )); then
  echo "at least 10 runs, not $runs" >&2
  exit 2
fi
for exe in "$probe" "$floor" "$program"; do
  if [[ ! -x $exe ]]; then
    echo "no executable at $exe" >&2
    exit 2
  fi
done

# Without the skins the program falls back to its built-in pictures and
# reads no GIF at start.
if [[ ! -d $build/bin/Skinz ]]; then
  echo "note: no $build/bin/Skinz, so the skin's pictures are not read" >&2
fi

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  if [[ -n $xvfb_pid ]]; then
    kill "$xvfb_pid" 2> /dev/null || true
    wait "$xvfb_pid" 2> /dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
  [[ -s $work/display ]] && break
  kill -0 "$xvfb_pid" 2> /dev/null || break
  sleep 0.05
done
if [[ ! -s $work/display ]]; then
  echo "Xvfb did not start" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi

# A clean environment: fresh settings, no session bus (so no accessibility
# bus), and no window manager, which the probe relies on.
mkdir -m 700 "$work/config" "$work/runtime"
run_env=(env -i "HOME=$HOME" "PATH=$PATH" LANG=C.UTF-8
  "DISPLAY=:$(< "$work/display")" QT_QPA_PLATFORM=xcb
  "XDG_CONFIG_HOME=$work/config" "XDG_RUNTIME_DIR=$work/runtime"
  "DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus")

measure() {  # name executable: appends "ms MB" to $work/name
  "${run_env[@]}" "$probe" "$2" >> "$work/$1" 2>> "$work/$1.log" || {
    echo "measuring $2 failed:" >&2
    tail -5 "$work/$1.log" >&2
    exit 1
  }
}

# The first run of each warms the file cache and the font cache; it is not counted.
measure warmup "$floor"
measure warmup "$program"
for _ in $(seq "$runs"); do
  measure floor "$floor"
  measure program "$program"
done

median() {  # file column
  cut -d' ' -f"$2" "$1" | sort -g | awk '{ v[NR] = $1 }
    END { print (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

floor_ms=$(median "$work/floor" 1)
floor_mb=$(median "$work/floor" 2)
program_ms=$(median "$work/program" 1)
program_mb=$(median "$work/program" 2)
echo "median of $runs runs each, exec to first window mapped"
awk -v fms="$floor_ms" -v fmb="$floor_mb" -v pms="$program_ms" -v pmb="$program_mb" \
  -v max_ratio="$max_ratio" -v max_mb="$max_mb" 'BEGIN {
  printf "%-12s %9s %9s %7s  %s\n", "program", "ms", "peak MB", "ratio", "result"
  printf "%-12s %9.1f %9.1f %7.2f  %s\n", "plain_label", fms, fmb, 1, "floor"
  ratio = pms / fms
  verdict = (ratio <= max_ratio ? "PASS" : "FAIL") " time (<= " max_ratio "x), " \
    (pmb < max_mb ? "PASS" : "FAIL") " memory (< " max_mb " MB)"
  printf "%-12s %9.1f %9.1f %7.2f  %s\n", "vardenix", pms, pmb, ratio, verdict
}'
