# The keyboard: space freezes the row while frames go on, d and a move it by
# 110000 bytes (12.47 rows of 44.1 kHz stereo), a before the first step is
# refused, other keys do nothing, and space resumes.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

readonly step_rows=12.4717 # 110000 bytes / 176400 bytes per second * 20 rows per second

# seek KEY MESSAGE: presses KEY and waits for its message and two frames after it.
seek() {
    local count
    count=$(count_lines "^$2\$")
    press "$1"
    wait_for_count "^$2\$" $((count + 1))
    wait_for_frames 2
}

# expect_row ROW WHAT: the latest row is ROW (to the printed precision).
expect_row() {
    near "$(last_row)" "$1" 0.01 || fail "$2: row $(last_row), expected $1"
}

make_demo 20
start_player
wait_for_output '^----------------$'
wait_for_frames 3

# Frames go on while paused: thirty of them show the row standing still,
# however slowly this machine draws them.
press space
wait_for_frames 5
paused_row=$(last_row)
wait_for_frames 30
[ "$(last_row)" = "$paused_row" ] || fail "the row moved from $paused_row to $(last_row) while paused"

# Backwards until a step would go before the start: that seek is refused.
row=$paused_row
for attempt in 1 2 3; do
    seek a BACKWARDS
    if awk -v r="$row" -v s=$step_rows 'BEGIN { exit !(r >= s) }'; then
        row=$(awk -v r="$row" -v s=$step_rows 'BEGIN { print r - s }')
        expect_row "$row" "a moved back"
    else
        expect_row "$row" "a before the first step was not refused"
        break
    fi
done

seek d FORWARDS
expect_row "$(awk -v r="$row" -v s=$step_rows 'BEGIN { print r + s }')" "d while paused"
row=$(last_row)

seek D FORWARDS
seek A BACKWARDS
press x 1 Left
wait_for_frames 3
expect_row "$row" "D, A and three other keys"
wait_for_frames 20
expect_row "$row" "seeks while paused keep the music paused"

press space
wait_for_row "$(awk -v r="$row" 'BEGIN { print r + 5 }')" 30

press Escape
wait_for_exit 20
[ "$player_status" -eq 0 ] || fail "Esc ended the player with status $player_status"
echo "ok"
