# Live editing: saving a new fragment shader while the demo plays prints the
# three reload messages and the next frames draw the new program.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

# expect_window R G B WHAT: the window's mean colour is within 8 of R G B.
# The capture tool comes with the example demo; a build without it checks
# the console messages only.
expect_window() {
    if [ ! -x "$DEMOPLAYER_BINARY_DIR/capture" ]; then
        echo "note: no capture tool in this build; the window's colour is not checked" >&2
        return
    fi
    local colour
    colour=$(capture_colour)
    local actual=($colour)
    near "${actual[0]}" "$1" 8 && near "${actual[1]}" "$2" 8 && near "${actual[2]}" "$3" 8 ||
        fail "$4, the window shows $colour"
}

make_demo 20
start_player
wait_for_output '^----------------$'
wait_for_frames 5
expect_window 255 0 0 "scene 0 should be red before the edit"

# New text with a modification time the player has not recorded, put in
# place at once (as editors save), so the player sees one change.
sed 's/vec4(1.0, 0.0, 0.0, 1.0)/vec4(0.0, 1.0, 0.0, 1.0)/' "$demo_dir/solid.fsh" >"$demo_dir/solid.fsh.new"
touch -d "@$(( $(date +%s) + 100 ))" "$demo_dir/solid.fsh.new"
mv "$demo_dir/solid.fsh.new" "$demo_dir/solid.fsh"

# Scene 0 has one pass: entry 0 is examined every 64th frame.
wait_for_output '^timestamp is different, file has been modified$' 30
wait_for_output '^source is diff$'
wait_for_output '^Shader code modified, compiling\.\.-{21}$'
wait_for_count '^\{  Compiled Shader Program and attached ID number [0-9]+ to it\.  \}$' 3
wait_for_frames 3
expect_window 0 255 0 "the rebuilt shader should draw green"
[ "$(count_lines '^timestamp is different')" -eq 1 ] || fail "only the fragment file changed"

press Escape
wait_for_exit 20
[ "$player_status" -eq 0 ] || fail "Esc ended the player with status $player_status"
echo "ok"
