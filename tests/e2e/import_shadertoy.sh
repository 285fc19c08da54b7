# demoplayer --import-shadertoy: an export of the shader site's form (written
# here, trivial bodies of our own) becomes a new demo that exports without a
# word on standard error once the image it names is put where the import
# says, with the picture its passes draw: the Common tab's colour, a buffer
# that feeds back on itself from black, an image read through a channel.
# A second import into the same folder adds a scene beside the first and
# overwrites nothing; a malformed export and wrong usage are refused.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"
bin=$DEMOPLAYER_BINARY_DIR
display_option=(-u DISPLAY)
[ -z "${DEMOPLAYER_E2E_WINDOWS:-}" ] || display_option=()

# The export: Buffer A adds a quarter of red to its last frame and takes its
# green from the Common tab; the Image shows Buffer A on the left and the
# image's centre on the right.
cat >"$demo_dir/export.json" <<'EOF'
{"Shader": {"ver": "0.1",
  "info": {"id": "e2eTst", "name": "Import test", "username": "tester", "description": ""},
  "renderpass": [
    {"inputs": [{"id": "4dXGR8", "src": "/media/previz/buffer00.png", "ctype": "buffer", "channel": 0,
                 "sampler": {"filter": "linear", "wrap": "clamp", "vflip": "true", "srgb": "false", "internal": "byte"},
                 "published": 1},
                {"id": "4sfGRn", "src": "/media/a/centre.png", "ctype": "texture", "channel": 1,
                 "sampler": {"filter": "mipmap", "wrap": "repeat", "vflip": "true", "srgb": "false", "internal": "byte"},
                 "published": 1}],
     "outputs": [{"id": "4dfGRr", "channel": 0}],
     "code": "void mainImage(out vec4 fragColor, in vec2 fragCoord)\n{\n    vec2 uv = fragCoord / iResolution.xy;\n    fragColor = uv.x < 0.5 ? texture(iChannel0, uv) : texture(iChannel1, vec2(0.5));\n}\n",
     "name": "Image", "description": "", "type": "image"},
    {"inputs": [{"id": "4dXGR8", "src": "/media/previz/buffer00.png", "ctype": "buffer", "channel": 0,
                 "sampler": {"filter": "nearest", "wrap": "clamp", "vflip": "true", "srgb": "false", "internal": "byte"},
                 "published": 1}],
     "outputs": [{"id": "4dXGR8", "channel": 0}],
     "code": "void mainImage(out vec4 fragColor, in vec2 fragCoord)\n{\n    float red = texelFetch(iChannel0, ivec2(fragCoord), 0).r;\n    fragColor = vec4(min(red + 0.25, 1.0), greenOfCommon(), 0.0, 1.0);\n}\n",
     "name": "Buffer A", "description": "", "type": "buffer"},
    {"inputs": [], "outputs": [],
     "code": "float greenOfCommon() { return 1.0; }\n",
     "name": "Common", "description": "", "type": "common"}
  ]}}
EOF

# Into a folder that does not exist yet: a new demo, what was written on
# standard output, the missing image on standard error.
status=0
"$bin/demoplayer" --import-shadertoy "$demo_dir/export.json" "$demo_dir/new" >"$player_out" 2>"$player_err" ||
    status=$?
[ "$status" -eq 0 ] || fail "the import ended with status $status"
for file in shaders/buffer_a.fsh shaders/image.fsh shaders/common.fsh tune.wav demo.json; do
    [ -f "$demo_dir/new/$file" ] || fail "the import wrote no $file"
    grep -q "^  $file: " "$player_out" || fail "the summary does not name $file: $(cat "$player_out")"
done
[ "$(cat "$demo_dir/new/shaders/common.fsh")" = "float greenOfCommon() { return 1.0; }" ] ||
    fail "the Common tab's text changed"
grep -qx "$demo_dir/new/textures/centre.png: missing; put the site's /media/a/centre.png there (\"Image\" iChannel1 reads black until then)" \
    "$player_err" && [ "$(wc -l <"$player_err")" -eq 1 ] || fail "the missing image was not the one line: $(cat "$player_err")"

