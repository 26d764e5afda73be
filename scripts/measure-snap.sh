#!/usr/bin/env bash
# Measures how close F9 and F10 marks land to the speech, with and without the snap: speaks sixteen Mandarin
# sentences with espeak-ng, converts them to 16-bit mono at 48 kHz with ffmpeg, builds the measuring program
# (Release, in build/bench) and runs it on them. Extra arguments go to the measuring program, e.g.
#
#   scripts/measure-snap.sh                     # the figures in README
#   scripts/measure-snap.sh --noise-db=-40 --show=10
#
# espeak-ng is a measuring tool only: neither the build nor the tests need it.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages $TITRELLE_BUILD_PACKAGES espeak-ng ffmpeg

sentences=(
  "今天天气很好，我们去公园散步吧。"
  "请把窗户关上。"
  "他说明天早上八点出发。"
  "这本书我已经看了三遍了。"
  "你知道火车站怎么走吗？"
  "发生了什么事情？"
  "我们必须在天黑以前赶到山顶。"
  "苹果和香蕉都很便宜。"
  "谢谢你的帮助。"
  "孩子们在操场上踢足球。"
  "会议推迟到下个星期三。"
  "小心，地上很滑。"
  "电影马上就要开始了，快点进来。"
  "我不同意这个办法。"
  "森林里住着一只老虎。"
  "他每天坐地铁去上班。"
)

material=build/snap-material
mkdir -p "$material"
clips=()
for i in "${!sentences[@]}"; do
  clip="$material/sentence-$(printf %02d "$i").raw"
  if [ ! -s "$clip" ]; then
    espeak-ng -v cmn -w "$material/spoken.wav" "${sentences[$i]}"
    ffmpeg -loglevel error -y -i "$material/spoken.wav" -ac 1 -ar 48000 -f s16le "$clip"
  fi
  clips+=("$clip")
done
rm -f "$material/spoken.wav"

mkdir -p build/bench
if ! { cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DTITRELLE_BENCH=ON -DTITRELLE_TESTS=OFF &&
       cmake --build build/bench -j 2 --target titrelle_snap_accuracy; } >build/bench/snap-build.log 2>&1; then
  tail -n 40 build/bench/snap-build.log
  echo "The build failed; its whole output is in build/bench/snap-build.log." >&2
  exit 1
fi
build/bench/bench/titrelle_snap_accuracy --rate=48000 "$@" "${clips[@]}"
