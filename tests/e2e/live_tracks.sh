# Live mode and tracks: a text track in tracks/ is the source of its track
# and a saved edit shows at once; a broken one keeps the last good keys and
# names file and line; a binary track file saved again is read again.
# Without --live, a text track whose keys differ from its binary's gets one warning.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/live.sh"

make_level_demo

# Without --live the binary is played, and the differing text is pointed out.
start_player
wait_for_frames 3
press Escape
wait_for_exit 20
[ "$(grep -c 'tracks/level.txt: its keys differ from sync_level.track' "$player_err")" -eq 1 ] ||
    fail "the stale binary should be pointed out once"
grep -q 'synctrack encode tracks \.' "$player_err" || fail "the warning should name the command"

start_live
[ "$(error_count 'differ from')" -eq 0 ] || fail "live mode reads the text itself"
expect_pixel "${centre[@]}" 255 0 0 "the text track's level 0 gives red"

save tracks/level.txt '0 1 step'
wait_for_output '^Reloaded tracks/level\.txt$' 10
expect_pixel "${centre[@]}" 255 255 0 "the edited level 1 gives yellow"

save tracks/level.txt '0 0 step
# a comment, then a broken line
5 zero step'
wait_for_error '^tracks/level\.txt:3: '
wait_for_next_status
[ "$(error_count '.')" -eq 1 ] || fail "one line for the broken track"
expect_pixel "${centre[@]}" 255 255 0 "a broken text keeps the last good keys"

# A binary track saved again (here the scene track, now scene 1) is read again.
printf '0 1 step\n' >"$demo_dir/scene.txt"
"$DEMOPLAYER_BINARY_DIR/synctrack" encode "$demo_dir/scene.txt" "$demo_dir/sync_scene.track.new" >/dev/null
mv "$demo_dir/sync_scene.track.new" "$demo_dir/sync_scene.track"
wait_for_output '^Reloaded sync_scene\.track$' 10
wait_for_output '^live: row .* scene 1 ' 10

quit
echo "ok"
