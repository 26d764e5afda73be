# Sourced by the scripts that drive the program on a virtual display of their own (the demo, the pictures).

xvfb=""
program_pid=""

# Starts a virtual X server with a screen of $2 (such as 1366x768x24), its log and its display number in
# folder $1, and exports DISPLAY; its process id is in $xvfb. The caller traps EXIT with stop_virtual_display
# first (or with a clean-up of its own that calls it). The server picks a display number nobody uses and
# says which when it is ready (another program may take a free-looking number at the same moment).
# -noreset: it keeps what its first clients set (the demo's keys) when they disconnect.
start_virtual_display() {
  Xvfb -displayfd 3 -screen 0 "$2" -nolisten tcp -noreset 3>"$1/display-number" >"$1/xvfb.log" 2>&1 &
  xvfb=$!
  for _ in $(seq 300); do [ -s "$1/display-number" ] && break; sleep 0.1; done
  local display
  display=$(head -n 1 "$1/display-number")
  [ -n "$display" ] || { echo "The virtual display did not start; see $1/xvfb.log." >&2; return 1; }
  export DISPLAY=":$display"
}

# Ends the program started on the display (its process id in $program_pid, once it runs), then the server.
stop_virtual_display() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}

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

# The picture of the screen's area of window $1 as docs/$2.png, in few colours so that it stays small, taken
# $3 seconds on (the player's next frames, the labels' and the strip's next paint); made in folder $work.
shoot() {
  sleep "$3"
  eval "$(xdotool getwindowgeometry --shell "$1")"
  import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$work/$2.png"
  convert "$work/$2.png" -strip -colors 96 "PNG8:docs/$2.png"
  echo "docs/$2.png: $(stat -c %s "docs/$2.png") bytes"
}
