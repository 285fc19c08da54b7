# The Windows zip as a user gets it: unpacked, its demoplayer.exe started in
# its example folder (as play.bat does) under Wine, its start-up account on
# standard output, then seeks to the closing title with the d key so the run
# stays short; the demo ends by itself at its end row with status 0 and
# nothing on standard error. Run by scripts/test-windows:
#
#   bash tests/windows/package_plays.sh ZIP
#
# Needs what the end-to-end tests need (DEMOPLAYER_SOURCE_DIR, an X display,
# xdotool) and Wine's set-up (scripts/lib/windows-env.sh).
zip_path=${1:?the zip to check}
export DEMOPLAYER_BINARY_DIR=${DEMOPLAYER_BINARY_DIR:-unused}
player_window_name="Lumen Drift"
source "$(dirname "${BASH_SOURCE[0]}")/../e2e/lib/player.sh"

unzip -q "$zip_path" -d "$demo_dir/unpacked" || fail "could not unpack $zip_path"
package="$demo_dir/unpacked/demoplayer-windows-x64"
for file in demoplayer.exe synctrack.exe play.bat README.txt example/demo.json example/tune.ogg; do
    [ -f "$package/$file" ] || fail "the zip has no $file"
done

# Line ends as the scripts read them; freeglut's two lines about Wine's
# DISPLAY are dropped, as the build's launchers do (tests/CMakeLists.txt).
# The player's own pid is the filter of its standard output, which ends once
# all of it is written; the program's exit status goes to a file.
status_file="$demo_dir/status"
(
    cd "$package/example"
    status=0
    wine ../demoplayer.exe 2> >(sed -u -e 's/\r$//' \
        -e '/fgPlatformInitialize: CreateDC failed/,/-display. parameter$/d' >"$player_err") || status=$?
    echo "$status" >"$status_file"
) | sed -u 's/\r$//' >"$player_out" &
player_pid=$!

# The start-up account: the demo's name, each of its shaders named and
# compiled, the final pass compiled, then the separator line.
wait_for_output '^----------------$' 60
shaders=$(grep -c '"vertexsrc"' "$package/example/demo.json")
startup=$(sed -n '1,/^----------------$/p' "$player_out")
[ "$(echo "$startup" | head -n 1)" = 'Demos name: "Lumen Drift"' ] ||
    fail "the start-up account does not begin with the demo's name"
[ "$(echo "$startup" | grep -c '^  Shader name: ')" -eq "$shaders" ] ||
    fail "the start-up account does not name each of the $shaders shaders"
[ "$(echo "$startup" | grep -c '^ COMPILATION SUCCESSFULL $')" -eq $((2 * shaders + 2)) ] ||
    fail "the start-up account does not show every shader file compiled"
[ "$(echo "$startup" | grep -c '^{  Compiled Shader Program and attached ID number [0-9]* to it.  }$')" -eq "$shaders" ] ||
    fail "the start-up account does not show each shader program linked"
echo "$startup" | grep -q '^------SCENES------$' || fail "the start-up account lists no scenes"

wait_for_row 10 60
seek_to_row 1540 60
wait_for_exit 60
player_status=$(cat "$status_file")
[ "$player_status" -eq 0 ] || fail "the packaged player ended with status $player_status"
awk -v r="$(last_row)" 'BEGIN { exit !(r >= 1565) }' || fail "the player stopped before the end row, at row $(last_row)"
[ ! -s "$player_err" ] || fail "the packaged player wrote to standard error: $(head -n 3 "$player_err")"
echo "package-windows: the zip's demoplayer.exe played the example to its end row ($(last_row)), status 0"
