# Making a demo of one's own: the command line (help, version, wrong usage, a
# demo folder elsewhere, --row, --size), the description's length and tempo,
# the start-up warnings for silent mistakes, and a folder from new-demo that
# plays to its end.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"
bin=$DEMOPLAYER_BINARY_DIR

# Help and version need no display; wrong usage says why, shows the usage and exits 2.
"$bin/demoplayer" --help >"$demo_dir/help.txt" 2>&1 || fail "--help did not exit 0"
grep -q '^Usage: demoplayer \[options\] \[DEMO_DIR\]' "$demo_dir/help.txt" || fail "--help printed no usage"
DISPLAY= "$bin/demoplayer" --version | grep -q '^demoplayer [0-9]' || fail "--version printed no version"
# Without an X display: one line with the ways to play anyway, and status 1
# (Windows has no display to lack).
if [ -z "${DEMOPLAYER_E2E_WINDOWS:-}" ]; then
    status=0
    (cd "$DEMOPLAYER_SOURCE_DIR/tests/e2e/demo" && DISPLAY= exec "$bin/demoplayer") 2>"$demo_dir/err.txt" >/dev/null ||
        status=$?
    [ "$status" -eq 1 ] && [ "$(wc -l <"$demo_dir/err.txt")" -eq 1 ] && grep -q 'no display.*Xvfb.*--export' "$demo_dir/err.txt" ||
        fail "without a display the player ended with $status and said: $(cat "$demo_dir/err.txt")"
fi
status=0
"$bin/demoplayer" --frobnicate >"$demo_dir/out.txt" 2>"$demo_dir/err.txt" || status=$?
[ "$status" -eq 2 ] || fail "an unknown option ended with $status, not 2"
grep -q '^demoplayer: unknown option --frobnicate$' "$demo_dir/err.txt" || fail "the unknown option was not named"
grep -q '^Usage:' "$demo_dir/err.txt" || fail "wrong usage showed no usage"
[ ! -s "$demo_dir/out.txt" ] || fail "wrong usage wrote to standard output"
status=0
"$bin/demoplayer" "$demo_dir/no such folder" 2>"$demo_dir/err.txt" || status=$?
[ "$status" -eq 1 ] && grep -q 'no such folder: cannot play' "$demo_dir/err.txt" || fail "a missing folder was not reported"

# The demo in another folder, named on the command line; a window of its own size.
make_demo 20
(cd / && exec "$bin/demoplayer" --size 320x200 "$demo_dir") >"$player_out" 2>"$player_err" &
player_pid=$!
wait_for_frames 3
size=$(xdotool getwindowgeometry "$(player_window)" | sed -n 's/.*Geometry: //p')
[ "$size" = "320x200" ] || fail "--size 320x200 gave a window of $size"
press Escape
wait_for_exit 20
[ "$player_status" -eq 0 ] || fail "the demo in another folder ended with $player_status"
[ ! -s "$player_err" ] || fail "the test demo gave warnings: $(cat "$player_err")"

# --row: the first frame shows that row (within one seek step). --release
# makes the window that the demo's "release" settings ask for.
sed -i 's/"fullscreen": false,/"fullscreen": false, "release": { "fullscreen": false, "size": [320, 240] },/' \
    "$demo_dir/demo.json"
start_player --row 250 --release
wait_for_frames 2
first_row=$(grep -m 1 '^row' "$player_out" | sed 's/^row//')
awk -v r="$first_row" 'BEGIN { exit !(r >= 250 && r < 262.5) }' || fail "--row 250 started at row $first_row"
size=$(xdotool getwindowgeometry "$(player_window)" | sed -n 's/.*Geometry: //p')
[ "$size" = "320x240" ] || fail "--release with a release size of 320x240 gave a window of $size"
press Escape
wait_for_exit 20

# Tempo and length: 150 bpm at 4 rows a beat is 10 rows a second; end_row 30 ends at 3 s.
sed -i -e 's/"end_row": 400,/"end_row": 30, "bpm": 150, "rows_per_beat": 4,/' "$demo_dir/demo.json"
start_player
wait_for_exit 30
[ "$player_status" -eq 0 ] || fail "the short demo ended with $player_status"
awk -v r="$(last_row)" 'BEGIN { exit !(r >= 30 && r < 33) }' || fail "end_row 30 ended at row $(last_row)"
seconds=$(grep -B1 '^row' "$player_out" | tail -n 2 | head -n 1)
awk -v r="$(last_row)" -v s="$seconds" 'BEGIN { d = r - s * 10; exit !(d > -0.5 && d < 0.5) }' ||
    fail "row $(last_row) at $seconds s is not 10 rows a second"
grep -q '^tune.ogg: the tune lasts 20.00 s, past the demo.s end at row 30 (3.00 s); set "end_row": 200 ' "$player_err" &&
    [ "$(wc -l <"$player_err")" -eq 1 ] || fail "the short demo's tune was not the one warning: $(cat "$player_err")"

# A wrong tempo ends the start-up naming its key.
sed -i -e 's/"bpm": 150/"bpm": "fast"/' "$demo_dir/demo.json"
start_player
wait_for_exit 30
[ "$player_status" -eq 1 ] || fail "a wrong bpm ended with $player_status, not 1"
grep -q '^demo.json: "bpm" must be a number above 0, not "fast"$' "$player_err" || fail "the wrong bpm was not named"

# Silent mistakes get one warning each: a tune shorter than the demo, a
# parameter without a track file, a track nothing reads, a scene past the last,
# a key the player does not read.
sed -i -e 's/"end_row": 30, "bpm": "fast", "rows_per_beat": 4,/"end_rows": 30,/' -e 's/"parameters": \["level"\]/"parameters": ["level", "twist"]/' \
    "$demo_dir/demo.json"
cp "$demo_dir/sync_level.track" "$demo_dir/sync_forgotten.track"
printf '0 0 step\n100 5 step\n' >"$demo_dir/sync_scene.txt"
"$bin/synctrack" encode "$demo_dir/sync_scene.txt" "$demo_dir/sync_scene.track"
start_player
wait_for_frames 3
press Escape
wait_for_exit 20
for expected in '^tune.ogg: .*"end_row": 400' '^sync_twist.track: ' '^glow.fsh: parameter "twist" is not declared' \
    '^sync_forgotten.track: no shader reads' '^sync_scene.track: the key at row 100 selects scene 5' \
    '^demo.json: "end_rows" is not a key the player reads; did you mean "end_row"\?$'; do
    grep -Eq "$expected" "$player_err" || fail "no warning matching '$expected' in: $(cat "$player_err")"
done
[ "$(wc -l <"$player_err")" -eq 6 ] || fail "expected six warnings, got: $(cat "$player_err")"

# new-demo: a folder that plays to its end with nothing on standard error.
"$DEMOPLAYER_SOURCE_DIR/scripts/new-demo" "$demo_dir/mine" >/dev/null 2>"$demo_dir/new-demo.txt" ||
    fail "new-demo failed: $(cat "$demo_dir/new-demo.txt")"
(cd "$demo_dir/mine" && exec "$bin/demoplayer" --row 300) >"$player_out" 2>"$player_err" &
player_pid=$!
player_window_name="My demo"
wait_for_exit 60
[ "$player_status" -eq 0 ] || fail "the new demo ended with $player_status"
[ ! -s "$player_err" ] || fail "the new demo wrote to standard error: $(cat "$player_err")"
echo "ok"
