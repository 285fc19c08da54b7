# The track editor (--edit): paused at row 0, a value typed into the "level"
# column reaches tracks/level.txt (its comments kept) and sync_level.track
# and the picture; Ctrl+Z takes it back from both. A text track saved by
# another editor shows in the track editor and on the picture, and is one
# more step of its history. A click on a row number seeks; Esc quits only
# when pressed twice.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/live.sh"

make_level_demo '# how green
0 0 step  # dark at first'


# wait_for_file NAME TEXT: NAME holds TEXT (each save is a rename, so a
# file read is always whole).
wait_for_file() {
    local deadline=$((SECONDS + 20))
    until [ "$(cat "$demo_dir/$1" 2>/dev/null)" = "$2" ]; do
        [ $SECONDS -lt $deadline ] ||
            fail "$1 holds '$(cat "$demo_dir/$1")', not '$2' (the text tracks: $(tail -n +1 "$demo_dir"/tracks/*.txt))"
        sleep 0.1
    done
}

# wait_for_track VALUE: sync_level.track holds the one key "0 VALUE step".
wait_for_track() {
    local deadline=$((SECONDS + 20))
    until [ "$("$DEMOPLAYER_BINARY_DIR/synctrack" decode "$demo_dir/sync_level.track" 2>/dev/null)" = "0 $1 step" ]; do
        [ $SECONDS -lt $deadline ] || fail "sync_level.track does not hold 0 $1 step"
        sleep 0.1
    done
}

start_player --edit
wait_for_output '^live: watching'
wait_for_count '^live: row' 2
# The picture's centre: right of the panel, which takes 45 % of the width.
eval "$(xdotool getwindowgeometry --shell "$(player_window)")"
picture=($((WIDTH * 725 / 1000)) $((HEIGHT / 2)))
press space Home
# The columns by name: fft_sampling_index, fstr_val, level, scene.
press Right Right 1 Return
wait_for_file tracks/level.txt '# how green
0 1 step  # dark at first'
wait_for_track 1
expect_pixel "${picture[@]}" 255 255 0 "the typed level 1 gives yellow"

press ctrl+z
wait_for_file tracks/level.txt '# how green
0 0 step  # dark at first'
wait_for_track 0
expect_pixel "${picture[@]}" 255 0 0 "undone, level 0 gives red again"

# Saved by another editor: read into the track editor, on the picture at once.
save tracks/level.txt '0 1 linear'
wait_for_output '^Reloaded tracks/level\.txt$' 10
expect_pixel "${picture[@]}" 255 255 0 "the outside edit gives yellow"
# Undone like any other edit: the key comes back with its own comment (the
# outside text had dropped the comment line above it).
press ctrl+z
wait_for_file tracks/level.txt '0 0 step  # dark at first'
expect_pixel "${picture[@]}" 255 0 0 "the outside edit is undone like any other"

# A text that does not parse: one line naming file and line, the keys stay.
save tracks/level.txt '0 1 step
x'
wait_for_error '^tracks/level\.txt:2: '
expect_pixel "${picture[@]}" 255 0 0 "a broken text keeps the editor's keys"

# The mouse: a click on a row number below the cursor's row seeks there
# (paused, the cursor and the music move together); a first Esc asks, the
# quit below answers.
# A status line goes out once a second: the one read must come after the
# keys above, or it may still show the row before Space paused.
wait_for_next_status
[ "$(live_row)" -eq 0 ] || fail "the cursor should still be at row 0, not $(live_row)"
xdotool mousemove --window "$(player_window)" 20 $((HEIGHT * 60 / 100)) click 1
deadline=$((SECONDS + 10))
until [ "$(live_row)" -gt 0 ] 2>/dev/null; do
    [ $SECONDS -lt $deadline ] || fail "a click on a row number did not seek (row $(live_row))"
    sleep 0.1
done
quit_editor
echo "ok"
