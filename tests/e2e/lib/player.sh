# Shared by the end-to-end tests (sourced, not run): makes the test demo in a
# fresh temporary folder, runs demoplayer there on the test's X display, and
# drives and watches it. Everything the test started is stopped and removed
# when the test's shell exits, whatever way it exits.
#
# Needs DEMOPLAYER_SOURCE_DIR and DEMOPLAYER_BINARY_DIR (CTest sets both) and
# an X display (the tests run inside xvfb-run).

set -euo pipefail

: "${DEMOPLAYER_SOURCE_DIR:?}" "${DEMOPLAYER_BINARY_DIR:?}" "${DISPLAY:?the e2e tests need an X display}"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}

demo_dir=$(mktemp -d "${TMPDIR:-/tmp}/demoplayer-e2e.XXXXXX")
player_pid=""
player_out="$demo_dir/stdout.txt"
player_err="$demo_dir/stderr.txt"

cleanup() {
    if [ -n "$player_pid" ] && kill -0 "$player_pid" 2>/dev/null; then
        kill -KILL "$player_pid" 2>/dev/null || true
        wait "$player_pid" 2>/dev/null || true
    fi
    rm -rf "$demo_dir"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if [ -s "$player_err" ]; then
        echo "--- player's standard error:" >&2
        tail -n 20 "$player_err" >&2
    fi
    if [ -s "$player_out" ]; then
        echo "--- end of player's standard output:" >&2
        tail -n 12 "$player_out" >&2
    fi
    exit 1
}

