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
. scripts/virtual-display.sh
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

export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
cleanup() {
  timeout 60 wineserver -k >/dev/null 2>&1 || true
  stop_virtual_display
}
trap cleanup EXIT
start_virtual_display "$work" 1366x768x24
timeout 120 wine wineboot -i >/dev/null 2>&1


(cd "$work" && wine "$program" 'Z:'"${video//\//\\}" >"$work/titrelle.log" 2>&1) &
main=$(wait_for_window '^Titrelle$')
# The existing subtitle file: Enter answers Yes, the default.
question=$(wait_for_window '^Information$')
xdotool windowactivate --sync "$question" 2>/dev/null || true
xdotool key Return
sleep 3
shoot "$main" windows-resumed 1

echo "Pictures in docs/; the work folder is $work."
