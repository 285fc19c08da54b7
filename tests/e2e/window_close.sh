# Closing the window ends the demo like Esc does: the main loop returns, the
# music is released once, and the player exits with status 0.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

# A window id that names no window: status 2 and one line, not Xlib's report.
status=0
"$DEMOPLAYER_BINARY_DIR/xclose" 0x7ffffff 2>"$demo_dir/xclose_err.txt" || status=$?
[ "$status" -eq 2 ] || fail "xclose on a missing window ended with status $status, not 2"
[ "$(wc -l <"$demo_dir/xclose_err.txt")" -eq 1 ] || fail "xclose on a missing window said: $(cat "$demo_dir/xclose_err.txt")"

make_demo 20
start_player
wait_for_frames 5

window=$(player_window) || fail "the player's window did not appear"
"$DEMOPLAYER_BINARY_DIR/xclose" "$window" || fail "xclose could not ask the window to close"
wait_for_exit 20
[ "$player_status" -eq 0 ] || fail "closing the window ended the player with status $player_status, not 0"
[ ! -s "$player_err" ] || fail "the player wrote to standard error"
echo "ok"
