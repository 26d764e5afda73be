#!/usr/bin/env bash
# Takes the pictures of README's Windows section (docs/windows-*.png): titrelle.exe under Wine on a virtual
# display of 1366x768, given a generated clip whose subtitle file of Chinese lines lies beside it: the question
# answered Yes with Enter, the main window cut out of the screen. (Wine draws the picture in a window of its
# own, over the main window once it plays: so the picture is taken before anything plays.)
# A tool for the documentation only: the tests do not run it.
#
# Usage: scripts/screenshots-windows.sh [path of titrelle.exe]   (default: the build of scripts/test-windows.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
program=$(realpath "${1:-build/windows/platforms/windows/titrelle.exe}")
[ -f "$program" ] || { echo "No program at $program: build it first." >&2; exit 1; }
for tool in Xvfb xdotool import convert ffmpeg iconv wine; do
  command -v "$tool" >/dev/null || { echo "$tool is missing." >&2; exit 1; }
done

work=$(mktemp -d /tmp/titrelle-windows-pictures.XXXXXX)
video="$work/clip.mp4"
mkdir -p docs
ffmpeg -loglevel error -y -f lavfi -i smptebars=size=640x360:rate=25 \
  -f lavfi -i "aevalsrc='0.6*sin(2*PI*300*t)*sin(2*PI*0.7*t)*lt(mod(t,2.5),1.8)':s=44100" \
  -t 40 -c:v libx264 -pix_fmt yuv420p -c:a aac "$video"
prefix='{\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&}<b>'
printf '1\r\n00:00:00:500 --> 00:00:02:600\r\n%s大家好，欢迎收看本期节目。</b>\r\n\r\n2\r\n00:00:03:000 --> 00:00:04:200\r\n%s按 F9 标记开始。</b>\r\n\r\n' \
  "$prefix" "$prefix" | iconv -f UTF-8 -t GBK >"$work/clip.srt"

Xvfb -displayfd 3 -screen 0 1366x768x24 -nolisten tcp -noreset 3>"$work/display-number" >"$work/xvfb.log" 2>&1 &
xvfb=$!
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
cleanup() {
  timeout 60 wineserver -k >/dev/null 2>&1 || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 300); do [ -s "$work/display-number" ] && break; sleep 0.1; done
export DISPLAY=":$(head -n 1 "$work/display-number")"
timeout 120 wine wineboot -i >/dev/null 2>&1

# Waits until a visible window whose title matches $1 exists; its id on stdout.
wait_for_window() {
  local id
  for _ in $(seq 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "No window '$1' appeared." >&2
  return 1
}
# The picture of the screen's area of window $1 as docs/$2.png, in few colours so that it stays small.
shoot() {
  sleep 1  # the strip's and the player's next paint
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/$2.png"
  convert "$work/$2.png" -strip -colors 96 "PNG8:docs/$2.png"
  echo "docs/$2.png: $(stat -c %s "docs/$2.png") bytes"
}

(cd "$work" && wine "$program" 'Z:'"${video//\//\\}" >"$work/titrelle.log" 2>&1) &
main=$(wait_for_window '^Titrelle$')
# The existing subtitle file: Enter answers Yes, the default.
question=$(wait_for_window '^Information$')
xdotool windowactivate --sync "$question" 2>/dev/null || true
xdotool key Return
sleep 3
shoot "$main" windows-resumed

echo "Pictures in docs/; the work folder is $work."
