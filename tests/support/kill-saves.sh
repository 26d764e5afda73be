#!/usr/bin/env bash
# Kills saves of a large subtitle file at random points, opens the file as the program does after each kill,
# and counts what the file holds: the old text, the new text, or neither (torn), before and after the open.
# Usage: tests/support/kill-saves.sh build/test/tests/titrelle_save_file [KILLS] [SUBTITLES]
set -euo pipefail
tool=$(realpath "$1")
kills=${2:-50}
subtitles=${3:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

subtitle_file() {  # N TEXT: N subtitles in the program's layout
  awk -v n="$1" -v text="$2" 'BEGIN {
    for (i = 1; i <= n; i++)
      printf "%d\r\n00:00:%02d:%03d --> 00:00:%02d:%03d\r\n%s %d\r\n\r\n", i, i % 60, i % 1000, (i + 1) % 60, i % 1000, text, i }'
}
subtitle_file "$subtitles" "old line" >old.srt
subtitle_file "$subtitles" "the new, longer line" >new.srt
state() { if cmp -s "$1" old.srt; then echo old; elif cmp -s "$1" new.srt; then echo new; else echo torn; fi; }

# Starts a save of new.srt into a.srt and returns once it has read its input and begins to save.
start_save() {
  coproc SAVE { exec "$tool" --announce a.srt <new.srt; }
  read -r _ <&"${SAVE[0]}"
}

# How long an uninterrupted save in place takes (the longer kind); the kills fall anywhere in 1.2 times that
# after the save begins.
cp old.srt a.srt
ln a.srt b.srt
start_save
start=$(date +%s%N)
wait "$SAVE_PID"
save_ns=$(($(date +%s%N) - start))

printf '| save | kills | torn after the kill | completed at the next open | torn after the open |\n|---|---|---|---|---|\n'
for mode in ordinary in-place; do
  torn_before=0 completed=0 torn_after=0
  for ((i = 0; i < kills; i++)); do
    rm -f a.srt b.srt .a.srt.*
    cp old.srt a.srt
    [ "$mode" = in-place ] && ln a.srt b.srt
    start_save
    pid=$SAVE_PID
    sleep "$(awk -v ns="$save_ns" -v r="$RANDOM" 'BEGIN { printf "%.6f", ns * 1.2 * r / 32768 / 1e9 }')"
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ "$(state a.srt)" = torn ] && torn_before=$((torn_before + 1))
    [ "$("$tool" --open a.srt)" = completed ] && completed=$((completed + 1))
    [ "$(state a.srt)" = torn ] && torn_after=$((torn_after + 1))
    if [ "$mode" = in-place ] && ! cmp -s a.srt b.srt; then torn_after=$((torn_after + 1)); fi
  done
  printf '| %s | %d | %d | %d | %d |\n' "$mode" "$kills" "$torn_before" "$completed" "$torn_after"
done
printf '(%d subtitles, %d bytes; one save in place took %d ms)\n' "$subtitles" "$(stat -c %s new.srt)" $((save_ns / 1000000))
