# The render-farm recipe of docs/export.md, run as written (GNU parallel with local
# jobs standing in for the machines, then the concat step): the joined film
# has every frame and every sound frame at the time a single export of the
# same rows has it, absolute times compared (no file's start taken away), at
# 44.1 and 48 kHz, with segments that are and are not whole AAC frames long;
# and a failed segment stops the recipe before its join.
# A build without video has no farm recipe to run.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

if [ "${DEMOPLAYER_VIDEO_EXPORT:-ON}" = OFF ] || [ -n "${DEMOPLAYER_E2E_WINDOWS:-}" ]; then
    echo "ok (this build writes no video)"
    exit 0
fi
for tool in parallel ffprobe ffmpeg; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps installs it)"
done

# The recipe: the first code block of docs/export.md's "Exporting on many machines".
recipe=$(awk '/^## Exporting on many machines/ { found = 1 } found && /^```$/ { if (block) exit; block = 1; next } block' \
    "$DEMOPLAYER_SOURCE_DIR/docs/export.md")
[ -n "$recipe" ] || fail "no farm recipe in docs/export.md"

# local_recipe SEGMENT_ROWS END_ROW: the recipe for this folder's demo, with
# local jobs and a small picture; only these parameters change.
local_recipe() {
    local text=$recipe from to
    for change in "seq 0 100 1564|seq 0 $1 $(($2 - 1))" "e = \$1 + 100|e = \$1 + $1" "e > 1565) e = 1565|e > $2) e = $2" \
        "-S 2/render1,2/render2,2/render3|-S 2/:" "--workdir /srv/lumen|--workdir $demo_dir" \
        "--size 3840x2160|--size 64x36"; do
        from=${change%%|*} to=${change#*|}
        [[ $text == *"$from"* ]] || fail "the recipe in docs/export.md no longer holds '$from'"
        text=${text//"$from"/"$to"}
    done
    printf '%s\n' "$text"
}

# times FILE STREAM: the presentation time of each decoded frame of STREAM (v or a).
times() {
    ffprobe -v error -select_streams "$2" -show_entries frame=pts_time -of csv=p=0 "$1" | awk -F, '$1 != "" { print $1 }'
}

# same_times WHAT A B: the lists of times in files A and B have the same
# length and agree within 1 ms.
same_times() {
    [ -s "$2" ] || fail "$1: no times"
    [ "$(wc -l <"$2")" -eq "$(wc -l <"$3")" ] || fail "$1: $(wc -l <"$3") frames joined, $(wc -l <"$2") in one export"
    paste -d' ' "$2" "$3" | awk -v what="$1" '{ d = $1 - $2; if (d < 0) d = -d; if (d > 0.001) {
        printf "%s: frame %d at %s s, in one export at %s s\n", what, NR - 1, $2, $1; exit 1 } }' >&2 ||
        fail "$1: the joined film is not on the single export's timeline"
}

make_demo 4
sed -i 's/"end_row": 400,/"end_row": 210, "rows_per_second": 60,/' "$demo_dir/demo.json"
export PATH="$DEMOPLAYER_BINARY_DIR:$PATH"
# rate, rows per segment: at 60 rows and frames a second, 32 rows are 25 AAC
# frames of 1024 samples at 48 kHz; 50 rows are not whole AAC frames at either rate.
for case in "44100 50" "48000 32" "48000 50"; do
    read -r rate rows <<<"$case"
    rm -f "$demo_dir"/*.mp4 "$demo_dir"/*.txt.part "$demo_dir/segments.txt" "$demo_dir/list.txt"
    "$DEMOPLAYER_BINARY_DIR/tonefile" "$demo_dir/tune.ogg" 4 440 "$rate" || fail "tonefile could not make the tune"
    (cd "$demo_dir" && demoplayer --export single.mp4 --size 64x36 >/dev/null 2>"$player_err") ||
        fail "$rate Hz: the single export failed"
    (cd "$demo_dir" && local_recipe "$rows" 210 | bash >/dev/null 2>"$player_err") ||
        fail "$rate Hz, $rows rows a segment: the recipe failed"
    [ "$(grep -c . "$demo_dir/list.txt")" -ge 4 ] || fail "fewer than four segments joined"
    for stream in v a; do
        times "$demo_dir/single.mp4" $stream >"$demo_dir/single.$stream"
        times "$demo_dir/lumen.mp4" $stream >"$demo_dir/joined.$stream"
        same_times "$rate Hz, $rows rows a segment, stream $stream" "$demo_dir/single.$stream" "$demo_dir/joined.$stream"
    done
    [ "$(head -n 1 "$demo_dir/joined.a")" = "0.000000" ] || fail "the joined sound starts at $(head -n 1 "$demo_dir/joined.a") s"
done

# A segment that fails (here every one: no tune) stops the recipe before the join.
rm -f "$demo_dir"/*.mp4 "$demo_dir/tune.ogg"
! (cd "$demo_dir" && local_recipe 50 210 | bash >/dev/null 2>"$player_err") || fail "the recipe went on after failed segments"
[ -z "$(ls "$demo_dir" | grep 'mp4$')" ] || fail "failed segments left $(ls "$demo_dir" | grep 'mp4$')"
echo "ok"
