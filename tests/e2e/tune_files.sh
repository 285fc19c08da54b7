# A tune.ogg that is a named pipe, or a tune followed by gigabytes of zero
# bytes: the player starts promptly either way, answers Esc from its first
# frames and ends with status 0. The pipe is refused with one line and the
# clock stays at 0; the padded tune plays as the tune alone, silently.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

make_demo 20

# A named pipe that nobody ever writes to.
rm "$demo_dir/tune.ogg"
mkfifo "$demo_dir/tune.ogg"
start_player
wait_for_frames 3 15
[ "$(last_row)" = "0" ] || fail "without music the clock is not at row 0 but at row $(last_row)"
press Escape
wait_for_exit 20
[ "$player_status" -eq 0 ] || fail "Esc ended the player with status $player_status, not 0"
[ "$(wc -l <"$player_err")" -eq 1 ] || fail "not exactly one line on standard error for a named pipe"
grep -q '^tune.ogg: cannot play the music: is a named pipe$' "$player_err" ||
    fail "the named pipe is not reported as such: $(cat "$player_err")"

# The tune, then 2 GB of zero bytes (a sparse file, no disk space used).
rm "$demo_dir/tune.ogg"
"$DEMOPLAYER_BINARY_DIR/tonefile" "$demo_dir/tune.ogg" 20 || fail "tonefile could not make the tune"
truncate -s +2G "$demo_dir/tune.ogg"
: >"$player_out"
start_player
wait_for_frames 3 15
wait_for_row 4 15
press Escape
wait_for_exit 20
[ "$player_status" -eq 0 ] || fail "Esc ended the player with status $player_status, not 0"
[ ! -s "$player_err" ] || fail "the padded tune gave lines on standard error"
echo "ok"
