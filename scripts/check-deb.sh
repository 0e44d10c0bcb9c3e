#!/usr/bin/env bash
# Builds the Debian package, checks it with lintian (no error and no warning), installs it with
# apt-get into a clean Debian 12 root made with debootstrap, and starts zorbin there under Xvfb
# with a small drive of the root: PASS when the program is still running after a few seconds, FAIL
# with its output when not.
#   scripts/check-deb.sh [ROOT]    ROOT: an empty or new folder (default: a new one under /tmp,
#                                  removed at the end; a given one is kept for a look inside)
#   scripts/check-deb.sh --lint    the package and lintian only: no root, no network
# Needs root and the network to the Debian mirror; takes a few minutes, so CI does not run it.
set -euo pipefail
cd "$(dirname "$0")/.."
lint_only=0
[ "${1:-}" = --lint ] && { lint_only=1; shift; }
if ((!lint_only)) && [ "$(id -u)" -ne 0 ]; then echo "scripts/check-deb.sh needs root (debootstrap, chroot, mount)" >&2; exit 2; fi
ZORBIN_EXTRA_PACKAGES="lintian $( ((lint_only)) || echo debootstrap)" scripts/setup.sh build

rm -f build/zorbin_*.deb
# The package's modes come from the install tree: the builder's umask must not widen them.
(cd build && umask 022 && cpack -G DEB >/dev/null)
debs=(build/zorbin_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: cpack made no single zorbin_*.deb" >&2; exit 1; }
deb=${debs[0]}
echo "built ${deb##*/}"

# Errors and warnings fail; the informational tags (hardening hints, a .comment section) do not.
lint=$(lintian --no-tag-display-limit "$deb" 2>&1 | grep -E '^[EW]: ' || true)
if [ -n "$lint" ]; then echo "$lint"; echo "FAIL: lintian reports errors or warnings on ${deb##*/}"; exit 1; fi
echo "lintian: no error and no warning on ${deb##*/}"
((lint_only)) && { echo "PASS: ${deb##*/} is lintian-clean"; exit 0; }

if [ -n "${1:-}" ]; then
  root=$(realpath -m "$1") keep=1
  mkdir -p "$root"
  [ -z "$(ls -A "$root")" ] || { echo "$root is not empty: give an empty or new folder" >&2; exit 2; }
else
  root=$(mktemp -d /tmp/zorbin-deb-root.XXXXXX) keep=0
  chmod 755 "$root"  # a root's / as on any machine: apt's _apt user reads its lists below it
fi
mounts=()
cleanup() {
  local i
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount "${mounts[i]}" 2>/dev/null || umount -l "${mounts[i]}"; done
  # --one-file-system: should an unmount have failed, nothing of the host's /dev or /proc goes.
  if ((!keep)) && ! grep -q " $root/" /proc/mounts; then rm -rf --one-file-system "$root"; fi
}
trap cleanup EXIT
mount_in() {  # mount_in TARGET mount-arguments...
  mkdir -p "$root/$1"
  mount "${@:2}" "$root/$1"
  mounts+=("$root/$1")
}

# The mirror apt-get uses on this machine; deb.debian.org if none is named.
mirror=$(sed -n -e 's|^URIs: *\(https\?://[^ ]*/debian\)/\?$|\1|p' -e 's|^deb \+\(https\?://[^ ]*/debian\)/\? .*|\1|p' \
  /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1) || true
mirror=${mirror:-http://deb.debian.org/debian}
echo "debootstrap bookworm (minbase) from $mirror into $root ..."
debootstrap --variant=minbase bookworm "$root" "$mirror" > "$root.debootstrap.log" 2>&1 ||
  { tail -20 "$root.debootstrap.log"; echo "FAIL: debootstrap"; exit 1; }
rm -f "$root.debootstrap.log"
mount_in proc -t proc proc
mount_in sys -t sysfs sysfs
mount_in dev --bind /dev
mount_in dev/pts --bind /dev/pts
cp /etc/resolv.conf "$root/etc/resolv.conf"
cp "$deb" "$root/tmp/"

echo "apt-get install ./${deb##*/} xvfb xauth x11-utils ..."
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }
in_root apt-get update -qq
if ! in_root sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
     ./${deb##*/} xvfb xauth x11-utils" > "$root/tmp/apt.log" 2>&1; then
  tail -20 "$root/tmp/apt.log"; echo "FAIL: apt-get install"; exit 1
fi

# The command line answers without any display, from the installed program and its libraries.
version=$(in_root zorbin --version 2>&1) || true
[ "$version" = "zorbin $(sed -n 's/^project(Zorbin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" ] ||
  { echo "$version"; echo "FAIL: zorbin --version in the clean root"; exit 1; }
echo "zorbin --version: $version"

# A drive of three files, so the count and the table have something to show.
mkdir -p "$root/tmp/drive/docs"
echo "a" > "$root/tmp/drive/a.txt"; echo "bb" > "$root/tmp/drive/docs/b.txt"; : > "$root/tmp/drive/docs/c"
echo "zorbin under Xvfb for 8 s ..."
# Still running and a window of its own on the screen: not stopped at start nor stuck before a window.
result=$(in_root ZORBIN_DRIVES=C=/tmp/drive xvfb-run -a sh -c '
  zorbin > /tmp/zorbin.log 2>&1 & pid=$!
  sleep 8
  xwininfo -root -tree | grep -o "\"Zorbin[^\"]*\"" | sort -u | tr "\n" " "; echo
  if kill -0 $pid 2>/dev/null; then kill $pid; wait $pid 2>/dev/null; echo running; else wait $pid; echo "ended with status $?"; fi' 2>&1) || true
windows=$(echo "$result" | tail -2 | head -1)
echo "windows: ${windows:-none}"
[ -s "$root/tmp/zorbin.log" ] && { echo "zorbin wrote:"; cat "$root/tmp/zorbin.log"; }
bench=$(in_root zorbin-bench count /tmp/drive 2>&1 | head -2 | tr '\n' ' ') || true
echo "zorbin-bench count /tmp/drive: $bench"
if [ "$(echo "$result" | tail -1)" = running ] && [ -n "${windows// /}" ]; then
  echo "PASS: zorbin from ${deb##*/} installs on a clean Debian 12, shows its window and keeps running"
else
  echo "$result"
  echo "FAIL: zorbin did not show a window and keep running"; exit 1
fi
