# The start-up account up to the separator line, the frames' status lines,
# and Esc: the player ends with status 0 and nothing on standard error.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

make_demo 20
start_player
wait_for_output '^----------------$'
wait_for_frames 5

# Pointer addresses and the GL names the driver hands out differ from run to
# run and driver to driver; everything else is fixed.
expected="$DEMOPLAYER_SOURCE_DIR/tests/e2e/expected/startup_log.txt"
sed -n '1,/^----------------$/p' "$player_out" |
    sed -E -e 's/0x[0-9a-f]+/ADDRESS/g' -e 's/(attached ID number )[0-9]+/\1NAME/' -e 's/(TEXTURE ID )[0-9]+/\1NAME/' \
    >"$demo_dir/startup_log.txt"
diff -u "$expected" "$demo_dir/startup_log.txt" >&2 || fail "the start-up account differs from $expected"

# Each frame reports four lines: the scene, the seconds, "row" with the row,
# and the final pass's fstr_val, numbers in the stream's default format.
first_row_line=$(grep -n -m 1 '^row' "$player_out" | cut -d: -f1)
report=$(sed -n "$((first_row_line - 2)),$((first_row_line + 1))p" "$player_out" | paste -sd ' ')
echo "$report" | grep -Eq '^0 [0-9.e-]+ row[0-9.e-]+ fstr_val0\.5$' ||
    fail "the first frame's report is not 'SCENE SECONDS rowROW fstr_val0.5' but '$report'"

press Escape
wait_for_exit 20
[ "$player_status" -eq 0 ] || fail "Esc ended the player with status $player_status, not 0"
[ ! -s "$player_err" ] || fail "the player wrote to standard error"
echo "ok"
