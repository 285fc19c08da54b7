# Shared by the end-to-end tests of live mode (sourced after player.sh):
# saving files as editors do, reading the window's pixels, and following the
# status lines and standard error of `demoplayer --live`.

# save NAME TEXT: writes TEXT to NAME.new beside NAME and renames it into
# place, as editors save.
save() {
    printf '%s\n' "$2" >"$demo_dir/$1.new"
    mv "$demo_dir/$1.new" "$demo_dir/$1"
}

# make_level_demo: the test demo (make_demo) whose scene 0 shows the track
# "level" in its green (red at 0, yellow at 1), with the text track
# tracks/level.txt holding TEXT (default "0 0 step").
make_level_demo() {
    make_demo 20
    sed -i 's/"fragmentsrc": "solid.fsh"/"fragmentsrc": "solid.fsh", "parameters": ["level"]/' "$demo_dir/demo.json"
    save solid.fsh '#version 140
uniform float level;
out vec4 colour;
void main() { colour = vec4(1.0, level, 0.0, 1.0); }'
    mkdir "$demo_dir/tracks"
    save tracks/level.txt "${1:-0 0 step}"
}

# window_pixel X Y: the colour "R G B" of the window's pixel at X, Y.
window_pixel() {
    local window picture="$demo_dir/pixel.png"
    window=$(player_window) || fail "the player's window did not appear"
    "$DEMOPLAYER_BINARY_DIR/capture" window "$window" "$picture" || fail "capture could not read the window"
    "$DEMOPLAYER_BINARY_DIR/capture" pixel "$picture" "$1" "$2" || fail "capture could not read pixel $1 $2"
}

# pixel_near X Y R G B: true when the pixel is within 12 of R G B.
pixel_near() {
    local colour
    colour=($(window_pixel "$1" "$2"))
    near "${colour[0]}" "$3" 12 && near "${colour[1]}" "$4" 12 && near "${colour[2]}" "$5" 12
}

# How long a picture may take to show: as long as the other waits, for a
# machine busy with other work.
pixel_seconds=20

# expect_pixel X Y R G B WHAT: waits until the pixel shows R G B.
expect_pixel() {
    local deadline=$((SECONDS + pixel_seconds))
    until pixel_near "$1" "$2" "$3" "$4" "$5"; do
        [ $SECONDS -lt $deadline ] || fail "$6: pixel $1 $2 shows $(window_pixel "$1" "$2"), not $3 $4 $5, after $pixel_seconds s"
        kill -0 "$player_pid" 2>/dev/null || fail "$6: the player ended"
        sleep 0.1
    done
}

# expect_not_pixel X Y R G B WHAT: waits until the pixel no longer shows R G B.
expect_not_pixel() {
    local deadline=$((SECONDS + pixel_seconds))
    while pixel_near "$1" "$2" "$3" "$4" "$5"; do
        [ $SECONDS -lt $deadline ] || fail "$6: pixel $1 $2 still shows $3 $4 $5 after $pixel_seconds s"
        kill -0 "$player_pid" 2>/dev/null || fail "$6: the player ended"
        sleep 0.1
    done
}

# wait_for_window_change BEFORE.png AFTER.png WHAT: captures the window into
# AFTER.png until it differs from BEFORE.png.
wait_for_window_change() {
    local window deadline=$((SECONDS + pixel_seconds))
    window=$(player_window) || fail "the player's window did not appear"
    while :; do
        "$DEMOPLAYER_BINARY_DIR/capture" window "$window" "$2" || fail "capture could not read the window"
        "$DEMOPLAYER_BINARY_DIR/capture" diff "$1" "$2" >/dev/null && return 0
        [ $SECONDS -lt $deadline ] || fail "$3: the window still shows the same picture after $pixel_seconds s"
        sleep 0.1
    done
}

# Where the window's centre and its top left corner (under the heads-up
# display and the error overlay) are, on the tests' 640x360 screen.
centre=(320 180)
corner=(2 2)

# live_row: the row of the latest status line.
live_row() {
    grep -E '^live: row' "$player_out" | tail -n 1 | sed -E 's/^live: row (-?[0-9]+) .*/\1/'
}

# wait_for_live_row ROW [SECONDS]: waits until a status line shows ROW or later.
wait_for_live_row() {
    local deadline=$((SECONDS + ${2:-30}))
    until [ "$(live_row)" -ge "$1" ] 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "row $1 not reached within ${2:-30} s (at row $(live_row))"
        kill -0 "$player_pid" 2>/dev/null || fail "the player ended before row $1"
        sleep 0.05
    done
}

# live_scene: the scene of the latest status line.
live_scene() {
    grep -E '^live: row' "$player_out" | tail -n 1 | sed -E 's/.* scene (-?[0-9]+).*/\1/'
}

# wait_for_next_status: waits for the next status line (one a second), so
# that the frames drawn since have handled whatever the last save set off.
wait_for_next_status() {
    wait_for_count '^live: row' $(($(count_lines '^live: row') + 1)) 10
}

# start_live: the test demo in live mode, once it watches and draws.
start_live() {
    start_player --live "$@"
    wait_for_output '^live: watching'
    wait_for_count '^live: row' 2
}

# quit: Esc ends the player with status 0.
quit() {
    press Escape
    wait_for_exit 20
    [ "$player_status" -eq 0 ] || fail "Esc ended the player with status $player_status"
}

# quit_editor: in the track editor a first Esc only asks; a second ends the
# player with status 0.
quit_editor() {
    press Escape
    sleep 0.2
    kill -0 "$player_pid" 2>/dev/null || fail "a first Esc in the track editor ended the player"
    press Escape
    wait_for_exit 20
    [ "$player_status" -eq 0 ] || fail "Esc ended the player with status $player_status"
}

# wait_in_step [WHAT]: every tracks/NAME.txt agrees with its sync_NAME.track
# within two seconds.
wait_in_step() {
    local deadline=$((SECONDS + 2))
    until "$DEMOPLAYER_BINARY_DIR/synctrack" check "$demo_dir/tracks" "$demo_dir" >/dev/null 2>&1; do
        [ $SECONDS -lt $deadline ] ||
            fail "${1:-the tracks}: $("$DEMOPLAYER_BINARY_DIR/synctrack" check "$demo_dir/tracks" "$demo_dir" 2>&1)"
        sleep 0.05
    done
}
