#!/usr/bin/env bash
# Every long operation of Zorbin beside a public tool doing the same on the same tree, in one run:
#   scan              zorbin-bench scan            find -printf of the same fields
#   count             zorbin-bench count           find | wc -l
#   open              zorbin-bench open            the Qt disk-usage browser qdirstat reading the tree
#   sort by a column  zorbin-bench sort            LC_ALL=C sort(1) of the same rows by the same field
#   Find Doubles, Find Files or Dirs (no peer)
# Each is run once to warm the cache, then RUNS times (default 5); the table shows medians of wall
# and processor seconds (user + system, all threads) and the ratio of Zorbin's to the peer's.
# Whole-process times for scan, count and the peers; the in-process seconds zorbin-bench prints for
# open, sort and the searches (they leave out start-up and the fill before a sort).
#
#   bench/compare.sh [--make N] DIR [ZORBIN_BENCH]
#     --make N   make DIR first with bench/mktree.py (N files, seed 1) when it does not exist
# qdirstat runs under a virtual X server (Xvfb); without qdirstat or Xvfb its rows say so.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
make_files=""
if [ "${1:-}" = "--make" ]; then make_files=$2; shift 2; fi
dir=${1:?usage: bench/compare.sh [--make N] DIR [path/to/zorbin-bench]}
bench=${2:-$here/../build/zorbin-bench}
runs=${RUNS:-5}
[ -x "$bench" ] || { echo "no zorbin-bench at $bench: build first (scripts/test.sh)" >&2; exit 1; }
if [ ! -d "$dir" ]; then
  [ -n "$make_files" ] || { echo "no tree at $dir: give --make N to make one" >&2; exit 1; }
  python3 "$here/mktree.py" "$dir" --files "$make_files" --seed 1 >/dev/null
fi
dir=$(cd "$dir" && pwd)

work=$(mktemp -d /tmp/zorbin-compare-XXXXXX)
xvfb_pid=""
cleanup() {
  [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
  rm -rf -- "$work"
}
trap cleanup EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR) printf "%.3f", v[int((NR + 1) / 2)]; else printf "nan" }'; }

# "wall cpu [peak]" medians of a probe that prints "wall cpu [peak]" once per run.
measure() {
  "$@" > /dev/null
  local i out=""
  for ((i = 0; i < runs; i++)); do out+="$("$@")"$'\n'; done
  local col result=""
  for col in 1 2 3; do
    local values
    values=$(awk -v c="$col" 'NF >= c { print $c }' <<< "$out")
    [ -n "$values" ] && result+="$(median <<< "$values") "
  done
  echo "$result"
}

# A whole process: wall and processor seconds of the command.
timed() {
  local TIMEFORMAT='%R %U %S' t
  t=$({ time "$@" > /dev/null 2>&1; } 2>&1)
  awk '{ printf "%s %.3f\n", $1, $2 + $3 }' <<< "$t"
}

# zorbin-bench's own figures: "... in X s, processor Y s" and, for open, its peak memory.
zorbin_open() {
  "$bench" open "$dir" 2>/dev/null | awk '
    / from the key / { wall = $5; cpu = $(NF - 1) }
    /peak \(VmHWM\)/ { peak = $4 }
    END { print wall, cpu, peak }'
}
zorbin_sort() {
  "$bench" sort "$1" "$dir" 2>/dev/null | awk '{ print $7, $10 }'
}
zorbin_search() {
  "$bench" "$@" "$dir" 2>/dev/null | awk '/ rows in / { for (i = 1; i < NF; i++) { if ($i == "in") w = $(i + 1); if ($i == "processor") c = $(i + 1) } print w, c }'
}

# qdirstat: from its start to its log's "Reading finished after N sec" (its own figure), its
# processor time and peak memory at that moment.
qdirstat_read() {
  local log=/tmp/qdirstat-$(id -un)/qdirstat.log
  rm -f "$log"
  DISPLAY=:$display qdirstat "$dir" > /dev/null 2>&1 &
  local pid=$! i line=""
  for ((i = 0; i < 6000; i++)); do
    line=$(grep -h "Reading finished after" "$log" 2>/dev/null || true)
    [ -n "$line" ] && break
    sleep 0.05
  done
  local ticks peak
  ticks=$(awk '{ print $14 + $15 }' "/proc/$pid/stat")
  peak=$(awk '/VmHWM/ { print $2 }' "/proc/$pid/status")
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
  awk -v l="$line" -v t="$ticks" -v hz="$(getconf CLK_TCK)" -v p="$peak" 'BEGIN {
    n = split(l, f, " "); printf "%s %.3f %.1f\n", f[n - 1], t / hz, p / 1000 }'
}

