#!/usr/bin/env bash
# The figures of docs/performance.md: whole-process times of zorbin-bench against find on one tree,
# warm cache, median of five runs each (after one unmeasured run that warms the cache).
#   bench/compare.sh DIR [ZORBIN_BENCH]     (RUNS=n changes the number of runs)
set -euo pipefail
dir=${1:?usage: bench/compare.sh DIR [path/to/zorbin-bench]}
bench=${2:-$(dirname "$0")/../build/zorbin-bench}
runs=${RUNS:-5}
[ -x "$bench" ] || { echo "no zorbin-bench at $bench: build first (scripts/test.sh)" >&2; exit 1; }

zorbin_scan()  { "$bench" scan "$dir" > /dev/null; }
zorbin_count() { "$bench" count "$dir" > /dev/null; }
find_printf()  { find "$dir" -printf '%p\t%f\t%s\t%T@\t%A@\n' > /dev/null; }
find_count()   { find "$dir" | wc -l > /dev/null; }

# Median wall-clock seconds of a whole process, started fresh each run.
median_seconds() {
  "$@"
  local i start end
  for ((i = 0; i < runs; i++)); do
    start=$EPOCHREALTIME
    "$@"
    end=$EPOCHREALTIME
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.6f\n", b - a }'
  done | sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'
}

"$bench" scan "$dir" | tr '\n' ' '; echo
scan=$(median_seconds zorbin_scan)
printf_=$(median_seconds find_printf)
count=$(median_seconds zorbin_count)
list=$(median_seconds find_count)
awk -v s="$scan" -v p="$printf_" -v c="$count" -v l="$list" -v n="$runs" 'BEGIN {
  printf "median of %d runs, seconds\n", n
  printf "  zorbin-bench scan   %8.3f\n", s
  printf "  find -printf        %8.3f\n", p
  printf "  zorbin-bench count  %8.3f\n", c
  printf "  find | wc -l        %8.3f\n", l
  printf "scan / find -printf   %8.2f   (goal 0.6 or less on a million files)\n", s / p
  printf "count / find | wc -l  %8.2f   (goal 0.5 or less on a million files)\n", c / l
}'
