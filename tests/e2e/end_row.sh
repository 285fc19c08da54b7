# Seeking forwards past row 1565 (78.25 s) ends the demo by itself, status 0.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

make_demo 80
# Without "end_row" of its own, the demo ends at row 1565.
sed -i '/"end_row"/d' "$demo_dir/demo.json"
start_player
wait_for_output '^----------------$'
wait_for_frames 3

# 126 steps of 12.47 rows reach row 1571; the tune lasts until row 1600.
window=$(player_window) || fail "the player's window did not appear"
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key --delay 5 --repeat 126 d 2>/dev/null || true # the window goes away at the end
wait_for_exit 60
[ "$player_status" -eq 0 ] || fail "the end row ended the player with status $player_status"
final_row=$(last_row)
awk -v r="$final_row" 'BEGIN { exit !(r >= 1565) }' || fail "the player ended at row $final_row, before 1565"
echo "ok"
