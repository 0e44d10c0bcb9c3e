#!/usr/bin/env bash
# Sorts the Files table of a tree by Name, Length and Modified through the table's own column click
# and compares each with `LC_ALL=C sort` of the same rows by the same field: the seconds of both,
# and whether the sorted field comes out in the same order.
#   bench/sort_compare.sh [DIR [ZORBIN_BENCH]]     (RUNS=n changes the number of runs, default 3)
# Without DIR the 100,000-file tree of bench/mktree.py is made in /tmp/zorbin-bench-100k (and left there).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=${1:-/tmp/zorbin-bench-100k}
bench=${2:-$here/../build/zorbin-bench}
runs=${RUNS:-3}
[ -x "$bench" ] || { echo "no zorbin-bench at $bench: build first (scripts/test.sh)" >&2; exit 1; }
if [ ! -d "$dir" ]; then
  python3 "$here/mktree.py" "$dir" --files 100000 >/dev/null
fi

work=$(mktemp -d /tmp/zorbin-sort-compare-XXXXXX)
trap 'rm -rf -- "$work"' EXIT
median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'; }

# The rows are tab-separated: Path, Name, Ext, Length, Created, Modified, Accessed. The time text
# is dd/mm/yyyy HH:MM:SS, so sort(1) takes year, month, day, then the clock.
declare -A keys=(
  [Name]="-k2,2"
  [Length]="-k4,4n"
  [Modified]="-k6.7,6.10 -k6.4,6.5 -k6.1,6.2 -k6.12,6.19"
)
declare -A fields=([Name]=2 [Length]=4 [Modified]=6)

echo "tree: $dir, load before: $(cut -d' ' -f1-3 /proc/loadavg)"
printf '%-9s %8s %10s %12s %10s %12s  %s\n' column rows "zorbin s" "zorbin cpu" "sort(1) s" "sort(1) cpu" "same order"
for column in Name Length Modified; do
  zorbin_wall=() zorbin_cpu=() sort_wall=() sort_cpu=()
  for ((i = 0; i < runs; i++)); do
    # The first ascending click: a fresh process starts with the direction that makes it so.
    line=$("$bench" sort "$column" "$dir" --before "$work/rows" --after "$work/zorbin" 2>/dev/null)
    rows=$(awk '{ print $4 }' <<< "$line")
    # "sort by Name: 100000 rows in 0.297 s, processor 0.116 s"
    zorbin_wall+=("$(awk '{ print $7 }' <<< "$line")")
    zorbin_cpu+=("$(awk '{ print $10 }' <<< "$line")")
    TIMEFORMAT='%R %U %S'
    # shellcheck disable=SC2086
    t=$({ time LC_ALL=C sort -t $'\t' ${keys[$column]} "$work/rows" > "$work/sorted"; } 2>&1)
    sort_wall+=("$(awk '{ print $1 }' <<< "$t")")
    sort_cpu+=("$(awk '{ print $2 + $3 }' <<< "$t")")
  done
  f=${fields[$column]}
  if cmp -s <(cut -f"$f" "$work/zorbin") <(cut -f"$f" "$work/sorted"); then same=yes; else same=NO; fi
  printf '%-9s %8s %10s %12s %10s %12s  %s\n' "$column" "$rows" \
    "$(printf '%s\n' "${zorbin_wall[@]}" | median)" "$(printf '%s\n' "${zorbin_cpu[@]}" | median)" \
    "$(printf '%s\n' "${sort_wall[@]}" | median)" "$(printf '%s\n' "${sort_cpu[@]}" | median)" "$same"
done
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"
