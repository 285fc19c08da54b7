# Live mode and shaders: two saves in quick succession both show; a
# fragment, vertex or link error leaves the last good picture, says so in
# one line on standard error and in the window's corner, and the fix takes
# the message away; saving an included file rebuilds the shader.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/live.sh"

solid() {  # solid RGBA: the solid fragment shader with that colour
    printf '#version 140\nout vec4 colour;\nvoid main()\n{\n    colour = vec4(%s);\n}' "$1"
}

make_demo 20
start_live
expect_pixel "${centre[@]}" 255 0 0 "scene 0 starts red"

# Two saves by rename, the second straight after the first reload.
save solid.fsh "$(solid '0.0, 1.0, 0.0, 1.0')"
wait_for_count '^Reloaded pass\.vsh, solid\.fsh$' 1 10
expect_pixel "${centre[@]}" 0 255 0 "the first save should show green"
save solid.fsh "$(solid '0.0, 0.0, 1.0, 1.0')"
wait_for_count '^Reloaded pass\.vsh, solid\.fsh$' 2 10
expect_pixel "${centre[@]}" 0 0 255 "the second save should show blue"

# Without the heads-up display the corner shows the picture, until an error covers it.
press Tab
wait_for_output '^DISPLAY OFF$'
expect_pixel "${corner[@]}" 0 0 255 "Tab should hide the heads-up display"

# check_error FILE TEXT STDERR_PATTERN: saving TEXT into FILE keeps the blue
# picture, prints one matching line, covers the corner; the blue fix uncovers it.
check_error() {
    local file=$1 good before reloads
    good=$(cat "$demo_dir/$file")
    before=$(error_count '.')
    reloads=$(count_lines '^Reloaded ')
    save "$file" "$2"
    wait_for_error "$3"
    wait_for_next_status
    [ "$(error_count '.')" -eq $((before + 1)) ] || fail "$file: one line on standard error expected"
    expect_pixel "${centre[@]}" 0 0 255 "$file: the last good program should keep drawing"
    expect_not_pixel "${corner[@]}" 0 0 255 "$file: the error should show in the window"
    save "$file" "$good"
    wait_for_count '^Reloaded ' $((reloads + 1)) 10
    expect_pixel "${corner[@]}" 0 0 255 "$file: the fix should take the error away"
    expect_pixel "${centre[@]}" 0 0 255 "$file: the fixed shader draws"
}

check_error solid.fsh "$(solid '0.0, 0.0, 1.0')" '^solid\.fsh:5:[0-9]+: error'
check_error pass.vsh "#version 140
in vec3 s_vPosition;
void main() { gl_Position = vec4(s_vPosition, 1.0) }" '^pass\.vsh:3:[0-9]+: error'
check_error solid.fsh "#version 140
out vec4 colour;
void paint() { colour = vec4(1.0); }" \
    '^pass\.vsh, solid\.fsh: program does not link: '

# Saving a file that the shader includes rebuilds the shader.
reloads=$(count_lines '^Reloaded pass\.vsh, solid\.fsh$')
save tint.glsl "const vec4 tint = vec4(1.0, 1.0, 0.0, 1.0);"
save solid.fsh "#version 140
#include \"tint.glsl\"
out vec4 colour;
void main() { colour = tint; }"
wait_for_count '^Reloaded pass\.vsh, solid\.fsh$' $((reloads + 1)) 10
expect_pixel "${centre[@]}" 255 255 0 "the included colour should show"
save tint.glsl "const vec4 tint = vec4(1.0, 0.0, 1.0, 1.0);"
wait_for_count '^Reloaded pass\.vsh, solid\.fsh$' $((reloads + 2)) 10
expect_pixel "${centre[@]}" 255 0 255 "a saved include should rebuild the shader that includes it"

grep -q 'COMPILATION\|Opening shader file' "$player_out" && fail "live builds should not write the build account"
quit
echo "ok"
