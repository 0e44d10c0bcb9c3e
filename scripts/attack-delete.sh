#!/usr/bin/env bash
# Delete as a hostile user meets it: Zorbin in its real window (on a virtual X server of its own),
# driven by xdotool, on a drive built to trap it, all inside a private mount namespace on tmpfs, so
# nothing outside it can be reached and everything goes with it. Needs root (mounts), Xvfb, xdotool,
# imagemagick. Prints one line a check and the folder with the screenshots; exits 1 if one fails.
#   scripts/attack-delete.sh [PROGRAM]      (default build/zorbin)
# The drive C: a tmpfs mounted below sub/, the drive bound inside itself (bindhere/inner), every
# trash of users 0, 1000 and 1001 at its top, the home trash reached through a link (home/.local),
# names of 255 bytes that are no UTF-8, and 100 files that another process swaps with longer decoys
# (renameat2 RENAME_EXCHANGE, in a loop) while Delete runs. Every row of the Files table, then of
# the Directories table, is deleted with Yes. Drive D holds 200,000 files: Ctrl+A, Del, Enter typed
# while its tables fill must be dropped.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(realpath "${1:-build/zorbin}")
[ "$(id -u)" = 0 ] || { echo "attack-delete: needs root for its mounts" >&2; exit 2; }
if [ "${ATTACK_INSIDE:-}" != 1 ]; then
  for tool in Xvfb xdotool import unshare python3; do
    command -v $tool > /dev/null || { echo "attack-delete: $tool is missing" >&2; exit 2; }
  done
  out=$(mktemp -d /tmp/zorbin-attack-XXXXXX)
  display=:$((70 + RANDOM % 20))
  Xvfb $display -screen 0 1280x960x24 -nolisten tcp > /dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null' EXIT
  sleep 2
  ATTACK_INSIDE=1 ATTACK_OUT=$out DISPLAY=$display unshare -m --propagation private "$0" "$bin"
  exit $?
fi

R=$ATTACK_OUT C=$ATTACK_OUT/C D=$ATTACK_OUT/D
mkdir -p "$C" "$D"
mount -t tmpfs attack-c "$C" && mount -t tmpfs attack-d "$D"
mkdir -p "$C"/{sub/deep/usb,bindhere/inner,race,names,dotlocal/share,home,plain}
mount -t tmpfs attack-usb "$C/sub/deep/usb" && echo usbdata > "$C/sub/deep/usb/data"
mount --bind "$C" "$C/bindhere/inner"
ln -s ../dotlocal "$C/home/.local"
for u in 0 1000 1001; do
  for t in ".Trash-$u" ".Trash/$u"; do
    mkdir -p "$C/$t/files" "$C/$t/info"
    echo "old $u" > "$C/$t/files/old$u"
    printf '[Trash Info]\nPath=old%s\n' "$u" > "$C/$t/info/old$u.trashinfo"
  done
done
chmod 1777 "$C/.Trash"
mkdir -p "$C/home/.local/share/Trash/files" "$C/home/.local/share/Trash/info"
echo homeold > "$C/home/.local/share/Trash/files/homeold"
python3 - "$C/names" << 'PY'
import os, sys
d = sys.argv[1].encode()
for k, b in enumerate([b'\x80', b'\xff', b'\xc3']):
    open(d + b'/' + bytes([0x61 + k]) + b * 254, 'wb').write(b'n')
os.mkdir(d + b'/' + b'\xfe' * 255)
PY
for i in $(seq 0 99); do echo victim > "$C/race/v$i"; done
echo plain > "$C/plain/p.txt"
python3 bench/mktree.py "$D/t" --files 200000 --seed 1 > /dev/null
records() { find "$C/.Trash" "$C"/.Trash-* "$C/home/.local/share/Trash/files/homeold" -type f | sort | xargs cat | md5sum; }
records_before=$(records)
dcount_before=$(find "$D" | wc -l)

export ZORBIN_DRIVES="C=$C,D=$D" XDG_DATA_HOME="$C/home/.local/share" HOME="$C/home" \
  XDG_CONFIG_HOME="$R/config" ZORBIN_OPENER=/bin/true QT_QPA_PLATFORM=xcb
