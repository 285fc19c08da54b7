# Ctrl+C (SIGINT) and kill (SIGTERM) end the player while it plays, even though
# the audio output is running.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

make_demo 20
for signal in INT TERM; do
    : >"$player_out"
    start_player
    wait_for_frames 3
    kill -s "$signal" "$player_pid"
    wait_for_exit 10
    [ "$player_status" -ne 0 ] || fail "SIG$signal ended the player with status 0, not by the signal"
done
echo "ok"
