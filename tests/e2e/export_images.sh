# demoplayer --export into an image sequence, as every build writes it (the
# Windows build too): the frames at the size asked for showing the demo, the
# WAV of the range beside them, the same files from a rerun and from a --rows
# segment, one line and no file left for a wrong request or a demo that
# cannot be drawn or heard as it is (a shader, an image, the tune), the picture
# alone with --no-sound, and Ctrl+C stops the export with status 130 and
# nothing left. A build without video says so for
# a video name, in one line, with status 2.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

make_demo 3
out_dir="$demo_dir/out"
mkdir "$out_dir"
# On Linux the export needs no display; a Windows program under Wine draws
# through Wine's own X connection, which needs it.
display_option=(-u DISPLAY)
[ -z "${DEMOPLAYER_E2E_WINDOWS:-}" ] || display_option=()

# start_export ARGUMENT...: demoplayer --export ... in the demo folder, in the background.
start_export() {
    (cd "$demo_dir" && exec env "${display_option[@]}" "$DEMOPLAYER_BINARY_DIR/demoplayer" --export "$@") \
        >"$player_out" 2>"$player_err" &
    player_pid=$!
}

# run_export ARGUMENT...: the same, waited for; its status in $player_status.
run_export() {
    start_export "$@"
    wait_for_exit 120
}

# expect_refusal STATUS TEXT ARGUMENT...: the export ends with STATUS, a line
# on standard error holds TEXT (after the output's name, which Windows writes
# with its own separators), and the output folder stays empty.
expect_refusal() {
    local status=$1 text=$2
    shift 2
    run_export "$@"
    [ "$player_status" -eq "$status" ] || fail "--export $*: status $player_status, not $status"
    grep -qF -- "$text" "$player_err" || fail "--export $*: no error line says '$text'"
    [ -z "$(ls -A "$out_dir")" ] || fail "--export $*: left $(ls -A "$out_dir")"
}

# wav_data_bytes FILE: the size of the sample data a WAV header announces.
wav_data_bytes() {
    od -An -tu4 -j40 -N4 "$1" | tr -d ' '
}

# The whole demo: its tune's 3 s at 10 frames per second, into folders the
# export makes; the last line on standard error says what was written (with
# the separators of the system's paths).
run_export out/whole/f%03d.png --size 64x36 --fps 10
[ "$player_status" -eq 0 ] || fail "the export ended with status $player_status"
tail -n 1 "$player_err" | grep -q "f%03d.png: written, 30 frames (3.000 s at 10 fps) and .*out.whole.f\.wav, .* in " ||
    fail "no closing line: $(tail -n 1 "$player_err")"
mkdir "$out_dir/part"
grep -qx -- '----------------' "$player_out" || fail "the start-up account is missing from standard output"
frames=$(ls "$out_dir/whole" | grep -c '^f[0-9][0-9][0-9]\.png$') || true
[ "$frames" -eq 30 ] || fail "$frames frames written, not 30"
size=$("$DEMOPLAYER_BINARY_DIR/capture" stats "$out_dir/whole/f017.png" | cut -d' ' -f1) || true
[ "$size" = 64x36 ] || fail "frame 17 is $size, not 64x36"
pixel=$("$DEMOPLAYER_BINARY_DIR/capture" pixel "$out_dir/whole/f017.png" 32 18)
[ "$pixel" = "255 0 0" ] || fail "frame 17 shows $pixel, not the demo's red"
# A decoder that checks every chunk's CRC reads it (our own reader does not check them).
ffmpeg -v error -err_detect crccheck+explode -i "$out_dir/whole/f017.png" -f null - 2>"$demo_dir/png.txt" ||
    fail "FFmpeg finds frame 17 broken: $(head -n 1 "$demo_dir/png.txt")"
wav="$out_dir/whole/f.wav"
[ -f "$wav" ] || fail "no sound beside the frames"
[ "$(wav_data_bytes "$wav")" -eq $((3 * 44100 * 4)) ] || fail "the sound holds $(wav_data_bytes "$wav") bytes, not 3 s"
[ "$(stat -c %s "$wav")" -eq $((44 + 3 * 44100 * 4)) ] || fail "the sound file is not its header and its samples"

# A rerun gives the same files; rows 10:30 (0.5 s to 1.5 s) give frames 5 to 14 of them.
mkdir "$out_dir/again"
run_export out/again/f%03d.png --size 64x36 --fps 10
[ "$player_status" -eq 0 ] || fail "the rerun ended with status $player_status"
diff -r "$out_dir/whole" "$out_dir/again" >/dev/null || fail "a rerun wrote different files"
run_export out/part/f%03d.png --size 64x36 --fps 10 --rows 10:30
[ "$player_status" -eq 0 ] || fail "the segment ended with status $player_status"
[ "$(ls "$out_dir/part" | grep -c 'png$')" -eq 10 ] || fail "the segment wrote $(ls "$out_dir/part") "
for ((k = 5; k < 15; k++)); do
    name=$(printf 'f%03d.png' $k)
    cmp -s "$out_dir/part/$name" "$out_dir/whole/$name" || fail "the segment's $name differs from the whole's"
