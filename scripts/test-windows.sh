#!/usr/bin/env bash
# Cross-builds the Windows program (titrelle.exe) and its driver with mingw-w64, checks that the .exe needs
# only the system's own DLLs and that the zip holds it, then runs the driver under Wine on a virtual X server.
# The driver prints one line a check and "N passed, N failed"; this script fails when a check fails.
# Then the core's and the scenarios' tests, built as Windows programs, and the tests of the Windows file edge
# and registry run under Wine too: the core's Windows code (codec, files, registry) tested for real.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/packages.sh
ensure_packages $TITRELLE_WINDOWS_PACKAGES

# Wine takes code page 936 from a Chinese locale.
if ! locale -a 2>/dev/null | grep -qi '^zh_CN\.utf-\?8$'; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi

build=build/windows
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DTITRELLE_TESTS=ON -DTITRELLE_LINUX_SHELL=OFF >/dev/null
test_programs=(titrelle_core_tests titrelle_scenario_tests titrelle_windows_tests)
cmake --build "$build" -j "$(nproc)" --target titrelle titrelle_windows_driver "${test_programs[@]}"
exe="$build/platforms/windows/titrelle.exe"
driver="$build/tests/windows/titrelle_windows_driver.exe"
status=0

# One static .exe: every DLL it names is one of the system's own.
system_dlls="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll mfplat.dll mfreadwrite.dll msvcrt.dll \
ole32.dll oleaut32.dll shell32.dll user32.dll winmm.dll"
for dll in $(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ {print tolower($3)}'); do
  if ! grep -qw "$dll" <<<"$system_dlls"; then
    echo "titrelle.exe needs $dll, which is not a system DLL"
    status=1
  fi
done
[ $status -eq 0 ] && echo "ok     titrelle.exe imports only system DLLs"

# Its resources: the icon (types 3 and 14) and the manifest (type 24) asking for the common controls 6.
types=$(x86_64-w64-mingw32-objdump -p "$exe" | sed -n '/Resource Directory section/,$p' |
  grep -oE '^[0-9a-f]+   Entry: ID: 0x[0-9a-f]+' | awk '{print $4}' | sort | tr '\n' ' ')
if [ "$types" = "0x000003 0x00000e 0x000018 " ] && grep -aq 'Microsoft.Windows.Common-Controls' "$exe"; then
  echo "ok     titrelle.exe holds its icon and its manifest"
else
  echo "FAILED titrelle.exe's resources: types $types"
  status=1
fi

# The zip for Windows users: the .exe and its read-me.
(cd "$build" && cpack -G ZIP >/dev/null)
zip=$(ls "$build"/titrelle-*-windows-x86_64.zip)
listing=$(cmake -E tar tf "$zip")
if grep -q "titrelle.exe" <<<"$listing" && grep -q "README-Windows.txt" <<<"$listing"; then
  echo "ok     $zip holds titrelle.exe and README-Windows.txt"
else
  echo "FAILED $zip: $listing"
  status=1
fi

# A fresh Wine prefix each run, in the build folder.
export WINEPREFIX="$PWD/$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"  # a crash exits instead of waiting in the debugger
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
rm -rf "$WINEPREFIX"
video="$PWD/$build/clip.mp4"
if command -v ffmpeg >/dev/null 2>&1; then
  ffmpeg -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25 -f lavfi -i sine=frequency=440 -t 6 \
    -pix_fmt yuv420p -shortest "$video"
fi
# A video whose sound is silent but for a tone from 1.0 s to 1.5 s: the driver's F9 on the speech, and the
# decoded peaks of the test programs below.
tone="$PWD/$build/tone-burst.mp4"
if command -v ffmpeg >/dev/null 2>&1; then
  ffmpeg -loglevel error -y -f lavfi -i testsrc=size=320x240:rate=25 \
    -f lavfi -i "aevalsrc='if(between(t,1,1.5),0.5*sin(2*PI*440*t),0)':s=44100:d=2.5" \
    -t 2.5 -pix_fmt yuv420p -c:a aac -shortest "$tone"
fi
windows_path() { echo "Z:${1//\//\\}"; }
arguments=("$(windows_path "$PWD/$exe")" 'C:\titrelle-test')
[ -f "$video" ] && arguments+=("$(windows_path "$video")") && [ -f "$tone" ] && arguments+=("$(windows_path "$tone")")

if ! xvfb-run -a -s "-screen 0 1280x1024x24" tests/windows/run-under-wine.sh "$driver" "${arguments[@]}"; then
  echo "FAILED the Windows program's driver under Wine"
  status=1
fi

# The test programs run in the prefix the driver's run made, one after the other, on a virtual X server of
# their own (the timeline's test gives its window the mouse and the wheel). The sound's peaks are decoded from
# the tone's video.
if [ -f "$tone" ]; then
  export TITRELLE_TONE_VIDEO
  TITRELLE_TONE_VIDEO=$(windows_path "$tone")
fi
started=$(date +%s)
count=0
tests_status=0
for program in "${test_programs[@]}"; do
  log="$PWD/$build/$program.log"
  if timeout 600 xvfb-run -a -s "-screen 0 1280x1024x24" wine "$build/tests/$program.exe" --gtest_brief=1 \
    >"$log" 2>&1; then
    ran=$(sed -n 's/^\[==========\] \([0-9]*\) tests\? from .* ran\..*/\1/p' "$log")
    count=$((count + ${ran:-0}))
  else
    grep -v "^ALSA lib" "$log" | tail -n 60
    echo "FAILED $program.exe under Wine"
    tests_status=1
  fi
done
timeout 60 wineserver -k >/dev/null 2>&1 || true
if [ $tests_status -eq 0 ]; then
  echo "ok     $count tests of the core, the scenarios and the Windows edge passed under Wine" \
    "($(($(date +%s) - started)) s)"
else
  status=1
fi
exit $status
