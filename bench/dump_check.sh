#!/usr/bin/env bash
# Checks that two builds give the same rows byte for byte: the Files and Directories tables of a
# tree as the scan writes them (zorbin-bench dump), and the Files table sorted by every column in
# both directions (zorbin-bench sort --after).
#
#   bench/dump_check.sh BEFORE AFTER [DIR]
#     BEFORE, AFTER   a zorbin-bench program, or a git revision to build one from (in /tmp)
#     DIR             the tree (default: the 100,000-file tree of bench/mktree.py in
#                     /tmp/zorbin-bench-100k, made when missing)
# Example: bench/dump_check.sh b81d3d5 build/zorbin-bench
# A build without "sort --clicks" sorts only once; its descending rows are the ascending ones
# reversed, which is what a second click gives (equal rows swap places in a descending sort).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/.." && pwd)
dir=${3:-/tmp/zorbin-bench-100k}
[ -d "$dir" ] || python3 "$here/mktree.py" "$dir" --files 100000 --seed 1 > /dev/null

# A program as given, or built from a revision in a work tree of its own.
program() {
  if [ -x "$1" ] && [ -f "$1" ]; then
    echo "$1"
    return
  fi
  local sha
  sha=$(git -C "$top" rev-parse --short "$1^{commit}")
  local tree=/tmp/zorbin-ref-$sha
  if [ ! -x "$tree/build/zorbin-bench" ]; then
    [ -d "$tree" ] || git -C "$top" worktree add --detach "$tree" "$sha" > /dev/null 2>&1
    cmake -S "$tree" -B "$tree/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=OFF > /dev/null
    cmake --build "$tree/build" -j2 --target zorbin-bench > /dev/null
  fi
  echo "$tree/build/zorbin-bench"
}

before=$(program "$1")
after=$(program "$2")
work=$(mktemp -d /tmp/zorbin-dump-check-XXXXXX)
trap 'rm -rf -- "$work"' EXIT

# Writes the rows of one sort: ascending after one click, descending after two.
sorted() {  # program, column, clicks, out
  if "$1" 2>&1 | grep -q -- "--clicks"; then
    "$1" sort "$2" "$dir" --clicks "$3" --after "$4" > /dev/null 2>&1
  else
    "$1" sort "$2" "$dir" --after "$4" > /dev/null 2>&1
    if [ "$3" = 2 ]; then tac "$4" > "$4.tac" && mv "$4.tac" "$4"; fi
  fi
}

failed=0
check() {  # what, file before, file after
  if cmp -s "$2" "$3"; then
    printf '%-28s same   (%s rows)\n' "$1" "$(wc -l < "$3")"
  else
    printf '%-28s DIFFER (%s)\n' "$1" "$(cmp "$2" "$3" 2>&1 | head -1)"
    failed=1
  fi
}

echo "before: $before"
echo "after:  $after"
echo "tree:   $dir"
for kind in files dirs; do
  "$before" dump "$kind" "$dir" > "$work/before" 2>/dev/null
  "$after" dump "$kind" "$dir" > "$work/after" 2>/dev/null
  check "dump $kind" "$work/before" "$work/after"
done
for column in Path Name Ext Length Created Modified Accessed; do
  for clicks in 1 2; do
    sorted "$before" "$column" "$clicks" "$work/before"
    sorted "$after" "$column" "$clicks" "$work/after"
    check "sort by $column $([ "$clicks" = 1 ] && echo ascending || echo descending)" "$work/before" "$work/after"
  done
done
exit "$failed"
