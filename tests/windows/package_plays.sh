# A Windows zip as a user gets it: unpacked, its play.bat run under Wine as
# from a console (Wine's cmd has no double-click to tell apart), its start-up
# account on standard output, then a seek to shortly before the end row with
# the d key so the run stays short; the demo ends by itself at its end row
# with status 0 and nothing on standard error. Either zip of scripts/release:
# a demo's release (NAME/player/demoplayer.exe with the demo in NAME/demo) or
# the player with the example (demoplayer-windows-x64/demoplayer.exe with
# example/ and template/). Run by scripts/test-windows and scripts/test-release:
#
#   bash tests/windows/package_plays.sh ZIP [END_ROW]    (END_ROW default 1565, the example's)
#
# Needs what the end-to-end tests need (DEMOPLAYER_SOURCE_DIR, an X display,
# xdotool) and Wine's set-up (scripts/lib/windows-env.sh).
zip_path=${1:?the zip to check}
end_row=${2:-1565}
export DEMOPLAYER_BINARY_DIR=${DEMOPLAYER_BINARY_DIR:-unused}
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib/player.sh"

unzip -q "$zip_path" -d "$demo_dir/unpacked" || fail "could not unpack $zip_path"
package=$(find "$demo_dir/unpacked" -mindepth 1 -maxdepth 1 -type d)
if [ -f "$package/player/demoplayer.exe" ]; then
    demo=demo
    expected=(player/demoplayer.exe play.bat README.txt demo/demo.json demo/tune.ogg)
else
    demo=example
    expected=(demoplayer.exe synctrack.exe play.bat README.txt example/demo.json example/tune.ogg
        example/tracks/scene.txt template/demo.json template/tune.ogg template/sync_speed.track)
fi
for file in "${expected[@]}"; do
    [ -f "$package/$file" ] || fail "the zip has no $file"
done

# Line ends as the scripts read them; freeglut's two lines about Wine's
# DISPLAY are dropped, as the build's launchers do (tests/CMakeLists.txt).
# The player's own pid is the filter of its standard output, which ends once
# all of it is written; the program's exit status goes to a file.
status_file="$demo_dir/status"
(
    cd "$package"
    status=0
    wine cmd /c play.bat 2> >(sed -u -e 's/\r$//' \
        -e '/fgPlatformInitialize: CreateDC failed/,/-display. parameter$/d' >"$player_err") || status=$?
    echo "$status" >"$status_file"
) | sed -u 's/\r$//' >"$player_out" &
player_pid=$!

# The start-up account: the demo's name, each of its shaders named and
# compiled, the final pass compiled (where there is one), then the separator line.
wait_for_output '^----------------$' 60
shaders=$(grep -c '"fragmentsrc"' "$package/$demo/demo.json")
startup=$(sed -n '1,/^----------------$/p' "$player_out")
player_window_name=$(echo "$startup" | head -n 1 | sed -n 's/^Demos name: "\(.*\)"$/\1/p')
[ -n "$player_window_name" ] || fail "the start-up account does not begin with the demo's name"
[ "$(echo "$startup" | grep -c '^  Shader name: ')" -eq "$shaders" ] ||
    fail "the start-up account does not name each of the $shaders shaders"
# The final pass's two files, where the demo has one.
final_files=2
grep -q '"final_pass"[[:space:]]*:[[:space:]]*"none"' "$package/$demo/demo.json" && final_files=0
[ "$(echo "$startup" | grep -c '^ COMPILATION SUCCESSFULL $')" -eq $((2 * shaders + final_files)) ] ||
    fail "the start-up account does not show every shader file compiled"
[ "$(echo "$startup" | grep -c '^{  Compiled Shader Program and attached ID number [0-9]* to it.  }$')" -eq "$shaders" ] ||
    fail "the start-up account does not show each shader program linked"
echo "$startup" | grep -q '^------SCENES------$' || fail "the start-up account lists no scenes"

wait_for_row 10 60
seek_to_row $((end_row - 25)) 60
wait_for_exit 60
player_status=$(cat "$status_file")
[ "$player_status" -eq 0 ] || fail "the packaged player ended with status $player_status"
awk -v r="$(last_row)" -v e="$end_row" 'BEGIN { exit !(r >= e) }' ||
    fail "the player stopped before the end row $end_row, at row $(last_row)"
[ ! -s "$player_err" ] || fail "the packaged player wrote to standard error: $(head -n 3 "$player_err")"
echo "package: $(basename "$zip_path")'s player played \"$player_window_name\" to its end row ($(last_row)), status 0"
