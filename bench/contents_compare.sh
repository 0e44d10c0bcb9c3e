#!/usr/bin/env bash
# Check Contents beside the public duplicate finders and a plain read, on one tree, in one run:
#   zorbin   zorbin-bench contents DIR: the content check of the Doubles table alone (in-process)
#   cat      xargs -0 cat of the very files the check reads, to /dev/null (one read of each)
#   jdupes   jdupes -r -q DIR
#   rdfind   rdfind -dryrun true DIR (its result file goes to a temporary folder)
# and Export of a Files table beside cat copying a file of the same size:
#   export   zorbin-bench export DIR2 FILE.csv      cat FILE.csv > COPY
# Everything runs once to warm the cache, then RUNS times (default 5); medians of wall seconds.
# The files each finder opens are counted once more under strace.
#
#   bench/contents_compare.sh DIR [EXPORT_DIR] [ZORBIN_BENCH]
# DIR: a tree of `bench/mktree.py DIR --files 20000 --contents --dup-frac 0.15 --seed 1`;
# EXPORT_DIR (optional): the million-file tree of `bench/mktree.py DIR2 --files 1000000 --seed 1`.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dir=$(cd "${1:?usage: bench/contents_compare.sh DIR [EXPORT_DIR] [ZORBIN_BENCH]}" && pwd)
export_dir=${2:-}
bench=${3:-$here/../build/zorbin-bench}
runs=${RUNS:-5}
[ -x "$bench" ] || { echo "no zorbin-bench at $bench" >&2; exit 1; }
work=$(mktemp -d /tmp/zorbin-contents-XXXXXX)
trap 'rm -rf -- "$work"' EXIT

median() { sort -g | awk '{ v[NR] = $1 } END { printf "%.3f", v[int((NR + 1) / 2)] }'; }
wall() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
# Regular files below DIR that a command opens (strace of every open), counted once each.
opened() {
  strace -f -qq -e trace=open,openat -o "$work/trace" "$@" >/dev/null 2>&1 || true
  grep -v 'O_DIRECTORY\|ENOENT' "$work/trace" | grep -o "\"$dir/[^\"]*\"" | sort -u |
    while read -r f; do f=${f#\"}; f=${f%\"}; [ -f "$f" ] && echo; done | wc -l
}

"$bench" contents "$dir" --list "$work/list" > "$work/zorbin.txt"
cat "$work/zorbin.txt"
files=$(tr -cd '\0' < "$work/list" | wc -c)
bytes=$(xargs -0 du -b --apparent-size < "$work/list" | awk '{ s += $1 } END { print s }')
echo "tree: $(find "$dir" -type f | wc -l) names, $(du -sb --apparent-size "$dir" | cut -f1) bytes; the check's list: $files files, $bytes bytes"

zorbin_t=(); cat_t=(); jdupes_t=(); rdfind_t=()
for i in $(seq 0 "$runs"); do
  z=$("$bench" contents "$dir" | sed -n 's/.* in \([0-9.]*\) s, processor.*/\1/p')
  c=$(wall sh -c "xargs -0 cat < '$work/list' > /dev/null")
  j=$(wall jdupes -r -q "$dir")
  r=$(wall sh -c "cd '$work' && rdfind -dryrun true -outputname '$work/rdfind.txt' '$dir'")
  [ "$i" -eq 0 ] && continue  # the warm-up
  zorbin_t+=("$z"); cat_t+=("$c"); jdupes_t+=("$j"); rdfind_t+=("$r")
done
zm=$(printf '%s\n' "${zorbin_t[@]}" | median)
cm=$(printf '%s\n' "${cat_t[@]}" | median)
jm=$(printf '%s\n' "${jdupes_t[@]}" | median)
rm_=$(printf '%s\n' "${rdfind_t[@]}" | median)
printf '| %-28s | %8s | %10s |\n' "median of $runs, warm cache" "seconds" "zorbin / it"
printf '| %-28s | %8s | %10s |\n' "zorbin check contents" "$zm" ""
for row in "cat of the checked files:$cm" "jdupes -r:$jm" "rdfind:$rm_"; do
  printf '| %-28s | %8s | %10.2f |\n' "${row%%:*}" "${row##*:}" "$(echo "$zm / ${row##*:}" | bc -l)"
done
echo "files opened: zorbin $(sed -n 's/.*files, \([0-9]*\) read.*/\1/p' "$work/zorbin.txt"), jdupes $(opened jdupes -r -q "$dir"), rdfind $(opened sh -c "cd '$work' && rdfind -dryrun true -outputname '$work/rdfind.txt' '$dir'")"

if [ -n "$export_dir" ]; then
  export_t=(); copy_t=()
  for i in $(seq 0 "$runs"); do
    e=$("$bench" export "$export_dir" "$work/rows.csv" | sed -n 's/.* in \([0-9.]*\) s, processor.*/\1/p')
    c=$(wall sh -c "cat '$work/rows.csv' > '$work/copy.csv'")
    [ "$i" -eq 0 ] && continue
    export_t+=("$e"); copy_t+=("$c")
  done
  em=$(printf '%s\n' "${export_t[@]}" | median)
  km=$(printf '%s\n' "${copy_t[@]}" | median)
  echo "export: $(($(wc -l < "$work/rows.csv") - 1)) lines, $(stat -c %s "$work/rows.csv") bytes in $em s; cat copy $km s; ratio $(echo "$em / $km" | bc -l | cut -c1-4)"
  for i in 1 2 3; do "$bench" contents "$export_dir" --no-check; done | grep -v QStandardPaths
fi
