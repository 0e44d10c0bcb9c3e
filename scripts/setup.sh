#!/usr/bin/env bash
# Installs what Zorbin needs to build and test on Debian 12, then configures and builds.
#   scripts/setup.sh [BUILD_DIR [extra cmake options...]]
set -euo pipefail
cd "$(dirname "$0")/.."

# libqt6svg6 renders the SVG icons sharp at any scale; libx11-dev reads the lock keys' indicators;
# fonts-dejavu-extra holds the condensed face the tables' cells are sized for. librsvg2-bin draws
# the PNG icons; desktop-file-utils and groff-base check the installed menu entry and man page;
# dpkg-dev finds the .deb's dependencies (cpack -G DEB). qt6-base-private-dev lets the tests queue
# input as the window system does; libxxhash-dev hashes contents for Check Contents; btrfs-progs
# makes the file system whose subvolumes a walk must not enter.
packages=(g++ cmake make pkg-config qt6-base-dev qt6-base-private-dev libqt6svg6 qt6-qpa-plugins libx11-dev libxxhash-dev
          fonts-dejavu-extra
          libgtest-dev libgmock-dev locales tzdata librsvg2-bin desktop-file-utils groff-base dpkg-dev btrfs-progs)
# The fuzz and coverage scripts name the few packages only they need.
read -r -a extra <<< "${ZORBIN_EXTRA_PACKAGES:-}"
packages+=("${extra[@]}")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "Zorbin needs these Debian packages: ${missing[*]}" >&2
    echo "Run this script as root (or install them with apt-get) and try again." >&2
    exit 1
  fi
  echo "Installing ${missing[*]} ..."
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

build=${1:-build}
shift || true
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)" ${ZORBIN_TARGETS:+--target $ZORBIN_TARGETS}
