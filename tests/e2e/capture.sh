#!/usr/bin/env bash
# The capture tool: a screen grab of a display with a black background is
# blank, a bad window id is an error, and the picture checks tell pictures
# from blanks and identical files from different ones.
set -euo pipefail

capture="$DEMOPLAYER_BINARY_DIR/capture"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# exit status of a command that is expected to fail, without tripping set -e
status_of() { local s=0; "$@" >"$work/out" 2>"$work/err" || s=$?; echo "$s"; }

"$DEMOPLAYER_BINARY_DIR/texgen" "$work"

# A display of its own: a plain black screen of a known size.
xvfb-run --auto-servernum --server-args="-screen 0 96x64x24 -br -nolisten tcp" \
  bash -c '"$0" root "$1/root.png" && { "$0" window 0x7fffffff "$1/none.png"; echo "bad window: $?" >"$1/bad-window"; }' \
  "$capture" "$work" 2>"$work/xerr" || fail "root capture failed: $(cat "$work/xerr")"

[ "$(cat "$work/bad-window")" = "bad window: 2" ] || fail "a missing window should exit 2, got $(cat "$work/bad-window")"
grep -q "no such window" "$work/xerr" || fail "a missing window should be named on standard error"
[ ! -e "$work/none.png" ] || fail "a failed capture left a file behind"

[ "$(status_of "$capture" stats "$work/root.png")" = 1 ] || fail "a black screen should be blank: $(cat "$work/out")"
grep -q "^96x64 mean 0.0 0.0 0.0 spread 0.0 blank$" "$work/out" || fail "unexpected stats: $(cat "$work/out")"

[ "$(status_of "$capture" stats "$work/noise.png")" = 0 ] || fail "noise.png should be a picture: $(cat "$work/out")"
grep -q "^256x256 .* picture$" "$work/out" || fail "unexpected stats: $(cat "$work/out")"

[ "$(status_of "$capture" diff "$work/noise.png" "$work/noise.png")" = 1 ] || fail "a file should be identical to itself"
grep -q "^mean difference 0.00 identical$" "$work/out" || fail "unexpected diff: $(cat "$work/out")"

[ "$(status_of "$capture" diff "$work/noise.png" "$work/panel.png")" = 0 ] || fail "noise and panel should differ"
[ "$(status_of "$capture" diff "$work/noise.png" "$work/title.png")" = 0 ] || fail "pictures of different sizes should differ"
grep -q "^sizes differ: 256x256 and 512x128$" "$work/out" || fail "unexpected diff: $(cat "$work/out")"

[ "$(status_of "$capture" stats "$work/missing.png")" = 2 ] || fail "a missing file should exit 2"
grep -q "missing.png" "$work/err" || fail "a missing file should be named on standard error"
[ "$(status_of "$capture" frobnicate)" = 2 ] || fail "an unknown command should exit 2"

echo "capture: all checks passed"