done
[ "$(wav_data_bytes "$out_dir/part/f.wav")" -eq $((44100 * 4)) ] || fail "the segment's sound is not 1 s long"
cmp -s <(tail -c +45 "$out_dir/part/f.wav") <(tail -c +45 "$wav" | head -c $((44100 * 4 * 3 / 2)) | tail -c $((44100 * 4))) ||
    fail "the segment's sound is not the whole's from 0.5 s to 1.5 s"
rm -r "$out_dir"/*

# Wrong requests: one line, the status, nothing written.
expect_refusal 2 "film.avi: unknown kind of output" out/film.avi --size 64x36
expect_refusal 2 "--rows" out/f%03d.png --size 64x36 --rows 9:3
expect_refusal 2 "after the demo's end" out/f%03d.png --size 64x36 --rows 0:500
touch "$demo_dir/a-file"
expect_refusal 1 "f%03d.png: cannot" a-file/f%03d.png --size 64x36
if [ "${DEMOPLAYER_VIDEO_EXPORT:-ON}" = OFF ]; then
    expect_refusal 2 "film.mp4: this build writes image sequences only" out/film.mp4 --size 64x36
    expect_refusal 2 "film.mkv: this build writes image sequences only" out/film.mkv
    [ "$(wc -l <"$player_err")" -eq 1 ] || fail "the refusal of a video name is not one line"
    expect_refusal 2 "film.avi: unknown kind of output" out/film.avi --size 64x36
    ! grep -q "mp4" "$player_err" || fail "a build without video should not offer .mp4"
fi

# A demo that cannot be drawn or heard as it is stops before its first frame:
# status 1, one line naming the file, nothing written.
# expect_stop FILE HOW TEXT: FILE broken as HOW says (append: a stray word,
# remove, replace: by text), the export refused with TEXT, FILE put back.
expect_stop() {
    local file=$1 how=$2 text=$3
    cp "$demo_dir/$file" "$demo_dir/good"
    case $how in
        append) echo "stray" >>"$demo_dir/$file" ;;
        remove) rm "$demo_dir/$file" ;;
        replace) echo "not what it should be" >"$demo_dir/$file" ;;
    esac
    expect_refusal 1 "$text" out/f%03d.png --size 64x36
    [ "$(wc -l <"$player_err")" -eq 1 ] || fail "with $file broken ($how) it said more than one line"
    mv "$demo_dir/good" "$demo_dir/$file"
}
expect_stop solid.fsh append "solid.fsh:" # a pass's program
expect_stop AA.fsh append "AA.fsh:"       # the final pass's
expect_stop dot.png remove "dot.png: cannot open"
expect_stop tune.ogg remove "tune.ogg: "
expect_stop tune.ogg replace "tune.ogg: "
# --no-sound exports the picture alone, whatever the tune, and says so.
echo "not what it should be" >"$demo_dir/tune.ogg"
run_export out/f%03d.png --size 64x36 --fps 10 --rows 0:20 --no-sound
[ "$player_status" -eq 0 ] || fail "--no-sound ended with status $player_status"
[ "$(ls "$out_dir" | grep -c 'png$')" -eq 10 ] || fail "--no-sound wrote $(ls "$out_dir")"
[ ! -e "$out_dir/f.wav" ] || fail "--no-sound wrote a WAV file"
tail -n 1 "$player_err" | grep -q "written, 10 frames (1.000 s at 10 fps) without sound" ||
    fail "the closing line does not say there is no sound: $(tail -n 1 "$player_err")"
rm -r "$out_dir"/*
"$DEMOPLAYER_BINARY_DIR/tonefile" "$demo_dir/tune.ogg" 3 || fail "tonefile could not make the tune"

# Ctrl+C once the first frames are written: status 130, every file removed.
start_export out/f%05d.png --size 640x360 --fps 1000
deadline=$((SECONDS + 60))
until ls "$out_dir" | grep -q png; do
    [ $SECONDS -lt $deadline ] || fail "no frame written within 60 s"
    kill -0 "$player_pid" 2>/dev/null || fail "the export ended before it could be interrupted"
    sleep 0.05
done
kill -s INT "$player_pid"
wait_for_exit 60
[ "$player_status" -eq 130 ] || fail "Ctrl+C ended the export with status $player_status, not 130"
grep -q cancelled "$player_err" || fail "the export did not say it was cancelled"
[ -z "$(ls -A "$out_dir")" ] || fail "the cancelled export left $(ls "$out_dir" | head -n 3)"
echo "ok"
