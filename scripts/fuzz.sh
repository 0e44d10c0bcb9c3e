#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz with clang in build-fuzz/, runs each briefly from its
# seeds, then replays every kept input (seeds and regressions). A failing input is left in
# build-fuzz/crashes/TARGET/: copy it into fuzz/regressions/TARGET/ so it is replayed from then on.
#   scripts/fuzz.sh [SECONDS]     (fuzzing time of all targets together; default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
targets=(TimeTextFuzz DriveListFuzz SortFuzz ResultLinesFuzz)
seconds=${1:-60}
dir=build-fuzz

CC=clang CXX=clang++ ZORBIN_EXTRA_PACKAGES="clang libclang-rt-14-dev" ZORBIN_TARGETS="${targets[*]}" \
  scripts/setup.sh "$dir" -DZORBIN_FUZZ=ON -DBUILD_TESTING=OFF

# Qt widgets of the sort target keep some blocks until exit: leaks are not what these targets look for.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export QT_QPA_PLATFORM=offscreen TZ=Europe/Berlin
status=0
for t in "${targets[@]}"; do
  work=$dir/corpus/$t crashes=$dir/crashes/$t
  mkdir -p "$work" "$crashes"
  if ! "$dir/fuzz/$t" -max_total_time=$((seconds / ${#targets[@]})) -artifact_prefix="$crashes/" \
       -print_final_stats=0 "$work" "fuzz/corpus/$t" > "$dir/$t.log" 2>&1; then
    echo "$t: FAILED, input kept in $crashes/ (log: $dir/$t.log)"
    status=1
  else
    echo "$t: $(grep -o 'Done [0-9]* runs in [0-9]* second(s)' "$dir/$t.log" | tail -1)"
  fi
  kept=()
  for f in "fuzz/corpus/$t"/* "fuzz/regressions/$t"/*; do
    [ -f "$f" ] && [ "$(basename "$f")" != README ] && kept+=("$f")
  done
  if ((${#kept[@]})) && ! "$dir/fuzz/$t" "${kept[@]}" > "$dir/$t-replay.log" 2>&1; then
    echo "$t: a kept input fails again (log: $dir/$t-replay.log)"
    status=1
  fi
done
exit $status
