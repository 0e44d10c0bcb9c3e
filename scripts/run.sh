#!/usr/bin/env bash
# Builds Zorbin (installing what is missing) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
exec build/zorbin "$@"
