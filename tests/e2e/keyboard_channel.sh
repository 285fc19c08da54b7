# The shader sites' keyboard channel in play mode: a key the player does not
# take reaches a "keyboard" channel (held while down, toggled at each press),
# the player's own keys (space) do not; an export of the demo says once, on
# standard error, that no key reaches the channel there.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

# expect_colour R G B WHAT: the window's mean colour, each within 2 of 0..255.
expect_colour() {
    local colour
    colour=$(capture_colour)
    read -r red green blue <<<"$colour"
    near "$red" "$1" 2 && near "$green" "$2" 2 && near "$blue" "$3" 2 || fail "$4: the window is $colour, not $1 $2 $3"
}

make_demo 20
# Red while W (key code 87) is held, green once it toggled on, blue if space
# (32, the player's pause key) ever reached the channel.
cat >"$demo_dir/keys.fsh" <<'SHADER'
void mainImage(out vec4 colour, in vec2 pixel)
{
    colour = vec4(texelFetch(iChannel0, ivec2(87, 0), 0).r, texelFetch(iChannel0, ivec2(87, 2), 0).r,
                  texelFetch(iChannel0, ivec2(32, 2), 0).r, 1.0);
}
SHADER
cat >"$demo_dir/demo.json" <<'JSON'
{
  "name": "e2e demo",
  "fullscreen": false,
  "end_row": 400,
  "shaders": [ { "name": "keys", "fragmentsrc": "keys.fsh", "convention": "shadertoy" } ],
  "scenes": [ { "id": 0, "shader_order": [ { "pass_order": 0, "shader_id": 0, "channels": ["keyboard"] } ] } ]
}
JSON
rm -f "$demo_dir"/sync_level.track "$demo_dir"/sync_level.txt
start_player
wait_for_output '^----------------$'
wait_for_frames 3
expect_colour 0 0 0 "before any key"

window=$(player_window) || fail "the player's window did not appear"
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool keydown w
wait_for_frames 3
expect_colour 255 255 0 "W held"
xdotool keyup w
wait_for_frames 3
expect_colour 0 255 0 "W up, still toggled on"
press W
wait_for_frames 3
expect_colour 0 0 0 "a second press (with Shift) toggles it off"
press space
wait_for_frames 3
expect_colour 0 0 0 "space pauses and never reaches the channel"
press Escape
wait_for_exit 20
[ "$player_status" -eq 0 ] || fail "Esc ended the player with status $player_status"

# On Linux the export needs no display; a Windows program under Wine draws
# through Wine's own X connection, which needs it.
display_option=(-u DISPLAY)
[ -z "${DEMOPLAYER_E2E_WINDOWS:-}" ] || display_option=()
(cd "$demo_dir" && exec env "${display_option[@]}" "$DEMOPLAYER_BINARY_DIR/demoplayer" --export out/f%03d.png \
    --size 64x36 --fps 10 --rows 0:2) >"$player_out" 2>"$player_err" || fail "the export failed: $(cat "$player_err")"
[ "$(grep -c '"keyboard" reads no key in an export' "$player_err")" -eq 1 ] ||
    fail "the export should say once that no key reaches the keyboard: $(cat "$player_err")"
grep -qF 'demo.json: scenes[0].shader_order[0].channels[0]: "keyboard"' "$player_err" ||
    fail "the line should name the channel: $(cat "$player_err")"
echo "ok"
