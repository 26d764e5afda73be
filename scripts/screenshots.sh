#!/usr/bin/env bash
# Takes the pictures of README's tour of the workbench (docs/*.png): the program itself on a virtual display
# of 1366x768, a generated clip with a subtitle file of Chinese lines beside it, driven with real keys and
# mouse moves (xdotool), each picture the program's window cut out of the screen (ImageMagick's import).
# A tool for the documentation only: the tests do not run it.
#
# Usage: scripts/screenshots.sh [path of the titrelle program]   (default: the release build of scripts/run.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/virtual-display.sh
program=$(realpath "${1:-build/release/platforms/linux/titrelle}")
[ -x "$program" ] || { echo "No program at $program: build it first." >&2; exit 1; }
for tool in Xvfb xdotool import convert ffmpeg iconv; do
  command -v "$tool" >/dev/null || { echo "$tool is missing." >&2; exit 1; }
done

work=$(mktemp -d /tmp/titrelle-pictures.XXXXXX)
video="$work/clip.mp4"
subtitles="$work/clip.srt"
mkdir -p docs

# Flat colours and a tone that comes and goes: a picture that packs small, a waveform with speech-like gaps.
ffmpeg -loglevel error -y -f lavfi -i smptebars=size=640x360:rate=25 \
  -f lavfi -i "aevalsrc='0.6*sin(2*PI*300*t)*sin(2*PI*0.7*t)*lt(mod(t,2.5),1.8)':s=44100" \
  -t 40 -c:v libx264 -pix_fmt yuv420p -c:a aac "$video"

# Eight lines already written, in the program's own layout; the fifth reads too fast, the sixth overlaps
# the seventh, the eighth is too short: the table flags them.
texts=("大家好，欢迎收看本期节目。" "今天我们来聊一聊字幕的制作。" "先按 F9 标记一句话的开始，" "再按 F10 标记它的结束。"
  "然后输入这句话的文字，按回车保存，就这样一句接着一句地做下去。" "写错了也不要紧，" "按 F7 就能回来修改。" "好。")
times=("00:00:01:000 --> 00:00:03:200" "00:00:03:600 --> 00:00:06:100" "00:00:06:500 --> 00:00:08:400"
  "00:00:08:700 --> 00:00:10:600" "00:00:11:000 --> 00:00:13:000" "00:00:13:400 --> 00:00:15:600"
  "00:00:15:300 --> 00:00:17:800" "00:00:18:200 --> 00:00:18:700")
prefix='{\fn黑体\fs18\bord0\shad3\3c&HFFFFFF&}<b>'
{
  for i in "${!texts[@]}"; do
    printf '%d\r\n%s\r\n%s%s</b>\r\n\r\n' $((i + 1)) "${times[$i]}" "$prefix" "${texts[$i]}"
  done
} | iconv -f UTF-8 -t GBK >"$subtitles"

trap stop_virtual_display EXIT
start_virtual_display "$work" 1366x768x24
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb XDG_CONFIG_HOME="$work/config" LANG=zh_CN.UTF-8

key() { xdotool key --clearmodifiers "$@"; sleep 0.4; }

"$program" "$video" >"$work/titrelle.log" 2>&1 &
program_pid=$!
main=$(wait_for_window '^Titrelle')
# The existing subtitle file: Yes, edit it.
sleep 1
question=$(xdotool search --onlyvisible --name '' 2>/dev/null | while read -r id; do
  [ "$id" != "$main" ] && echo "$id"; done | tail -n 1)
[ -n "$question" ] && xdotool windowactivate --sync "$question" 2>/dev/null || true
key Return
sleep 2
eval "$(xdotool getwindowgeometry --shell "$main")"
left=$X top=$Y

# Edit mode: the caret down the user view onto the fourth line's time line, which replays it, then onto its
# text; the table's row follows. A click on the picture gives the video panel the keys: Space pauses.
xdotool mousemove $((left + 560)) $((top + 300)) click 1
sleep 0.3
key ctrl+Home
for _ in $(seq 13); do xdotool key Down; done
sleep 0.5
key Down
sleep 1
xdotool mousemove $((left + 200)) $((top + 250)) click 1
key space
shoot "$main" workbench-edit 0.8

# The timeline: the block edge nearest the play head (the middle) dragged 40 pixels later and caught
# before the release, drawn in orange where it would land. The edges are found on the screen by colour, in
# a row of the timeline under the waveform.
row_y=$((top + 670))
import -window root -crop "1340x1+${left}+${row_y}" +repage "$work/row.png"
edge=$(convert "$work/row.png" -depth 8 txt:- | grep -i '#4D8FE0' | cut -d, -f1 |
  awk '{ d = $1 - 670; if (d < 0) d = -d; if (best == "" || d < bestd) { best = $1; bestd = d } } END { print best }')
[ -n "$edge" ] || { echo "No line's edge on the timeline." >&2; exit 1; }
xdotool mousemove $((left + edge)) "$row_y"
sleep 0.3
xdotool mousedown 1
sleep 0.2
for step in 10 20 30 40; do xdotool mousemove $((left + edge + step)) "$row_y"; sleep 0.1; done
shoot "$main" timeline-drag 0.8
xdotool mouseup 1
sleep 0.5

# The key help (F1).
key F1
help=$(wait_for_window '帮助|Help|按键')
shoot "$help" key-help 0.8
key Escape

# Capturing (F8): a line marked with F9 and F10, its text typed, while the table stays on the newest line.
key F8
key F9
sleep 1.2
key F10
xdotool type --delay 60 "Titrelle"
shoot "$main" workbench-capture 0.8

kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=""
echo "Pictures in docs/; the work folder is $work."
