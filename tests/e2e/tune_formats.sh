# A demo whose "tune" names a FLAC file in a folder of its own: the player
# lists it among the demo's files, plays it as the clock with nothing on
# standard error, and an export writes its samples exactly beside the frames;
# an MP3 of it exports exactly its length; the FLAC cut short stops the
# export with one line saying where.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

make_demo 20
mkdir "$demo_dir/music"
ffmpeg -v error -i "$demo_dir/tune.ogg" -c:a flac "$demo_dir/music/mix.flac" || fail "FFmpeg could not make the FLAC tune"
rm "$demo_dir/tune.ogg"
sed -i '1s/^{$/{ "tune": "music\/mix.flac",/' "$demo_dir/demo.json"
grep -q '"tune": "music/mix.flac"' "$demo_dir/demo.json" || fail "the description does not name the tune"

# The release's list of files holds the named tune and no tune.ogg.
files=$(cd "$demo_dir" && "$DEMOPLAYER_BINARY_DIR/demoplayer" --print files . | tr -d '\r')
echo "$files" | grep -qx 'music/mix.flac' || fail "--print files does not list the tune: $files"
! echo "$files" | grep -q 'tune.ogg' || fail "--print files lists tune.ogg"

start_player
wait_for_frames 3 15
wait_for_row 4 15
press Escape
wait_for_exit 20
[ "$player_status" -eq 0 ] || fail "Esc ended the player with status $player_status, not 0"
[ ! -s "$player_err" ] || fail "the FLAC tune gave lines on standard error: $(head -n 3 "$player_err")"

# The export's sound is the tune's own samples, frame for frame.
display_option=(-u DISPLAY)
[ -z "${DEMOPLAYER_E2E_WINDOWS:-}" ] || display_option=()
run_export() {
    (cd "$demo_dir" && exec env "${display_option[@]}" "$DEMOPLAYER_BINARY_DIR/demoplayer" --export "$@") \
        >"$player_out" 2>"$player_err" &
    player_pid=$!
    wait_for_exit 120
}
run_export out/f%03d.png --size 32x18 --fps 10
[ "$player_status" -eq 0 ] || fail "the export ended with status $player_status: $(tail -n 1 "$player_err")"
ffmpeg -v error -i "$demo_dir/music/mix.flac" -f s16le -c:a pcm_s16le "$demo_dir/expected.pcm" ||
    fail "FFmpeg could not decode the FLAC tune"
cmp -s <(tail -c +45 "$demo_dir/out/f.wav") "$demo_dir/expected.pcm" ||
    fail "the exported sound is not the tune's samples ($(stat -c %s "$demo_dir/out/f.wav") bytes)"

# The same tune as MP3: its sound is exactly as long as the tune, without
# the encoder's delay and padding.
rm -r "$demo_dir/out"
ffmpeg -v error -i "$demo_dir/music/mix.flac" -c:a libmp3lame -q:a 4 "$demo_dir/music/mix.mp3" ||
    fail "FFmpeg could not make the MP3 tune"
sed -i 's/"music\/mix.flac"/"music\/mix.mp3"/' "$demo_dir/demo.json"
run_export out/f%03d.png --size 32x18 --fps 10
[ "$player_status" -eq 0 ] || fail "the export with the MP3 tune ended with status $player_status: $(tail -n 1 "$player_err")"
[ "$(stat -c %s "$demo_dir/out/f.wav")" -eq $((44 + 20 * 44100 * 4)) ] ||
    fail "the MP3 tune's sound holds $(stat -c %s "$demo_dir/out/f.wav") bytes, not the tune's 20 s"
sed -i 's/"music\/mix.mp3"/"music\/mix.flac"/' "$demo_dir/demo.json"

# Cut short: the export stops at the damage, in one line, and writes nothing.
rm -r "$demo_dir/out"
head -c $(($(stat -c %s "$demo_dir/music/mix.flac") / 2)) "$demo_dir/music/mix.flac" >"$demo_dir/cut.flac"
mv "$demo_dir/cut.flac" "$demo_dir/music/mix.flac"
run_export out/f%03d.png --size 32x18 --fps 10
[ "$player_status" -eq 1 ] || fail "the export of a cut tune ended with status $player_status, not 1"
grep -q 'music.mix\.flac: damaged FLAC data at [0-9.]* s: .*; nothing was written' "$player_err" ||
    fail "no line says where the tune is damaged: $(tail -n 2 "$player_err")"
[ -z "$(ls "$demo_dir/out" 2>/dev/null)" ] || fail "the stopped export left $(ls "$demo_dir/out")"
echo "ok"
