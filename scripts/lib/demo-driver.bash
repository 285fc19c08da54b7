# Shell functions that drive a running demoplayer through its window and read
# where it is from its console report. Sourced by scripts/screenshot and the
# end-to-end tests; they run under an X display (Xvfb) with xdotool.
#
#   demo_start DEMO_DIR PLAYER LOG   starts PLAYER in DEMO_DIR, stdout to LOG,
#                                    stderr to LOG.err; sets demo_pid
#   demo_window NAME                 waits for the window titled NAME; sets demo_wid
#   demo_row                         the row of the last frame reported (integer)
#   demo_scene                       the scene index of the last frame reported
#   demo_wait_row ROW [SECONDS]      waits until a frame at ROW or later was drawn
#   demo_seek_to ROW                 presses d until the demo is at ROW or later
#   demo_key KEY...                  sends key presses to the window
#   demo_wait_exit [SECONDS]         waits for the player to end (stopping it after
#                                    SECONDS); sets demo_status to its exit status

demo_start() {
  local dir=$1 player=$2 log=$3
  (cd "$dir" && exec "$player" >"$log" 2>"$log.err" </dev/null) &
  demo_pid=$!
  demo_log=$log
}

demo_window() {
  demo_wid=$(timeout 60 xdotool search --sync --name "^$1\$" | head -n 1) || true
  if [ -z "$demo_wid" ]; then
    echo "demo-driver: no window named \"$1\" appeared" >&2
    return 1
  fi
  # No window manager under Xvfb: give the window the keyboard ourselves.
  xdotool windowfocus "$demo_wid" 2>/dev/null || true
}

# Every frame reports three lines: scene index, seconds, "row" + row.
demo_row() {
  local line
  line=$(grep -a '^row' "$demo_log" | tail -n 1)
  line=${line#row}
  printf '%.0f\n' "${line:-0}" 2>/dev/null || echo 0
}

demo_scene() {
  grep -a -B2 '^row' "$demo_log" | tail -n 3 | head -n 1
}

demo_wait_row() {
  local target=$1 limit=${2:-60} waited=0
  while [ "$(demo_row)" -lt "$target" ]; do
    kill -0 "$demo_pid" 2>/dev/null || { echo "demo-driver: the player ended before row $target" >&2; return 1; }
    sleep 0.1
    waited=$((waited + 1))
    if [ $waited -ge $((limit * 10)) ]; then
      echo "demo-driver: row $target not reached within $limit s (at row $(demo_row))" >&2
      return 1
    fi
  done
}

demo_key() {
  xdotool windowfocus "$demo_wid" 2>/dev/null || true
  xdotool key --delay 40 "$@"
}

# One press of d moves 110000 bytes: 12.5 rows of 44.1 kHz stereo.
demo_seek_to() {
  local target=$1 row presses i
  row=$(demo_row)
  if [ "$row" -lt "$target" ]; then
    presses=$(( (target - row + 12) / 13 ))
    local keys=()
    for ((i = 0; i < presses; i++)); do keys+=(d); done
    demo_key "${keys[@]}"
  fi
  demo_wait_row "$target"
}

demo_wait_exit() {
  local limit=${1:-60} waited=0 status=0
  while kill -0 "$demo_pid" 2>/dev/null; do
    sleep 0.2
    waited=$((waited + 1))
    if [ $waited -ge $((limit * 5)) ]; then
      echo "demo-driver: the player did not end within $limit s; stopping it" >&2
      kill "$demo_pid" 2>/dev/null || true
      break
    fi
  done
  wait "$demo_pid" || status=$?
  demo_status=$status
}
