#!/usr/bin/env bash
# Mutation check: plants each fault of tests/mutants/*.patch in turn (each a small source change whose
# first line says what fault it plants), rebuilds the project in build-mutate/, runs the tests, and prints
# whether some test failed (killed) or none did (survived), then the score.
#   scripts/mutate.sh [PATCH...]     (default: every tests/mutants/*.patch)
# Environment: ALL=1 runs every test of each mutant (default: stop at the first failure);
# SUITE_TIMEOUT=seconds for one run of the suite (default 900; running out counts as killed).
# A planted fault can make a test run away (a walk that enters a bind mount of its own root never
# ends): each test gets at most 120 s and 4 GB of address space.
# The tree is restored after every patch and on any exit; src/ and bench/ must have no uncommitted
# changes, since restoring them means checking them out.
set -uo pipefail
cd "$(dirname "$0")/.."
dir=build-mutate
timeout=${SUITE_TIMEOUT:-900}
if ((${#@})); then patches=("$@"); else patches=(tests/mutants/*.patch); fi

if ! git diff --quiet HEAD -- src bench; then
  echo "mutate: src/ or bench/ has uncommitted changes: commit or stash them first" >&2
  exit 2
fi
restore() { git checkout -q HEAD -- src bench; }
trap restore EXIT
trap 'exit 130' INT TERM

# Every target: the install test installs the program and the benchmark tool too.
build() { cmake --build "$dir" -j2 > "$dir/mutate-build.log" 2>&1; }
suite() {
  local stop=(--stop-on-failure)
  [ "${ALL:-0}" = 1 ] && stop=()
  (ulimit -v $((4 << 20)) && QT_QPA_PLATFORM=offscreen TZ=Europe/Berlin timeout "$timeout" \
    ctest --test-dir "$dir" -j2 "${stop[@]}" > "$dir/mutate-test.log" 2>&1)
}
# The tests that failed in the last run, by name.
failed() { sed -n 's/^[0-9]*:\(.*\)$/\1/p' "$dir/Testing/Temporary/LastTestsFailed.log" 2>/dev/null | tr '\n' ' '; }

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZORBIN_TEST_TIMEOUT=120 > /dev/null || exit 1
if ! build; then echo "mutate: the unchanged tree does not build (see $dir/mutate-build.log)" >&2; exit 1; fi
start=$SECONDS
if ! ALL=1 suite; then echo "mutate: the suite fails on the unchanged tree: $(failed)" >&2; exit 1; fi
echo "unchanged tree: every test passes ($((SECONDS - start)) s)"

killed=0 survived=0 skipped=0 broken=0 survivors=()
for patch in "${patches[@]}"; do
  name=$(basename "$patch" .patch)
  if ! git apply --check "$patch" 2> /dev/null; then
    echo "$name: does not apply"; ((skipped++)); continue
  fi
  git apply "$patch"
  start=$SECONDS
  if ! build; then
    echo "$name: did not build"; ((broken++))
  elif suite; then
    echo "$name: SURVIVED ($((SECONDS - start)) s)  $(head -1 "$patch" | sed 's/^# *//')"
    ((survived++)); survivors+=("$name")
  else
    rc=$?
    why=$(failed); [ "$rc" = 124 ] && why="time-out $why"
    echo "$name: killed by ${why:-a failed run} ($((SECONDS - start)) s)"; ((killed++))
  fi
  git apply -R "$patch" || restore
done
restore
build || true  # leaves build-mutate matching the tree again
total=$((killed + survived))
echo "score: $killed killed of $total ($((total ? killed * 100 / total : 0)) %); $survived survived" \
  "${survivors[*]:+(${survivors[*]})}; $skipped did not apply; $broken did not build"
