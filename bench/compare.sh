#!/usr/bin/env bash
# The figures of docs/performance.md: whole-process times of zorbin-bench against find on one tree,
# warm cache, median of five runs each (after one unmeasured run that warms the cache).
#   bench/compare.sh DIR [ZORBIN_BENCH]     (RUNS=n changes the number of runs)
# A DIR that does not exist is made first as the 100,000-file tree of bench/mktree.py.
# Wall-clock time is the figure; processor time (user + system) is printed beside it, since on a
# machine that other work keeps busy the wall clock says more about the others than about the walk.
set -euo pipefail
dir=${1:?usage: bench/compare.sh DIR [path/to/zorbin-bench]}
bench=${2:-$(dirname "$0")/../build/zorbin-bench}
runs=${RUNS:-5}
[ -x "$bench" ] || { echo "no zorbin-bench at $bench: build first (scripts/test.sh)" >&2; exit 1; }
[ -d "$dir" ] || python3 "$(dirname "$0")/mktree.py" "$dir" --files 100000 >/dev/null

zorbin_scan()  { "$bench" scan "$dir" > /dev/null 2>&1; }
zorbin_count() { "$bench" count "$dir" > /dev/null 2>&1; }
find_printf()  { find "$dir" -printf '%p\t%f\t%s\t%T@\t%A@\n' > /dev/null 2>&1; }
find_count()   { find "$dir" 2>/dev/null | wc -l > /dev/null; }

# "wall cpu" medians, in seconds, of a whole process started fresh each run.
medians() {
  "$@"
  local i times TIMEFORMAT='%R %U %S'
  times=$(for ((i = 0; i < runs; i++)); do { time "$@"; } 2>&1; done)
  echo "$(awk '{ print $1 }' <<< "$times" | median) $(awk '{ print $2 + $3 }' <<< "$times" | median)"
}
median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'; }

echo "tree: $dir ($("$bench" count "$dir" | head -2 | tr '\n' ' '))"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
read -r scan_w scan_c < <(medians zorbin_scan)
read -r printf_w printf_c < <(medians find_printf)
read -r count_w count_c < <(medians zorbin_count)
read -r list_w list_c < <(medians find_count)
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
awk -v sw="$scan_w" -v sc="$scan_c" -v pw="$printf_w" -v pc="$printf_c" \
    -v cw="$count_w" -v cc="$count_c" -v lw="$list_w" -v lc="$list_c" -v n="$runs" 'BEGIN {
  printf "median of %d runs, seconds         wall     cpu\n", n
  printf "  zorbin-bench scan            %8.3f %7.3f\n", sw, sc
  printf "  find -printf                 %8.3f %7.3f\n", pw, pc
  printf "  zorbin-bench count           %8.3f %7.3f\n", cw, cc
  printf "  find | wc -l                 %8.3f %7.3f\n", lw, lc
  printf "scan / find -printf            %8.2f %7.2f   (goal: 0.6 or less on a million files)\n", sw / pw, sc / pc
  printf "count / find | wc -l           %8.2f %7.2f   (goal: 0.5 or less on a million files)\n", cw / lw, cc / lc
}'
