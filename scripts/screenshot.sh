#!/usr/bin/env bash
# Starts Zorbin under a virtual X display, optionally sends it keys, and writes a screenshot.
#
#   scripts/screenshot.sh [options] OUT.png
#     -d, --drives MAP     ZORBIN_DRIVES for the run, e.g. "C=/tmp/tree" (default: C=<a new empty folder>)
#     -s, --step STEP      one step after start-up, in order; repeatable:
#                            "key KEYS"   keys to Zorbin's window (xdotool names: Return, ctrl+n, Down)
#                            "press KEYS" keys through the X server's keyboard to the focused window;
#                                         unlike "key", lock keys switch their lock (Caps_Lock, Num_Lock)
#                            "type TEXT"  text typed into Zorbin's window
#                            "click X Y"  a left click at X, Y of the screen (a column header, say)
#                            "dclick X Y" a left double-click there (a title bar: maximise)
#                            "sleep SECS" a pause
#     -w, --wait SECS      pause before the picture is taken (default 2)
#     -b, --bin PATH       the program (default build/zorbin; built with scripts/setup.sh if missing)
#     -g, --geometry WxH   screen size (default 1280x960)
#     -p, --palette NAME   light (default: Qt's own palette) or dark (the desktop route of a dark
#                          theme: the qt6ct platform theme with its "darker" colour scheme)
#     -x, --scale FACTOR   device pixel ratio of the screen (QT_SCALE_FACTOR), e.g. 2
#     -m, --main-only      the picture of Zorbin's main window alone, not of the whole screen
#
# Example: the All Drives table, then drive C's two tables opened with Enter on its row:
#   scripts/screenshot.sh -d C=/usr/share/doc -s "key Return" -w 5 /tmp/drive-c.png
set -euo pipefail
cd "$(dirname "$0")/.."

drives=""
steps=()
wait_secs=2
bin=build/zorbin
geometry=1280x960
palette=light
scale=""
main_only=""
out=""
while (($#)); do
  case "$1" in
    -d|--drives) drives=$2; shift 2 ;;
    -s|--step) steps+=("$2"); shift 2 ;;
    -w|--wait) wait_secs=$2; shift 2 ;;
    -b|--bin) bin=$2; shift 2 ;;
    -g|--geometry) geometry=$2; shift 2 ;;
    -p|--palette) palette=$2; shift 2 ;;
    -x|--scale) scale=$2; shift 2 ;;
    -m|--main-only) main_only=1; shift ;;
    -h|--help) sed -n '2,22p' "$0"; exit 0 ;;
    -*) echo "screenshot.sh: unknown option $1" >&2; exit 2 ;;
    *) out=$1; shift ;;
  esac
done
if [ -z "$out" ]; then
  echo "usage: scripts/screenshot.sh [options] OUT.png (see --help)" >&2
  exit 2
fi

case "$palette" in
  light|dark) ;;
  *) echo "screenshot.sh: unknown palette $palette (light or dark)" >&2; exit 2 ;;
esac

# The tools: Xvfb for the display, ImageMagick's import for the picture, xdotool for the keys.
packages=(xvfb xauth imagemagick xdotool)
[ "$palette" = dark ] && packages+=(qt6ct)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  if [ "$(id -u)" -ne 0 ]; then
    echo "screenshot.sh needs these Debian packages: ${missing[*]} (run as root to install them)" >&2
    exit 1
  fi
  echo "Installing ${missing[*]} ..."
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

[ -x "$bin" ] || scripts/setup.sh build

work=$(mktemp -d /tmp/zorbin-shot.XXXXXX)
xvfb_pid=""
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

if [ -z "$drives" ]; then
  mkdir -p "$work/drive-c"
  drives="C=$work/drive-c"
fi

# A display number nobody uses: Xvfb reports the one it took on the descriptor it is given.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "${geometry}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
exec 3>&-
display=":$(head -n1 "$work/display")"
if [ "$display" = ":" ]; then
  echo "screenshot.sh: Xvfb did not start (see its log below)" >&2
  cat "$work/xvfb.log" >&2
  exit 1
fi
export DISPLAY=$display

# The profile of this run stays in its own folder.
run_env=(XDG_CONFIG_HOME="$work/config" ZORBIN_DRIVES="$drives" QT_QPA_PLATFORM=xcb)
if [ "$palette" = dark ]; then
  mkdir -p "$work/config/qt6ct"
  printf '[Appearance]\ncolor_scheme_path=/usr/share/qt6ct/colors/darker.conf\ncustom_palette=true\nstyle=Fusion\n' \
    >"$work/config/qt6ct/qt6ct.conf"
  run_env+=(QT_QPA_PLATFORMTHEME=qt6ct)
fi
[ -n "$scale" ] && run_env+=(QT_SCALE_FACTOR="$scale")
env "${run_env[@]}" "$bin" >"$work/zorbin.log" 2>&1 &
app_pid=$!

window=""
for _ in $(seq 100); do
  window=$(xdotool search --onlyvisible --name '^Zorbin' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  kill -0 "$app_pid" 2>/dev/null || { echo "screenshot.sh: Zorbin ended early:" >&2; cat "$work/zorbin.log" >&2; exit 1; }
  sleep 0.1
done
if [ -z "$window" ]; then
  echo "screenshot.sh: Zorbin's window did not appear" >&2
  exit 1
fi
sleep 1
xdotool windowfocus --sync "$window" 2>/dev/null || true

for step in "${steps[@]}"; do
  verb=${step%% *}
  arg=${step#* }
  case "$verb" in
    key) xdotool key --window "$window" --clearmodifiers $arg ;;
    press) xdotool key $arg ;;
    type) xdotool type --window "$window" -- "$arg" ;;
    sleep) sleep "$arg" ;;
    click) xdotool mousemove $arg click 1 ;;
    dclick) xdotool mousemove $arg click --repeat 2 --delay 80 1 ;;
    *) echo "screenshot.sh: unknown step '$step'" >&2; exit 2 ;;
  esac
  sleep 0.3
done

sleep "$wait_secs"
if [ -n "$main_only" ]; then import -window "$window" "$out"; else import -window root "$out"; fi
# Without a window manager there is no title bar on the picture: name the title here instead.
echo "screenshot.sh: wrote $out (display $display); main window title: $(xdotool getwindowname "$window" 2>/dev/null || echo '?')"
