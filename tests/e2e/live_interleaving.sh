# Live mode never drops a save: shaders, the final pass, an image and
# demo.json saved in random interleavings, many of them while a description
# load runs, and after each batch the picture shows the last save of every
# file. Each file sets one thing on screen: mix.fsh the red, AA.fsh (the
# final pass) the blue, colour.bmp the green, and demo.json whether the green
# comes from colour.bmp (named by three texture entries) or from fixed.bmp.
# At the end a broken shader saved before a valid description keeps drawing
# with its last good program.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"
source "$(dirname "${BASH_SOURCE[0]}")/lib/live.sh"

seed=${DEMOPLAYER_TEST_SEED:-$$}
RANDOM=$seed
echo "seed $seed (DEMOPLAYER_TEST_SEED=$seed repeats this run)"

make_demo 20

save_mix() {
    save mix.fsh "#version 140
uniform sampler2D tex0;
out vec4 colour;
void main() { colour = vec4($1.0 / 255.0, texture(tex0, vec2(0.5)).g, 0.0, 1.0); }"
}
save_final() {
    save AA.fsh "#version 140
uniform sampler2D finalTarget;
out vec4 colour;
void main() { colour = vec4(texelFetch(finalTarget, ivec2(gl_FragCoord.xy), 0).rg, $1.0 / 255.0, 1.0); }"
}
# save_bmp NAME GREEN: a 1x1 BMP of that green, saved as editors do.
save_bmp() {
    printf "BM\x3a\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x18\0\0\0\0\0\x04\0\0\0\x13\x0b\0\0\x13\x0b\0\0\0\0\0\0\0\0\0\0\0\\x$(printf %02x "$2")\0\0" \
        >"$demo_dir/$1.new"
    mv "$demo_dir/$1.new" "$demo_dir/$1"
}
# save_description own|fixed: the green from colour.bmp or from fixed.bmp.
save_description() {
    local textures='{ "id": 0, "src": "fixed.bmp" }'
    [ "$1" = own ] && textures='{ "id": 0, "src": "colour.bmp" }, { "id": 1, "src": "colour.bmp" }, { "id": 2, "src": "colour.bmp" }'
    save demo.json "{ \"name\": \"e2e demo\", \"fullscreen\": false, \"end_row\": 400,
  \"shaders\": [ { \"name\": \"mix\", \"vertexsrc\": \"pass.vsh\", \"fragmentsrc\": \"mix.fsh\" } ],
  \"scenes\": [ { \"id\": 0, \"shader_order\": [ { \"pass_order\": 0, \"shader_id\": 0 } ],
                 \"textures\": [ $textures ] } ] }"
}
# A value of 40..240 other than the one given, so that every save shows.
other_than() {
    local value=$1
    while [ "$value" -eq "$1" ]; do value=$((40 * (1 + RANDOM % 6))); done
    echo "$value"
}

red=40 blue=40 green=40 description=own
save_mix $red
save_final $blue
save_bmp colour.bmp $green
save_bmp fixed.bmp 200
save_description $description
rm -f "$demo_dir"/sync_scene.track

start_live
expect_pixel "${centre[@]}" $red $green $blue "the first picture"

# expect_last_saves: the picture shows every file's last save, however long
# the player takes to catch up (a lost save never shows).
expect_last_saves() {
    local expected_green=$green deadline=$((SECONDS + 20))
    [ "$description" = own ] || expected_green=200
    until pixel_near "${centre[@]}" $red $expected_green $blue; do
        [ $SECONDS -lt $deadline ] ||
            fail "after $1 the picture shows $(window_pixel "${centre[@]}"), not the last saves $red $expected_green $blue (seed $seed)"
        sleep 0.1
    done
}

pause() { sleep "0.0$((RANDOM % 5))"; }

for batch in 1 2 3; do
    for round in 1 2 3 4 5 6 7 8 9 10; do
        for action in $(printf '%s\n' mix final image description | shuf --random-source=<(yes $RANDOM)); do
            case $action in
            mix)
                # Sometimes a broken save first, mended in the same round.
                if [ $((RANDOM % 4)) -eq 0 ]; then
                    save mix.fsh 'void main() { this is not glsl; }'
                    pause
                fi
                red=$(other_than $red)
                save_mix $red
                ;;
            final)
                blue=$(other_than $blue)
                save_final $blue
                ;;
            image)
                green=$(other_than $green)
                save_bmp colour.bmp $green
                ;;
            description)
                [ "$description" = own ] && description=fixed || description=own
                save_description $description
                ;;
            esac
            pause
        done
    done
    expect_last_saves "batch $batch"
done

# A broken shader, then a valid description: the last good program keeps drawing.
[ "$description" = own ] || { description=own; save_description own; expect_last_saves "the description"; }
errors=$(error_count '^mix\.fsh:')
save mix.fsh 'void main() { this is not glsl; }'
wait_for_error '^mix\.fsh:' $((errors + 1)) 10
reloads=$(count_lines '^Reloaded demo\.json$')
save_description own
wait_for_count '^Reloaded demo\.json$' $((reloads + 1)) 10
wait_for_count '^live: row' $(( $(count_lines '^live: row') + 2 ))
expect_pixel "${centre[@]}" $red $green $blue "the broken shader's last good program should keep drawing"

quit
echo "ok"
