#!/usr/bin/env bash
# Runs the Windows program's driver under Wine, on the display and in the prefix the caller set up
# (scripts/test-windows.sh); every wine command has a time limit, so that a hung program fails the run.
# run-under-wine.sh DRIVER.exe ARGUMENT...
set -uo pipefail
driver="$1"
shift
started=$(date +%s)
timeout 120 wine wineboot -i >/dev/null 2>&1
echo "figure new Wine prefix: $(($(date +%s) - started)) s"
log="${TMPDIR:-/tmp}/titrelle-wine-$$.log"
timeout 600 wine "$driver" "$@" 2>"$log"
result=$?
# Wine and its libraries talk on standard error (no sound card, plugins); shown only when the run failed.
[ $result -ne 0 ] && tail -n 30 "$log" | grep -v "^ALSA lib" >&2
rm -f "$log"
timeout 60 wineserver -k >/dev/null 2>&1
exit $result
