# A description that cannot load: the account so far, one line on standard
# error naming demo.json and the reason, exit status 1, no window left behind.
source "$(dirname "${BASH_SOURCE[0]}")/lib/player.sh"

make_demo 2

# Not JSON at all.
printf '{"name": "e2e demo", "fullscreen": false,' >"$demo_dir/demo.json"
start_player
wait_for_exit 30
[ "$player_status" -eq 1 ] || fail "bad JSON ended the player with status $player_status, not 1"
[ ! -s "$player_out" ] || fail "bad JSON printed an account"
expected='demo.json: parse error at line 1, column 42: syntax error while parsing object key - unexpected end of input; expected string literal'
[ "$(cat "$player_err")" = "$expected" ] || fail "standard error should be '$expected'"

# A pass naming a shader that does not exist: the account stops at its line.
cat >"$demo_dir/demo.json" <<'JSON'
{"name": "e2e demo", "fullscreen": false,
 "scenes": [{"id": 1, "shader_order": [{"pass_order": 0, "shader_id": 0}]}]}
JSON
start_player
wait_for_exit 30
[ "$player_status" -eq 1 ] || fail "a missing shader ended the player with status $player_status, not 1"
[ "$(tail -n 1 "$player_out")" = "    Pass 0 = Shader Program with ID [0]" ] ||
    fail "the account should end with the failing pass, not '$(tail -n 1 "$player_out")'"
[ "$(cat "$player_err")" = "demo.json: scenes[0].shader_order[0].shader_id is 0, but there are no shaders" ] ||
    fail "standard error should name the shader_id by its path"
echo "ok"
