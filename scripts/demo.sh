#!/usr/bin/env bash
# A short scripted run of Titrelle on a virtual display: a generated sample video under a Chinese name in a
# Chinese-named folder, opened by naming it on the command line, then three lines each marked with F9 and
# F10, typed with real key presses and ended with Enter. Checks and prints the subtitle file it wrote, and
# the path of a screenshot.
#
# Usage: scripts/demo.sh [path of the titrelle program]   (default: the release build of scripts/run.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
. scripts/virtual-display.sh
# The C compiler and Xlib's headers build the little helper that gives typed characters keys of their own.
ensure_packages $TITRELLE_DISPLAY_PACKAGES gcc libc6-dev libx11-dev

program=$(realpath "${1:-build/release/platforms/linux/titrelle}")
[ -x "$program" ] || { echo "No program at $program: build it first (scripts/run.sh builds it)." >&2; exit 1; }

work=$(mktemp -d /tmp/titrelle-demo.XXXXXX)
# Where our users keep their videos: a folder and a file with Chinese names.
mkdir -p "$work/视频 文件夹"
video="$work/视频 文件夹/电影 第一集.mp4"
subtitles="$work/视频 文件夹/电影 第一集.srt"
screenshot="$work/screenshot.png"
lines=("Hello from Titrelle." "第二句：中文字幕" "The third line, and the end.")

echo "Making a 20-second sample video: $video"
ffmpeg -loglevel error -y -f lavfi -i testsrc=size=640x360:rate=25 -f lavfi -i sine=frequency=440:sample_rate=44100 \
  -t 20 -c:v libx264 -pix_fmt yuv420p -c:a aac "$video"

# xdotool types a character that no key has by lending it a key for a moment; a program that reads the
# keyboard's map a moment late reads another character, or none. Every character typed here gets a key of
# its own before the program starts, so that it reads them with the rest of the map (and type_text below
# presses those keys).
cat >"$work/keys-for.c" <<'EOF'
#include <X11/Xlib.h>
#include <stdlib.h>

/* Gives each character of the UTF-8 text in argv[1] that no key has a free key of its own. */
int main(int argc, char** argv) {
  Display* display = XOpenDisplay(NULL);
  if (display == NULL || argc < 2) return 1;
  int first = 0, last = 0, perKey = 0;
  XDisplayKeycodes(display, &first, &last);
  KeySym* map = XGetKeyboardMapping(display, (KeyCode)first, last - first + 1, &perKey);
  KeySym given[256];
  int count = 0;
  int code = last;
  for (const unsigned char* p = (const unsigned char*)argv[1]; *p != 0;) {
    int length = *p < 0x80 ? 1 : (*p >> 5) == 6 ? 2 : (*p >> 4) == 14 ? 3 : 4;
    unsigned long point = length == 1 ? *p : *p & (0x3F >> (length - 1));
    for (int i = 1; i < length && p[i] != 0; ++i) point = (point << 6) | (p[i] & 0x3F);
    p += length;
    KeySym symbol = point < 0x100 ? point : (0x01000000 | point);
    int known = XKeysymToKeycode(display, symbol) != 0;
    for (int i = 0; i < count; ++i) known = known || given[i] == symbol;
    if (known || count == 256) continue;
    for (; code >= first; --code) {
      int free = 1;
      for (int s = 0; s < perKey; ++s) free = free && map[(code - first) * perKey + s] == NoSymbol;
      if (free) break;
    }
    if (code < first) return 1;
    KeySym symbols[2] = {symbol, symbol};
    XChangeKeyboardMapping(display, code--, 2, symbols, 1);
    given[count++] = symbol;
  }
  XSync(display, False);
  XFree(map);
  XCloseDisplay(display);
  return 0;
}
EOF
cc -O1 -o "$work/keys-for" "$work/keys-for.c" -lX11

trap stop_virtual_display EXIT
# The server keeps the keys given below when their client (the only one yet) disconnects.
start_virtual_display "$work" 1280x1024x24
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
# Settings of this run stay in its own folder.
export XDG_CONFIG_HOME="$work/config"
"$work/keys-for" "${lines[*]}" || { echo "Could not give the typed characters keys of their own." >&2; exit 1; }

# How many subtitles the file holds (its time lines).
subtitle_count() { if [ -f "$subtitles" ]; then grep -c -- ' --> ' "$subtitles" || true; else echo 0; fi; }
# Waits until the file holds $1 subtitles.
wait_for_subtitles() {
  for _ in $(seq 200); do
    [ "$(subtitle_count)" -ge "$1" ] && return 0
    sleep 0.1
  done
  echo "The program did not write subtitle $1; its output is in $work/titrelle.log." >&2
  return 1
}
key() { xdotool key --clearmodifiers "$@"; sleep 0.3; }
# Types $1. A line that is not plain ASCII goes key by key, each named by its code point: xdotool then
# finds the key given to it, where its `type` would lend a key of its own for the moment.
type_text() {
  if LC_ALL=C grep -q '^[ -~]*$' <<<"$1"; then
    xdotool type --delay 40 "$1"
  else
    local names=()
    local word
    for word in $(printf '%s' "$1" | iconv -f UTF-8 -t UTF-32BE | od -An -v -tx4 --endian=big); do
      names+=("$(printf 'U%04X' "0x$word")")
    done
    xdotool key --delay 40 "${names[@]}"
  fi
  sleep 0.3
}

echo "Starting Titrelle on virtual display $DISPLAY with the video: titrelle \"$video\""
"$program" "$video" >"$work/titrelle.log" 2>&1 &
program_pid=$!
main=$(wait_for_window '^Titrelle$')
xdotool windowfocus --sync "$main" 2>/dev/null || true
sleep 1

count=0
for line in "${lines[@]}"; do
  echo "F9, 1.5 seconds of video, F10, typing \"$line\", Enter"
  key F9
  sleep 1.5
  key F10
  sleep 0.7
  type_text "$line"
  key Return
  count=$((count + 1))
  wait_for_subtitles "$count"
done

import -window root "$screenshot"
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=""

written=$(iconv -f GBK -t UTF-8 "$subtitles" | tr -d '\r')
for line in "${lines[@]}"; do
  if ! grep -qF -- "$line" <<<"$written"; then
    echo "The subtitle file lacks the line \"$line\"; it holds:" >&2
    echo "$written" >&2
    exit 1
  fi
done
echo
echo "The subtitle file $subtitles (code page 936, shown here in UTF-8):"
echo "----------------------------------------------------------------------"
echo "$written"
echo "----------------------------------------------------------------------"
echo "Screenshot: $screenshot"
