# The track editor's saves are atomic: the player killed in the middle of a
# flood of edits leaves tracks/level.txt and sync_level.track whole, each
# holding a state the editor had (the first k edits, for some k). The text
# is the source: a binary left out of step (a kill between the two writes)
# is rewritten from it at the next start, with one line, and so is the
# binary after an outside save, within a second.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/live.sh"

make_level_demo '0 0.5 step'
# encode_level TEXT: sync_level.track holds the keys of TEXT.
encode_level() {
    printf '%s\n' "$1" >"$demo_dir/old.txt"
    "$DEMOPLAYER_BINARY_DIR/synctrack" encode "$demo_dir/old.txt" "$demo_dir/sync_level.track" >/dev/null ||
        fail "synctrack could not encode $1"
}
encode_level '0 0.75 step'

start_player --edit
wait_for_output '^live: watching'
wait_for_count '^live: row' 2
[ "$(count_lines '^sync_level\.track: rewritten from tracks/level\.txt')" -eq 1 ] ||
    fail "the binary out of step at start should be rewritten with one line"
wait_in_step "at start"

# Saved by another program: the binary follows.
save tracks/level.txt '0 0.25 step'
wait_for_output '^Reloaded tracks/level\.txt$' 10
wait_in_step "after an outside save"
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

# Killed between the text's write and the binary's: the next run puts the
# binary back in step with the text.
count=$(wc -l <"$demo_dir/tracks/level.txt")
encode_level "$(state $((count - 1)))"
start_player --edit
wait_for_output '^live: watching'
wait_for_count '^live: row' 2
wait_for_output '^sync_level\.track: rewritten from tracks/level\.txt'
wait_in_step "after the kill"
quit_editor
echo "ok"
