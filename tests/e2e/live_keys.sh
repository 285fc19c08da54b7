# Live mode's keys: PageDown / PageUp go to the scene track's changes, Home
# to row 0, , and . a beat (a second without a tempo) back and forward, [ ]
# make a loop that playback keeps to, \ clears it, and Tab hides and shows
# the heads-up display. Each key says what it did on standard output. At the
# demo's end live mode holds the last row, paused, until Esc.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/live.sh"

make_demo 20
mkdir "$demo_dir/tracks"
save tracks/scene.txt '0 0 step
100 1 step
300 0 step'
start_live

press Next
wait_for_output '^NEXT SCENE row 100$' 10
wait_for_output '^live: row 1[0-9][0-9] .* scene 1 ' 10
press Next
wait_for_output '^NEXT SCENE row 300$' 10
# PageUp goes to the start of the scene on screen (once a second into it),
# and from near there to the one before.
wait_for_live_row 325
press Prior
wait_for_output '^PREVIOUS SCENE row 300$' 10
press Prior
wait_for_output '^PREVIOUS SCENE row 100$' 10
press Home
wait_for_output '^HOME row 0$' 10
wait_for_count '^live: row' $(( $(count_lines '^live: row') + 1 ))
[ "$(live_row)" -lt 60 ] || fail "Home should go back to row 0, at row $(live_row)"

# Paused, the clock stands still between the two keys, however busy the machine.
press space
wait_for_still_row() {
    local deadline=$((SECONDS + 10)) previous=-1 row
    while :; do
        wait_for_count '^live: row' $(( $(count_lines '^live: row') + 2 ))
        row=$(live_row)
        [ "$row" = "$previous" ] && return
        previous=$row
        [ $SECONDS -lt $deadline ] || fail "space should pause playback"
    done
}
wait_for_still_row
press period
wait_for_output '^BEAT FORWARD row [0-9]+$' 10
forward=$(grep -E '^BEAT FORWARD' "$player_out" | tail -n 1 | sed 's/.* row //')
press comma
wait_for_output '^BEAT BACK row [0-9]+$' 10
back=$(grep -E '^BEAT BACK' "$player_out" | tail -n 1 | sed 's/.* row //')
# Without a tempo a beat is one second: 20 rows.
[ $((forward - back)) -ge 19 ] && [ $((forward - back)) -le 21 ] ||
    fail "a beat forward then back should be 20 rows apart, got $forward and $back"
press space

# A loop of about two seconds, then playing inside it until it has come round twice.
press bracketleft
wait_for_output '^LOOP START row [0-9]+$' 10
start=$(grep -E '^LOOP START' "$player_out" | sed 's/.* row //')
wait_for_live_row $((start + 40))
press bracketright
wait_for_output '^LOOP END row [0-9]+$' 10
end=$(grep -E '^LOOP END' "$player_out" | sed 's/.* row //')
mark=$(count_lines '^live: row')
wait_for_loop_rounds() {
    local deadline=$((SECONDS + 30))
    until [ "$(grep -E '^live: row' "$player_out" | tail -n +$((mark + 1)) | sed -E 's/^live: row ([0-9]+) .*/\1/' |
        awk 'NR > 1 && $1 < previous { rounds++ } { previous = $1 } END { print rounds + 0 }')" -ge 2 ]; do
        [ $SECONDS -lt $deadline ] || fail "playback did not come round the loop $start-$end twice"
        sleep 0.1
    done
}
wait_for_loop_rounds
rows=$(grep -E '^live: row' "$player_out" | tail -n +$((mark + 1)) | sed -E 's/^live: row ([0-9]+) .*/\1/')
[ -n "$rows" ] || fail "no status lines while looping"
for row in $rows; do
    [ "$row" -ge $((start - 1)) ] && [ "$row" -le $((end + 2)) ] ||
        fail "row $row outside the loop $start-$end"
done
grep -q "^live: row .* | loop $start-$end\$" "$player_out" || fail "the status should show the loop"
press backslash
wait_for_output '^LOOP OFF$' 10
wait_for_live_row $((end + 11)) # playback leaves the cleared loop

# The heads-up display darkens the corner of the red picture; Tab takes it away and brings it back.
# Scene 0 (red) stays on screen: back to row 0, paused.
press Home
wait_for_count '^HOME row 0$' 2
press space
wait_for_still_row
expect_not_pixel "${corner[@]}" 255 0 0 "the heads-up display is on at first"
press Tab
wait_for_output '^DISPLAY OFF$' 10
expect_pixel "${corner[@]}" 255 0 0 "Tab should hide the heads-up display"
press Tab
wait_for_output '^DISPLAY ON$' 10
expect_not_pixel "${corner[@]}" 255 0 0 "Tab again should show it"
quit

# The end (row 400) holds row 399, paused; the player goes on until Esc.
start_live --row 390
wait_for_output '^END row 399$' 20
wait_for_still_row
[ "$(live_row)" -eq 399 ] || fail "the end should hold row 399, not $(live_row)"
quit
echo "ok"
