#!/usr/bin/env bash
# Line coverage of src/ by the whole suite: builds with --coverage in build-coverage/, runs every
# test, and prints gcovr's summary (scripts/coverage.sh full: the figures of every file as well).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-coverage
ZORBIN_EXTRA_PACKAGES=gcovr ZORBIN_TARGETS=zorbin_tests scripts/setup.sh "$dir" -DZORBIN_COVERAGE=ON
find "$dir" -name '*.gcda' -delete  # counts of this run only
QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" -j"$(nproc)" > "$dir/coverage-test.log" 2>&1 ||
  echo "note: some tests failed (see $dir/coverage-test.log); the figures count what ran" >&2
report=(--txt /dev/null)
[ "${1:-}" = full ] && report=()
gcovr --root . --filter 'src/' --exclude-unreachable-branches --print-summary "${report[@]}" "$dir" |
  grep -v '^branches'
