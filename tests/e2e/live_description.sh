# Live mode and the description: demo.json saved with a new scene plays it
# at the same music position; a broken one keeps the running demo and says
# why; an image saved again shows at once, one that no longer loads keeps its
# last good picture.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/live.sh"

make_demo 20
"$DEMOPLAYER_BINARY_DIR/texgen" "$demo_dir" || fail "texgen could not draw the images"
cp "$demo_dir/noise.png" "$demo_dir/picture.png"
save image.fsh '#version 140
in vec2 uv;
uniform sampler2D tex0;
out vec4 colour;
void main() { colour = vec4(texture(tex0, uv).rgb, 1.0); }'
mkdir "$demo_dir/tracks"
save tracks/scene.txt '0 2 step'

start_live
wait_for_output '^live: row .* scene 2 \(none\)' 10
press Tab
wait_for_output '^DISPLAY OFF$' 10
expect_pixel "${centre[@]}" 255 0 0 "without scene 2 the first scene is drawn"

# The description with a third scene that shows picture.png.
wait_for_count '^live: row' $(( $(count_lines '^live: row') + 2 ))
before=$(live_row)
cat >"$demo_dir/demo.json.new" <<'JSON'
{
  "name": "e2e demo",
  "fullscreen": false,
  "end_row": 400,
  "shaders": [
    { "name": "solid", "vertexsrc": "pass.vsh", "fragmentsrc": "solid.fsh" },
    { "name": "glow", "vertexsrc": "pass.vsh", "fragmentsrc": "glow.fsh", "parameters": ["level"] },
    { "name": "image", "vertexsrc": "pass.vsh", "fragmentsrc": "image.fsh" }
  ],
  "scenes": [
    { "id": "red", "shader_order": [ { "pass_order": 0, "shader_id": 0 } ] },
    { "id": "glowing dot",
      "shader_order": [ { "pass_order": 0, "shader_id": 0 }, { "pass_order": 1, "shader_id": 1 } ],
      "textures": [ { "id": 0, "src": "dot.png" } ] },
    { "id": "picture", "shader_order": [ { "pass_order": 0, "shader_id": 2 } ],
      "textures": [ { "id": 0, "src": "picture.png" } ] }
  ]
}
JSON
mv "$demo_dir/demo.json.new" "$demo_dir/demo.json"
wait_for_output '^Reloaded demo\.json$' 10
wait_for_count '^live: row' $(( $(count_lines '^live: row') + 2 ))
after=$(live_row)
[ "$after" -ge "$before" ] || fail "the music should keep its position (row $before, then $after)"
grep -E '^live: row' "$player_out" | tail -n 1 | grep -q 'scene 2 |' || fail "scene 2 should exist now"
expect_not_pixel "${centre[@]}" 255 0 0 "the new scene should be drawn"

# An image saved again replaces its texture.
window=$(player_window)
"$DEMOPLAYER_BINARY_DIR/capture" window "$window" "$demo_dir/before.png"
cp "$demo_dir/panel.png" "$demo_dir/picture.png.new"
mv "$demo_dir/picture.png.new" "$demo_dir/picture.png"
wait_for_output '^Reloaded picture\.png$' 10
wait_for_window_change "$demo_dir/before.png" "$demo_dir/after.png" "the saved image should show"

# An image that no longer loads keeps its last good picture; its error shows once.
save picture.png 'not an image any more'
wait_for_error '^picture\.png: not a PNG, JPEG, BMP or TGA image; the last good picture stays$' 1 10

# A broken description keeps the demo playing as it was.
save demo.json '{ "name": "e2e demo", "shaders": [ '
wait_for_error '^demo\.json: .*the running demo stays' 1 10
rows=$(count_lines '^live: row')
wait_for_count '^live: row' $((rows + 2)) 10
grep -E '^live: row' "$player_out" | tail -n 1 | grep -q 'scene 2 |' || fail "the running demo should stay"
"$DEMOPLAYER_BINARY_DIR/capture" window "$window" "$demo_dir/broken.png"
centre_after=$("$DEMOPLAYER_BINARY_DIR/capture" pixel "$demo_dir/after.png" "${centre[@]}")
centre_broken=$("$DEMOPLAYER_BINARY_DIR/capture" pixel "$demo_dir/broken.png" "${centre[@]}")
[ "$centre_after" = "$centre_broken" ] || fail "the picture should stay ($centre_after, then $centre_broken)"
[ "$(error_count '^picture\.png: ')" -eq 1 ] || fail "the broken image should be said once"
expect_not_pixel "${corner[@]}" $("$DEMOPLAYER_BINARY_DIR/capture" pixel "$demo_dir/after.png" "${corner[@]}") \
    "the error should show in the corner"

quit
echo "ok"
