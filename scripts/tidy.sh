#!/usr/bin/env bash
# clang-tidy with the checks of .clang-tidy (bug-prone constructs, needless copies) on every source
# file of src/ and harness/; any finding fails. Uses the compile commands of its own build folder, build-tidy/.
#   scripts/tidy.sh [FILE...]     (default: every .cpp of src/ and harness/)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build-tidy
# Only the configure step and the generated sources (moc, resources) are needed, not a build.
ZORBIN_EXTRA_PACKAGES="clang-tidy" ZORBIN_TARGETS="zorbin_core_autogen" \
  scripts/setup.sh "$dir" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON -DBUILD_TESTING=OFF
if (($#)); then files=("$@"); else mapfile -t files < <(git ls-files 'src/*.cpp' 'harness/*.cpp'); fi
run-clang-tidy -p "$dir" -j "$(nproc)" -quiet "${files[@]/#/$PWD/}" > "$dir/tidy.log" 2>&1 || {
  grep -E 'error:|warning:' "$dir/tidy.log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u >&2
  echo "tidy: findings above (whole log: $dir/tidy.log)" >&2
  exit 1
}
echo "tidy: ${#files[@]} files clean"
