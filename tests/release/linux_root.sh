# A Linux release archive on a machine with nothing installed but a minimal
# Debian, Xvfb and Mesa (tests/release/lib/debian_root.sh): unpacked there,
# `ldd` of its player finds every library, and play.sh, started near the
# end (--row), plays the demo full screen on that root's own Xvfb to its end
# row with status 0. The root has no sound system, so the one line on
# standard error is the player's saying that it plays in silence. Run by
# scripts/test-release:
#
#   bash tests/release/linux_root.sh ARCHIVE [END_ROW]    (END_ROW default 1565, the example's)
set -euo pipefail
archive=${1:?the .tar.gz to check}
end_row=${2:-1565}
source "$(dirname "${BASH_SOURCE[0]}")/lib/debian_root.sh"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

root=$(debian_root) || fail "no Debian root to play in"
place=opt/release-test-$$
"${as_root[@]}" mkdir -p "$root/$place"
trap '"${as_root[@]}" rm -rf "$root/$place"' EXIT
"${as_root[@]}" tar -xzf "$archive" -C "$root/$place"
folder=/$place/$(tar -tzf "$archive" | awk -F/ 'NR == 1 { print $1 }')

libraries=$(in_root "$root" ldd "$folder/player/demoplayer") || fail "ldd could not read the player: $libraries"
! echo "$libraries" | grep -q 'not found' || fail "libraries missing in a minimal root: $(echo "$libraries" | grep 'not found')"

out=$(mktemp) err=$(mktemp)
trap '"${as_root[@]}" rm -rf "$root/$place"; rm -f "$out" "$err"' EXIT
status=0
in_root "$root" xvfb-run --auto-servernum --server-args="-screen 0 640x360x24 -nolisten tcp" \
  "$folder/play.sh" --row $((end_row - 25)) >"$out" 2>"$err" || status=$?
[ $status -eq 0 ] || fail "play.sh ended with status $status: $(head -n 5 "$err")"
last_row=$(grep '^row' "$out" | tail -n 1 | sed 's/^row//')
awk -v r="$last_row" -v e="$end_row" 'BEGIN { exit !(r != "" && r >= e) }' ||
  fail "the demo stopped before its end row $end_row, at row ${last_row:-none}"
[ -z "$(grep -v '^audio: no output device' "$err")" ] || fail "the player wrote to standard error: $(head -n 3 "$err")"
echo "release: $(basename "$archive") played to row $last_row with status 0 in a minimal Debian root ($(echo "$libraries" | grep -c '=>') libraries found)"
