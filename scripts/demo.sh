#!/usr/bin/env bash
# A short scripted run of Titrelle on a virtual display: a generated sample video under a Chinese name in a
# Chinese-named folder, real key presses for opening it (Alt+O, the path typed into the dialog, Enter), then
# three lines each marked with F9 and F10, typed and ended with Enter. Prints the subtitle file it wrote and the path of a screenshot.
#
# Usage: scripts/demo.sh [path of the titrelle program]   (default: the release build of scripts/run.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages $TITRELLE_DISPLAY_PACKAGES

program=$(realpath "${1:-build/release/platforms/linux/titrelle}")
[ -x "$program" ] || { echo "No program at $program: build it first (scripts/run.sh builds it)." >&2; exit 1; }

work=$(mktemp -d /tmp/titrelle-demo.XXXXXX)
# Where our users keep their videos: a folder and a file with Chinese names.
mkdir -p "$work/视频 文件夹"
video="$work/视频 文件夹/电影 第一集.mp4"
subtitles="$work/视频 文件夹/电影 第一集.srt"
screenshot="$work/screenshot.png"

echo "Making a 20-second sample video: $video"
ffmpeg -loglevel error -y -f lavfi -i testsrc=size=640x360:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
  -t 20 -c:v libx264 -pix_fmt yuv420p -c:a aac "$video"

# A display number nobody uses.
display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb=$!
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=":$display"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
# Settings of this run stay in its own folder.
export XDG_CONFIG_HOME="$work/config"

# Waits until a window whose title matches $1 exists; its id on stdout.
wait_for_window() {
  local id
  for _ in $(seq 150); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "No window '$1' appeared." >&2
  return 1
}
key() { xdotool key --clearmodifiers "$@"; sleep 0.3; }
type_text() { xdotool type --delay 40 "$1"; sleep 0.3; }

echo "Starting Titrelle on virtual display $DISPLAY"
"$program" >"$work/titrelle.log" 2>&1 &
program_pid=$!
main=$(wait_for_window '^Titrelle$')
xdotool windowfocus --sync "$main" 2>/dev/null || true
sleep 0.5

echo "Alt+O, typing the video's path, Enter"
key alt+o
wait_for_window '^Open$' >/dev/null || wait_for_window '' >/dev/null
sleep 0.5
type_text "$video"
key Return
sleep 1
# A subtitle file beside the video would bring a question: start a new file.
if xdotool search --onlyvisible --name '^Information$' >/dev/null 2>&1; then key alt+n; fi

lines=("Hello from Titrelle." "第二句：中文字幕" "The third line, and the end.")
for line in "${lines[@]}"; do
  echo "F9, 1.5 seconds of video, F10, typing \"$line\", Enter"
  key F9
  sleep 1.5
  key F10
  sleep 0.5
  type_text "$line"
  key Return
  sleep 0.5
done

import -window root "$screenshot"
sleep 0.3
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=""

if [ ! -f "$subtitles" ]; then
  echo "The program wrote no subtitle file; its output is in $work/titrelle.log." >&2
  exit 1
fi
echo
echo "The subtitle file $subtitles (code page 936, shown here in UTF-8):"
echo "----------------------------------------------------------------------"
iconv -f GBK -t UTF-8 "$subtitles" | tr -d '\r'
echo "----------------------------------------------------------------------"
echo "Screenshot: $screenshot"
