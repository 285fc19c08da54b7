# The track editor's saves are atomic: the player killed in the middle of a
# flood of edits leaves tracks/level.txt and sync_level.track whole, each
# holding a state the editor had (the first k edits, for some k).
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/live.sh"

make_level_demo

start_player --edit
wait_for_output '^live: watching'
wait_for_count '^live: row' 2
press space Home Right Right

# Edit k (from 1) sets the value k at row k - 1.
edits=()
for k in $(seq 1 150); do
    edits+=($(echo "$k" | sed 's/./& /g') Return Down)
done
xdotool key --delay 5 "${edits[@]}" 2>/dev/null &
typist=$!

# Killed once several saves have gone out, while the typing goes on.
deadline=$((SECONDS + 60))
until [ "$(wc -l <"$demo_dir/tracks/level.txt")" -ge 12 ]; do
    [ $SECONDS -lt $deadline ] || fail "the edits were not saved"
    sleep 0.05
done
kill -KILL "$player_pid"
wait "$player_pid" 2>/dev/null || true
# The typing runs to its end: stopped between a key's press and its release,
# it would leave the key held down on the X server, repeating into the next
# test's window.
wait "$typist" 2>/dev/null || true

# state K: the text of the first K edits.
state() {
    local r
    for ((r = 0; r < $1; r++)); do
        echo "$r $((r + 1)) step"
    done
}
text=$(cat "$demo_dir/tracks/level.txt")
count=$(printf '%s\n' "$text" | wc -l)
[ "$text" = "$(state "$count")" ] || fail "tracks/level.txt is no state the editor had: $text"
"$DEMOPLAYER_BINARY_DIR/synctrack" encode "$demo_dir/tracks/level.txt" "$demo_dir/check.track" ||
    fail "tracks/level.txt does not parse"
binary=$("$DEMOPLAYER_BINARY_DIR/synctrack" decode "$demo_dir/sync_level.track") ||
    fail "sync_level.track does not read"
count=$(printf '%s\n' "$binary" | wc -l)
[ "$binary" = "$(state "$count")" ] || fail "sync_level.track is no state the editor had: $binary"
echo "ok"
