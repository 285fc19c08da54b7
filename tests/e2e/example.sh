# The example demo end to end: it plays under Xvfb, the d key seeks forward
# through every scene, each scene's window capture (taken paused) is a picture
# that differs from the one before, and the demo ends by itself at its end row
# with status 0.

# A display of our own, the size the example is captured at.
if [ -z "${EXAMPLE_TEST_DISPLAY:-}" ]; then
    EXAMPLE_TEST_DISPLAY=1 exec xvfb-run --auto-servernum \
        --server-args="-screen 0 640x360x24 -nolisten tcp -noreset" bash "$0" "$@"
fi

player_window_name="Lumen Drift"
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"
bin=$DEMOPLAYER_BINARY_DIR
capture="$bin/capture"

# The build's example folder, or (when this build leaves it out) the same
# made here with the tools.
if [ -f "$bin/example/demo.json" ] && [ -f "$bin/example/tune.ogg" ]; then
    ln -s "$bin"/example/* "$demo_dir"/
else
    ln -s "$DEMOPLAYER_SOURCE_DIR"/examples/{*.json,*.vsh,*.fsh} "$demo_dir"/
    "$bin/tunesynth" "$demo_dir/tune.ogg" || fail "tunesynth could not make the tune"
    "$bin/texgen" "$demo_dir" || fail "texgen could not draw the textures"
    for text in "$DEMOPLAYER_SOURCE_DIR"/examples/tracks/*.txt; do
        name=$(basename "$text" .txt)
        "$bin/synctrack" encode "$text" "$demo_dir/sync_$name.track" >/dev/null || fail "synctrack could not encode $text"
    done
fi

start_player
player_window >/dev/null || fail "the example's window did not appear"

# Rows inside each scene, clear of the flashes at the section changes (a
# seek may go up to 12.5 rows past them): intro with the title, tunnel,
# horizon, ink, kaleidoscope, closing title.
rows=(150 420 760 1050 1380 1545)
scenes=(0 1 2 3 4 0)
previous=""
wait_for_row "${rows[0]}" 60
# Paused from here on, the demo draws the moment it was sent to until the
# capture is taken, however slowly this machine runs the player.
press space
for i in "${!rows[@]}"; do
    [ "$i" -eq 0 ] || seek_paused_to_row "${rows[$i]}"
    wait_for_frames 2
    shot="$demo_dir/scene$i.png"
    capture_still "$shot" "$previous"
    scene=$(last_scene)
    [ "$scene" = "${scenes[$i]}" ] || fail "expected scene ${scenes[$i]} near row ${rows[$i]}, the player reports $scene"
    stats=$("$capture" stats "$shot") || fail "the capture in scene $scene is blank: $stats"
    [ -z "$previous" ] || stats="$stats; against the previous: $("$capture" diff "$previous" "$shot")"
    echo "row $(last_row), scene $scene: $stats"
    previous=$shot
done
press space

wait_for_exit 60
[ "$player_status" -eq 0 ] || fail "the player ended with status $player_status"
awk -v r="$(last_row)" 'BEGIN { exit !(r >= 1565) }' || fail "the player stopped before the end row, at row $(last_row)"
grep -q '^FORWARDS$' "$player_out" || fail "the d presses were not reported"
[ ! -s "$player_err" ] || fail "the example gave lines on standard error: $(head -n 3 "$player_err")"
echo "ok: played through every scene and ended at row $(last_row)"
