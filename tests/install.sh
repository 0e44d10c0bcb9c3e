#!/usr/bin/env bash
# Installs a build into a fresh prefix and checks what lands there: exactly the expected files, the
# programs executable, a menu entry that validates and names an installed program and icon, PNG
# icons of their nominal sizes, manual pages gzip and groff read without a warning, a changelog gzip
# reads and a copyright file in the machine-readable form.
#   tests/install.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
cd "$prefix"
fail() { echo "FAIL: $*"; status=1; }
status=0

icons=share/icons/hicolor
expected=(bin/zorbin bin/zorbin-bench share/applications/zorbin.desktop $icons/scalable/apps/zorbin.svg
          $icons/48x48/apps/zorbin.png $icons/256x256/apps/zorbin.png share/doc/zorbin/guide.html
          share/doc/zorbin/changelog.gz share/doc/zorbin/copyright
          share/man/man1/zorbin.1.gz share/man/man1/zorbin-bench.1.gz)
for png in "$source"/docs/*.png; do [ -e "$png" ] && expected+=("share/doc/zorbin/${png##*/}"); done
diff <(printf '%s\n' "${expected[@]}" | sort) <(find . -type f -printf '%P\n' | sort) ||
  fail "installed files differ from the list (< missing, > not expected)"
for program in bin/zorbin bin/zorbin-bench; do [ -x "$program" ] || fail "$program is not executable"; done

entry=share/applications/zorbin.desktop
desktop-file-validate "$entry" || fail "desktop-file-validate rejects $entry"
exec=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
icon=$(sed -n 's/^Icon=//p' "$entry")
[ -n "$exec" ] && [ -x "bin/$exec" ] || fail "Exec=$exec is not an installed program"
[ -n "$icon" ] && [ -f "$icons/scalable/apps/$icon.svg" ] || fail "Icon=$icon is not an installed icon"

# A PNG's IHDR chunk holds width and height as big-endian 32-bit numbers at bytes 16 to 23.
for size in 48 256; do
  png=$icons/${size}x$size/apps/zorbin.png
  read -r -a header <<< "$(od -An -v -tu1 -w24 -N24 "$png")"
  signature="${header[*]:0:8}" width=$(( (header[18] << 8) | header[19] )) height=$(( (header[22] << 8) | header[23] ))
  [ "$signature" = "137 80 78 71 13 10 26 10" ] && ((header[16] == 0 && header[17] == 0 && header[20] == 0 &&
    header[21] == 0 && width == size && height == size)) || fail "$png is not a ${size}x$size PNG"
done

for page in share/man/man1/*.1.gz; do
  gzip -t "$page" || fail "$page is no gzip file"
  warnings=$(gzip -dc "$page" | groff -man -ww -z -Tutf8 2>&1)
  [ -z "$warnings" ] || fail "groff warns on $page: $warnings"
done
gzip -dc share/doc/zorbin/changelog.gz | head -1 | grep -q '^zorbin (' || fail "changelog.gz does not start with an entry of zorbin"
head -1 share/doc/zorbin/copyright | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$' ||
  fail "copyright is not in the machine-readable form"
exit $status
