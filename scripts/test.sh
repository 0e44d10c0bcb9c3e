#!/usr/bin/env bash
# Builds Zorbin with its tests (installing what is missing) and runs every test.
#   scripts/test.sh            the normal build, in build/
#   scripts/test.sh asan       AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/
#   scripts/test.sh tsan       ThreadSanitizer, in build-tsan/
# Further arguments go to ctest (scripts/test.sh tsan -R Thread). With CI=true warnings are errors.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-}
shift || true
case "$mode" in
  asan) dir=build-asan; opts=(-DZORBIN_SANITIZE=ON) ;;
  tsan) dir=build-tsan; opts=(-DZORBIN_TSAN=ON) ;;
  "")   dir=build; opts=() ;;
  *) echo "usage: scripts/test.sh [asan|tsan] [ctest arguments...]" >&2; exit 2 ;;
esac
opts+=(-DZORBIN_WERROR=$([ "${CI:-}" = true ] && echo ON || echo OFF))
scripts/setup.sh "$dir" "${opts[@]}"

# The time-text tests need a locale whose %X differs from C's.
if ! locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$'; then
  if [ "$(id -u)" -eq 0 ]; then
    sed -i 's/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  else
    echo "note: locale en_US.UTF-8 is missing; the locale test will say so" >&2
  fi
fi

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp}
export TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1 suppressions=$PWD/tests/tsan.supp}
ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" "$@"