# Once the image is there, the demo exports without a word: the buffer's
# red grows a quarter a frame from black, its green comes from Common, the
# image's white centre shows on the right.
mkdir "$demo_dir/new/textures" "$demo_dir/frames"
cp "$DEMOPLAYER_SOURCE_DIR/tests/e2e/demo/dot.png" "$demo_dir/new/textures/centre.png"
(cd "$demo_dir/new" && exec env "${display_option[@]}" "$bin/demoplayer" --export "$demo_dir/frames/f%03d.png" \
    --size 64x36 --fps 10 --rows 0:20) >"$player_out" 2>"$player_err" || fail "the imported demo did not export"
[ "$(grep -Evc '^export: [0-9]+/[0-9]+ frames|: written, ' "$player_err")" -eq 0 ] || fail "the imported demo gave warnings: $(cat "$player_err")"
pixel() { "$bin/capture" pixel "$demo_dir/frames/$1" "$2" "$3"; }
[ "$(pixel f000.png 10 18)" = "64 255 0" ] || fail "the first frame's buffer shows $(pixel f000.png 10 18), not 64 255 0"
[ "$(pixel f001.png 10 18)" = "128 255 0" ] || fail "the second frame's buffer shows $(pixel f001.png 10 18)"
[ "$(pixel f009.png 10 18)" = "255 255 0" ] || fail "the buffer's feedback reached $(pixel f009.png 10 18)"
[ "$(pixel f009.png 50 18)" = "255 255 255" ] || fail "the image's centre shows $(pixel f009.png 50 18)"

# A second import into the demo: another scene, the sources in a folder of
# their own, the first import's files as they were.
cp "$demo_dir/new/shaders/image.fsh" "$demo_dir/image-before.fsh"
"$bin/demoplayer" --import-shadertoy "$demo_dir/export.json" "$demo_dir/new" >"$player_out" 2>"$player_err" &&
    fail "a second Common tab beside the first was taken"
grep -q '"common" already puts "shaders/common.fsh" before' "$player_err" || fail "no reason: $(cat "$player_err")"
cat >"$demo_dir/no-common.json" <<'EOF'
{"Shader": {"info": {"id": "e2eTs2", "name": "Import test"},
  "renderpass": [{"inputs": [], "outputs": [{"id": "4dfGRr", "channel": 0}], "name": "Image", "type": "image",
                  "code": "void mainImage(out vec4 c, in vec2 p) { c = vec4(1.0); }\n"}]}}
EOF
"$bin/demoplayer" --import-shadertoy "$demo_dir/no-common.json" "$demo_dir/new" >"$player_out" 2>"$player_err" ||
    fail "the second import failed: $(cat "$player_err")"
grep -q '^  shaders/import_test/image.fsh: ' "$player_out" || fail "the second import's files: $(cat "$player_out")"
grep -q 'scene 1 ("Import test")' "$player_out" || fail "no second scene: $(cat "$player_out")"
cmp -s "$demo_dir/image-before.fsh" "$demo_dir/new/shaders/image.fsh" || fail "the first import's image.fsh changed"
(cd "$demo_dir/new" && "$bin/demoplayer" --print files) >/dev/null 2>"$player_err" ||
    fail "the demo of two imports does not load: $(cat "$player_err")"

# A malformed export: status 1, its name and the parser's place; wrong usage: status 2.
printf '{"Shader": {"renderpass": [}\n' >"$demo_dir/broken.json"
status=0
"$bin/demoplayer" --import-shadertoy "$demo_dir/broken.json" "$demo_dir/other" >"$player_out" 2>"$player_err" ||
    status=$?
[ "$status" -eq 1 ] && grep -q "^$demo_dir/broken.json: parse error at line 1, column 28: " "$player_err" ||
    fail "a malformed export ended with $status and said: $(cat "$player_err")"
[ ! -e "$demo_dir/other" ] || fail "a malformed export left a folder behind"
status=0
"$bin/demoplayer" --import-shadertoy "$demo_dir/export.json" >"$player_out" 2>"$player_err" || status=$?
[ "$status" -eq 2 ] && grep -q 'needs the demo folder' "$player_err" || fail "a missing DEMO_DIR ended with $status"
echo "ok"