rows=$work/rows
"$bench" sort Name "$dir" --before "$rows" > /dev/null 2>&1
sort_peer() {
  # shellcheck disable=SC2086
  timed env LC_ALL=C sort -t $'\t' $1 "$rows"
}

echo "tree: $dir ($("$bench" count "$dir" | head -2 | tr '\n' ' ')), $runs runs each after a warm-up"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"
declare -A wall cpu peak
record() {  # name, then "wall cpu [peak]"
  local name=$1
  read -r w c p <<< "$2"
  wall[$name]=$w cpu[$name]=$c peak[$name]=${p:-}
}
record scan "$(measure timed "$bench" scan "$dir")"
record printf "$(measure timed find "$dir" -printf '%p\t%f\t%s\t%T@\t%A@\n')"
record count "$(measure timed "$bench" count "$dir")"
record wc "$(measure timed sh -c 'find "$1" | wc -l' sh "$dir")"
record open "$(measure zorbin_open)"
display=""
if command -v qdirstat > /dev/null && command -v Xvfb > /dev/null; then
  display=$((90 + RANDOM % 100))
  Xvfb ":$display" -screen 0 1280x960x24 > /dev/null 2>&1 &
  xvfb_pid=$!
  sleep 1
  record qdirstat "$(measure qdirstat_read)"
fi
record sortName "$(measure zorbin_sort Name)"
record peerName "$(measure sort_peer "-k2,2")"
record sortLength "$(measure zorbin_sort Length)"
record peerLength "$(measure sort_peer "-k4,4n")"
record sortModified "$(measure zorbin_sort Modified)"
record peerModified "$(measure sort_peer "-k6.7,6.10 -k6.4,6.5 -k6.1,6.2 -k6.12,6.19")"
record doubles "$(measure zorbin_search doubles)"
record find "$(measure zorbin_search find txt)"
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"

line() {  # label, zorbin's name, peer label, peer's name, goal
  local z=$2 p=$4
  if [ -n "$p" ] && [ -n "${wall[$p]:-}" ]; then
    awk -v l="$1" -v zw="${wall[$z]}" -v zc="${cpu[$z]}" -v pl="$3" -v pw="${wall[$p]}" -v pc="${cpu[$p]}" -v g="$5" 'BEGIN {
      printf "%-22s %8.3f %7.3f   %-22s %8.3f %7.3f   %6.2f %6.2f  %s\n", l, zw, zc, pl, pw, pc, zw / pw, zc / pc, g }'
  else
    awk -v l="$1" -v zw="${wall[$z]}" -v zc="${cpu[$z]}" -v pl="${3:-}" -v g="$5" 'BEGIN {
      printf "%-22s %8.3f %7.3f   %-22s %8s %7s   %6s %6s  %s\n", l, zw, zc, pl, "", "", "", "", g }'
  fi
}
printf '%-22s %8s %7s   %-22s %8s %7s   %6s %6s  %s\n' "median, seconds" wall cpu peer wall cpu "wall/" "cpu/" goal
line "scan" scan "find -printf" printf "0.45 or less"
line "count" count "find | wc -l" wc "0.4 or less"
if [ -n "$display" ]; then
  line "open drive C" open "qdirstat read" qdirstat "0.7 or less"
  awk -v z="${peak[open]}" -v q="${peak[qdirstat]}" 'BEGIN {
    printf "%-22s %8.1f %7s   %-22s %8.1f %7s   %6.2f %6s  %s\n", "peak memory, MB", z, "", "qdirstat peak", q, "", z / q, "", "0.75 or less" }'
else
  line "open drive C" open "(no qdirstat/Xvfb)" "" "0.7 of qdirstat"
  printf '%-22s %8.1f\n' "peak memory, MB" "${peak[open]}"
fi
line "sort by Name" sortName "sort -k2,2" peerName "0.1 or less, 0.25 s"
line "sort by Length" sortLength "sort -k4,4n" peerLength "0.1 or less, 0.25 s"
line "sort by Modified" sortModified "sort by date fields" peerModified "0.1 or less, 0.25 s"
line "Find Doubles" doubles "" "" "0.2 s or less"
line "Find Files or Dirs" find "" "" "0.12 s or less"
