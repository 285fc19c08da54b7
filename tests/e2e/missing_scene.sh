# A row whose scene does not exist: every frame says so and draws the first
# scene instead, and the alarm (1100 Hz for 300 ms, then 880 Hz for 150 ms)
# holds the first such frame once, not every frame.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

make_demo 20
printf '0 7 step\n' >"$demo_dir/sync_scene.txt"
encode_tracks

# Standard output with the arrival time of every line, in seconds.
(cd "$demo_dir" && exec "$DEMOPLAYER_BINARY_DIR/demoplayer") 2>"$player_err" \
    > >(while IFS= read -r line; do printf '%s %s\n' "$EPOCHREALTIME" "$line"; done >"$player_out") &
player_pid=$!

wait_for_count ' No such scene found! $' 12
report=$(grep -m 1 -B 4 ' No such scene found! $' "$player_out" | cut -d' ' -f2- | paste -sd '|')
echo "$report" | grep -Eq '^7\|[0-9.e-]+\|row[0-9.e-]+\|fstr_val0\.5\|No such scene found! $' ||
    fail "a frame without its scene should report '7|SECONDS|rowROW|fstr_val0.5|No such scene found! ', not '$report'"

# The alarm holds the first frame for 450 ms: its "No such scene" line leaves
# with the next frame's first line. An alarm in every frame would hold each of
# the ten after it as long; however slowly a busy machine draws, one of them
# comes sooner. (Which frames sound it is frame_decisions_test's to check.)
times=($(grep -E ' row' "$player_out" | head -n 12 | cut -d' ' -f1))
first_gap=$(awk -v a="${times[0]}" -v b="${times[1]}" 'BEGIN { print b - a }')
shortest=$(printf '%s\n' "${times[@]:1}" | awk 'NR > 1 { g = $1 - previous; if (s == "" || g < s) s = g } { previous = $1 } END { print s }')
awk -v g="$first_gap" 'BEGIN { exit !(g >= 0.44) }' || fail "the first frame without a scene took $first_gap s: no alarm"
awk -v g="$shortest" 'BEGIN { exit !(g < 0.44) }' || fail "each of ten further frames took 0.44 s or more: the alarm sounded again"

press Escape
wait_for_exit 20
[ "$player_status" -eq 0 ] || fail "Esc ended the player with status $player_status"
echo "ok"