# make_demo [TUNE_SECONDS]: the test demo in $demo_dir, its tracks encoded
# with synctrack and a sine tune of TUNE_SECONDS (default 20) seconds. The
# demo ends at row 400 (20 s).
make_demo() {
    local seconds=${1:-20}
    cp "$DEMOPLAYER_SOURCE_DIR"/tests/e2e/demo/* "$demo_dir"/
    encode_tracks
    "$DEMOPLAYER_BINARY_DIR/tonefile" "$demo_dir/tune.ogg" "$seconds" || fail "tonefile could not make the tune (status $?)"
}

# encode_tracks: every sync_NAME.txt in the demo becomes sync_NAME.track.
encode_tracks() {
    local text
    for text in "$demo_dir"/sync_*.txt; do
        "$DEMOPLAYER_BINARY_DIR/synctrack" encode "$text" "${text%.txt}.track" || fail "synctrack could not encode $text (status $?)"
    done
}

# start_player [ARGUMENT...]: demoplayer in the demo folder, with the
# arguments given, standard output and error into files.
start_player() {
    (cd "$demo_dir" && exec "$DEMOPLAYER_BINARY_DIR/demoplayer" "$@") >"$player_out" 2>"$player_err" &
    player_pid=$!
}

# wait_for_output PATTERN [SECONDS]: waits until a line of standard output
# matches the extended regular expression PATTERN.
wait_for_output() {
    local pattern=$1 deadline=$((SECONDS + ${2:-30}))
    until grep -Eq -- "$pattern" "$player_out" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "no output line matching '$pattern' within ${2:-30} s"
        kill -0 "$player_pid" 2>/dev/null || grep -Eq -- "$pattern" "$player_out" ||
            fail "the player ended before printing a line matching '$pattern'"
        sleep 0.1
    done
}

# error_count PATTERN: standard error lines so far that match PATTERN.
error_count() {
    local count
    count=$(grep -Ec -- "$1" "$player_err" 2>/dev/null) || true
    echo "${count:-0}"
}

# wait_for_error PATTERN [COUNT] [SECONDS]: waits until COUNT lines of
# standard error match PATTERN.
wait_for_error() {
    local deadline=$((SECONDS + ${3:-20}))
    while [ "$(error_count "$1")" -lt "${2:-1}" ]; do
        [ $SECONDS -lt $deadline ] || fail "no error line matching '$1' within ${3:-20} s"
        sleep 0.05
    done
}

# count_lines PATTERN: output lines so far that match PATTERN.
count_lines() {
    local count
    count=$(grep -Ec -- "$1" "$player_out" 2>/dev/null) || true
    echo "${count:-0}"
}

# wait_for_count PATTERN COUNT [SECONDS]: waits until COUNT output lines match.
wait_for_count() {
    local deadline=$((SECONDS + ${3:-30}))
    while [ "$(count_lines "$1")" -lt "$2" ]; do
        [ $SECONDS -lt $deadline ] || fail "fewer than $2 lines matching '$1' within ${3:-30} s"
        kill -0 "$player_pid" 2>/dev/null || fail "the player ended while waiting for '$1'"
        sleep 0.05
    done
}

# player_window: the id of the player's window (it carries the demo's name,
# $player_window_name: the test demo's unless the caller sets another).
player_window_name=${player_window_name:-e2e demo}
player_window() {
    timeout 20 xdotool search --sync --name "^${player_window_name}\$" | head -n 1
}

# press KEY...: key presses into the player's window, as a person types them.
press() {
    local window
    window=$(player_window) || fail "the player's window did not appear"
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --delay 20 "$@" 2>/dev/null
}

# last_row: the row of the latest complete frame report.
last_row() {
    grep -E '^row' "$player_out" | tail -n 1 | sed 's/^row//'
}

# last_scene: the scene index of the latest complete frame report (the
# report's lines are the scene index, the seconds, then the row).
last_scene() {
    grep -E -B2 '^row' "$player_out" | tail -n 3 | head -n 1
}

# wait_for_row ROW [SECONDS]: waits until a frame at ROW or later has reported.
wait_for_row() {
    local deadline=$((SECONDS + ${2:-30}))
    until awk -v r="$(last_row)" -v t="$1" 'BEGIN { exit !(r != "" && r + 0 >= t) }'; do
        [ $SECONDS -lt $deadline ] || fail "row $1 not reached within ${2:-30} s (at row $(last_row))"
        kill -0 "$player_pid" 2>/dev/null || fail "the player ended before row $1"
        sleep 0.05
    done
}

# press_seeks COUNT: presses d (a forward step of 110000 bytes) COUNT times at once.
press_seeks() {
    [ "$1" -gt 0 ] || return 0
    local keys=() press_index
    for ((press_index = 0; press_index < $1; press_index++)); do keys+=(d); done
    press "${keys[@]}"
}

# seek_to_row ROW [SECONDS]: presses d (12.5 rows of 44.1 kHz stereo each)
# as often as fits below ROW, then waits for the playing demo to draw a
# frame at ROW or later.
seek_to_row() {
    press_seeks "$(awk -v r="$(last_row)" -v t="$1" 'BEGIN { n = int((t - r) / 12.5); print (n > 0 ? n : 0) }')"
    wait_for_row "$1" "${2:-30}"
}

# seek_paused_to_row ROW [SECONDS]: while the demo is paused, presses d as
# often as it takes to reach ROW (a press is 12.47 rows: at most that past
# it), then waits for a frame there. Paused, the demo never runs past where
# it was sent, however slowly this machine runs it.
seek_paused_to_row() {
    press_seeks "$(awk -v r="$(last_row)" -v t="$1" \
        'BEGIN { n = t - r; k = int(n / 12.47); if (k * 12.47 < n) k++; print (k > 0 ? k : 0) }')"
    wait_for_row "$1" "${2:-30}"
}

# wait_for_frames COUNT [SECONDS]: waits until COUNT more frames have reported.
wait_for_frames() {
    local target=$(( $(count_lines '^row') + $1 )) deadline=$((SECONDS + ${2:-30}))
    while [ "$(count_lines '^row')" -lt "$target" ]; do
        [ $SECONDS -lt $deadline ] || fail "fewer than $1 frames within ${2:-30} s"
        kill -0 "$player_pid" 2>/dev/null || fail "the player ended while frames were awaited"
        sleep 0.05
    done
}

# capture_still FILE [UNLIKE.png]: captures the player's window into FILE
# once its picture holds still (two captures in a row alike) and, when
# UNLIKE.png is named, differs from it. For a paused demo, whose frames all
# show one moment.
capture_still() {
    local window deadline=$((SECONDS + 20)) previous="$1.previous.png" status
    window=$(player_window) || fail "the player's window did not appear"
    "$DEMOPLAYER_BINARY_DIR/capture" window "$window" "$previous" || fail "capture could not read the window"
    while :; do
        sleep 0.1
        "$DEMOPLAYER_BINARY_DIR/capture" window "$window" "$1" || fail "capture could not read the window"
        status=0
        "$DEMOPLAYER_BINARY_DIR/capture" diff "$previous" "$1" >/dev/null || status=$?
        [ $status -ne 2 ] || fail "capture could not compare $previous and $1"
        if [ $status -eq 1 ] && { [ -z "${2:-}" ] || "$DEMOPLAYER_BINARY_DIR/capture" diff "$2" "$1" >/dev/null; }; then
            rm -f "$previous"
            return 0
        fi
        [ $SECONDS -lt $deadline ] || fail "the window's picture did not settle${2:+ on one unlike $2} within 20 s (at row $(last_row))"
        mv "$1" "$previous"
    done
}

# wait_for_exit [SECONDS]: waits for the player to end; its exit status is
# then in $player_status.
player_status=""
wait_for_exit() {
    local deadline=$((SECONDS + ${1:-30}))
    while kill -0 "$player_pid" 2>/dev/null; do
        [ $SECONDS -lt $deadline ] || fail "the player did not end within ${1:-30} s"
        sleep 0.1
    done
    player_status=0
    wait "$player_pid" || player_status=$?
    player_pid=""
}

# capture_colour: the mean colour "R G B" (0..255) of the player's window.
capture_colour() {
    local window picture="$demo_dir/capture.png" stats
    window=$(player_window) || fail "the player's window did not appear"
    "$DEMOPLAYER_BINARY_DIR/capture" window "$window" "$picture" || fail "capture could not read the window"
    stats=$("$DEMOPLAYER_BINARY_DIR/capture" stats "$picture" || true)
    echo "$stats" | sed -E 's/.* mean ([0-9.]+) ([0-9.]+) ([0-9.]+) .*/\1 \2 \3/'
}

# near A B TOLERANCE: true when |A - B| <= TOLERANCE (decimal numbers).
near() {
    awk -v a="$1" -v b="$2" -v t="$3" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= t) }'
}
