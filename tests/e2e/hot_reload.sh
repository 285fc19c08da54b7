# Live editing: saving a new fragment shader while the demo plays prints the
# three reload messages and the next frames draw the new program.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

# is_colour "R G B" R G B: the mean colour is within 8 of R G B.
is_colour() {
    local actual=($1)
    near "${actual[0]}" "$2" 8 && near "${actual[1]}" "$3" 8 && near "${actual[2]}" "$4" 8
}

make_demo 20
start_player
wait_for_output '^----------------$'
wait_for_frames 5
colour=$(capture_colour)
is_colour "$colour" 255 0 0 || fail "scene 0 should be red before the edit, the window shows $colour"

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
colour=$(capture_colour)
is_colour "$colour" 0 255 0 || fail "the rebuilt shader should draw green, the window shows $colour"
[ "$(count_lines '^timestamp is different')" -eq 1 ] || fail "only the fragment file changed"

press Escape
wait_for_exit 20
[ "$player_status" -eq 0 ] || fail "Esc ended the player with status $player_status"
echo "ok"
