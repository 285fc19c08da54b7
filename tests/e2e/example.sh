#!/usr/bin/env bash
# The example demo end to end: it plays under Xvfb, the d key seeks forward
# through every scene, each scene's window capture is a picture that differs
# from the one before, and the demo ends by itself at its end row with status 0.
set -euo pipefail

# A display of our own, the size the example is captured at.
if [ -z "${EXAMPLE_TEST_DISPLAY:-}" ]; then
  EXAMPLE_TEST_DISPLAY=1 exec xvfb-run --auto-servernum \
    --server-args="-screen 0 640x360x24 -nolisten tcp" bash "$0" "$@"
fi

source "$DEMOPLAYER_SOURCE_DIR/scripts/lib/demo-driver.bash"
bin=$DEMOPLAYER_BINARY_DIR
capture="$bin/capture"
work=$(mktemp -d)
cleanup() {
  [ -n "${demo_pid:-}" ] && kill "$demo_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  echo "--- last console lines:" >&2
  tail -n 12 "$work/stdout" >&2 || true
  echo "--- standard error:" >&2
  cat "$work/stdout.err" >&2 || true
  exit 1
}

# The build's example folder, or (when this build leaves it out) one made here
# with the same tools.
demo="$bin/example"
if [ ! -f "$demo/demo.json" ] || [ ! -f "$demo/tune.ogg" ]; then
  demo="$work/example"
  mkdir -p "$demo"
  for source in "$DEMOPLAYER_SOURCE_DIR"/examples/{*.json,*.vsh,*.fsh}; do
    ln -s "$source" "$demo/"
  done
  "$bin/tunesynth" "$demo/tune.ogg"
  "$bin/texgen" "$demo"
  for text in "$DEMOPLAYER_SOURCE_DIR"/examples/tracks/*.txt; do
    name=$(basename "$text" .txt)
    "$bin/synctrack" encode "$text" "$demo/sync_$name.track" >/dev/null
  done
fi

demo_start "$demo" "$bin/demoplayer" "$work/stdout"
demo_window "Lumen Drift" || fail "the example's window did not appear"

# Rows inside each scene, clear of the flashes at the section changes:
# intro with the title, tunnel, horizon, ink, kaleidoscope, closing title.
targets=(150 420 760 1050 1380 1545)
scenes=(0 1 2 3 4 0)
previous=""
for i in "${!targets[@]}"; do
  if [ "$i" -eq 0 ]; then
    demo_wait_row "${targets[0]}" 60 || fail "the intro did not play to row ${targets[0]}"
  else
    demo_seek_to "${targets[$i]}" || fail "seeking to row ${targets[$i]} failed"
  fi
  sleep 0.3  # let the frame reach the screen
  shot="$work/scene$i.png"
  "$capture" window "$demo_wid" "$shot" || fail "capture at row $(demo_row) failed"
  scene=$(demo_scene)
  [ "$scene" = "${scenes[$i]}" ] || fail "expected scene ${scenes[$i]} near row ${targets[$i]}, the player reports $scene"
  stats=$("$capture" stats "$shot") || fail "the capture in scene $scene is blank: $stats"
  if [ -n "$previous" ]; then
    difference=$("$capture" diff "$previous" "$shot") || fail "the capture in scene $scene equals the one before"
    echo "row $(demo_row), scene $scene: $stats; against the previous: $difference"
  else
    echo "row $(demo_row), scene $scene: $stats"
  fi
  previous=$shot
done

demo_wait_exit 60
[ "$demo_status" -eq 0 ] || fail "the player ended with status $demo_status"
last=$(grep -a '^row' "$work/stdout" | tail -n 1)
[ "${last#row}" != "" ] && awk -v r="${last#row}" 'BEGIN { exit !(r >= 1565) }' \
  || fail "the player stopped before the end row (last report: $last)"
grep -q "FORWARDS" "$work/stdout" || fail "the d presses were not reported"
echo "example: played through every scene and ended at $last"