"$bin" > "$R/zorbin.log" 2>&1 &
zorbin=$!
sleep 4
W=$(xdotool search --name '^Zorbin' | head -1)
k() { xdotool key --window "$W" "$@" 2> /dev/null; sleep 1; }
k Return; sleep 3                                   # C's Directories and Files tables
# Decoys of another length come after the fill: no row shows them. The racer swaps each with its
# victim until told to stop.
for i in $(seq 0 99); do echo "decoy, longer $i" > "$C/race/d$i"; done
python3 - "$C/race" "$R/stop" > "$R/swaps.txt" << 'PY' &
import ctypes, os, sys
libc = ctypes.CDLL(None, use_errno=True)
d, stop, swaps = sys.argv[1], sys.argv[2], 0
while not os.path.exists(stop):
    for i in range(100):   # renameat2(AT_FDCWD, v, AT_FDCWD, d, RENAME_EXCHANGE), x86-64 syscall 316
        swaps += libc.syscall(316, -100, f"{d}/v{i}".encode(), -100, f"{d}/d{i}".encode(), 2) == 0
print(swaps)
PY
k ctrl+a; k Delete; import -window root "$R/1-files-question.png"; k Return; sleep 6
touch "$R/stop"; sleep 1
import -window root "$R/2-files-failures.png"; k Return
count() { grep -ls "$@" | wc -l || true; }  # files holding the text; none is no failure
decoys_in_trash=$(count decoy "$C"/home/.local/share/Trash/files/*)
in_trash=$(count -x victim "$C"/home/.local/share/Trash/files/v*)
left_victims=$(count -x victim "$C"/race/*)
left_decoys=$(count decoy "$C"/race/*)
xdotool mousemove 405 90 click 1; sleep 1          # the Directories table forward
k ctrl+a; k Delete; import -window root "$R/3-dirs-question.png"; k Return; sleep 5
import -window root "$R/4-dirs-failures.png"; k Return
xdotool mousemove 200 62 click 1; sleep 1          # All Drives, D's row, Enter, and at once the keys
k Down; xdotool key --window "$W" Return; sleep 0.3; xdotool key --window "$W" ctrl+a Delete Return
sleep 10; import -window root "$R/5-d-filled.png"
kill $zorbin

fail=0
check() { if eval "$2"; then echo "ok    $1"; else echo "FAIL  $1"; fail=1; fi; }
check "the tmpfs below sub/ and its data stay" '[ "$(cat "$C/sub/deep/usb/data")" = usbdata ] && [ -d "$C/sub" ]'
check "the drive bound inside itself stays" '[ -d "$C/bindhere/inner/sub" ]'
check "no decoy went into the trash ($decoys_in_trash)" '[ "$decoys_in_trash" = 0 ]'
check "every victim is in the trash or its folder ($in_trash + $left_victims), every decoy in its folder ($left_decoys)" \
  '[ $((in_trash + left_victims)) = 100 ] && [ "$left_decoys" = 100 ]'
check "every trash of every user, and its records, stays" '[ "$records_before" = "$(records)" ]'
check "the link on the way to the home trash, and what holds the trash, stay" \
  '[ -L "$C/home/.local" ] && [ -d "$C/dotlocal/share/Trash/files" ]'
enc() { printf 'Path=%s/names/%s' "$C" "$1"; for _ in $(seq 254); do printf '%s' "$2"; done; }
names_recorded=0
for n in "a %80" "b %FF" "c %C3"; do
  grep -qsx "$(enc $n)" "$C"/home/.local/share/Trash/info/*.trashinfo && names_recorded=$((names_recorded + 1))
done
check "the names of 255 bytes that are no UTF-8 went whole, each with its whole path recorded ($names_recorded)" \
  '[ "$names_recorded" = 3 ]'
check "keys typed while D's tables filled were dropped ($dcount_before entries)" '[ "$(find "$D" | wc -l)" = "$dcount_before" ]'
echo "swaps made by the racer: $(cat "$R/swaps.txt"); screenshots in $R"
exit $fail
