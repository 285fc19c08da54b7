# scripts/release on the example, on a demo made from the template and on
# that demo with a FLAC tune that "tune" names: both archives are made and
# hold the player, the launcher, the README and, in demo/, exactly the files
# the demo reads; a demo with a text track whose
# keys differ from its track file, or without one of its shaders, is refused
# with a line naming the file, and no archive is made. Run by
# scripts/test-release, which passes the folder the archives go to:
#
#   bash tests/release/archives.sh OUT_DIR
#
# Needs DEMOPLAYER_SOURCE_DIR and DEMOPLAYER_BINARY_DIR (a native build with
# the example, synctrack and tonefile).
set -euo pipefail
out=${1:?the folder for the archives}
: "${DEMOPLAYER_SOURCE_DIR:?}" "${DEMOPLAYER_BINARY_DIR:?}"
release=$DEMOPLAYER_SOURCE_DIR/scripts/release
scratch=$(mktemp -d "${TMPDIR:-/tmp}/demoplayer-release.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# archive_lists ARCHIVE: the files (not folders) an archive holds, sorted.
archive_lists() {
  case "$1" in
    *.tar.gz) tar -tzf "$1" ;;
    *.zip) unzip -Z1 "$1" ;;
  esac | grep -v '/$' | sort
}

# expect_archives NAME DEMO_FILE...: both archives of NAME hold the player,
# the launcher and the README, and in demo/ the files named and nothing else;
# the Linux player has its libraries beside it.
expect_archives() {
  local name=$1 file; shift
  local demo=()
  for file in "$@"; do demo+=("demo/$file"); done
  local linux windows
  linux=$(printf "$name-linux-x64/%s\n" "${demo[@]}" play.sh README.txt player/demoplayer | sort)
  windows=$(printf "$name-windows-x64/%s\n" "${demo[@]}" play.bat README.txt player/demoplayer.exe | sort)
  [ "$(archive_lists "$out/$name-linux-x64.tar.gz" | grep -v '/player/lib/')" = "$linux" ] ||
    fail "$name-linux-x64.tar.gz holds: $(archive_lists "$out/$name-linux-x64.tar.gz" | tr '\n' ' ')"
  archive_lists "$out/$name-linux-x64.tar.gz" | grep -q '/player/lib/libglut\.so\.3' ||
    fail "$name-linux-x64.tar.gz carries no freeglut beside the player"
  [ "$(archive_lists "$out/$name-windows-x64.zip")" = "$windows" ] ||
    fail "$name-windows-x64.zip holds: $(archive_lists "$out/$name-windows-x64.zip" | tr '\n' ' ')"
}

# The example, with the texts of its tracks (which agree with them) and a
# file it does not read.
cp -RL "$DEMOPLAYER_BINARY_DIR/example" "$scratch/example"
cp -R "$DEMOPLAYER_SOURCE_DIR/examples/tracks" "$scratch/example/tracks"
echo "not part of the demo" >"$scratch/example/notes.txt"
"$release" "$scratch/example" "$out" >"$scratch/summary.txt" || fail "the example's release failed"
grep -q '^  demo/sync_scene.track ' "$scratch/summary.txt" || fail "the summary does not list the files"
example_files=$(cd "$DEMOPLAYER_BINARY_DIR/example" && ls)
grep -q "^  the demo: $(echo "$example_files" | wc -l) files " "$scratch/summary.txt" ||
  fail "the summary does not total the example's files"
expect_archives Lumen-Drift $example_files
[ -s "$out/Lumen-Drift-web.html" ] || fail "the example's release made no web page"
grep -q '^  Lumen-Drift-web.html ' "$scratch/summary.txt" || fail "the summary does not list the web page"

# A demo from the template: its README and the text of its track stay out.
DEMOPLAYER_BINARY_DIR=$DEMOPLAYER_BINARY_DIR "$DEMOPLAYER_SOURCE_DIR/scripts/new-demo" "$scratch/template" >/dev/null
"$release" "$scratch/template" "$out" >/dev/null || fail "the template's release failed"
expect_archives My-demo demo.json glow.fsh image.png sync_fstr_val.track sync_speed.track test.vsh tune.ogg waves.fsh

# The template with its tune as FLAC in a folder of its own, named by "tune":
# the named file travels, tune.ogg does not, and the Linux player carries
# the library that reads it.
cp -R "$scratch/template" "$scratch/flac"
mkdir "$scratch/flac/music"
ffmpeg -v error -i "$scratch/flac/tune.ogg" -c:a flac "$scratch/flac/music/tune.flac" || fail "FFmpeg could not make a FLAC tune"
rm "$scratch/flac/tune.ogg"
sed -i -e 's/"name": "My demo"/"name": "My FLAC demo", "tune": "music\/tune.flac"/' "$scratch/flac/demo.json"
"$release" "$scratch/flac" "$out" >/dev/null || fail "the release of a demo with a FLAC tune failed"
expect_archives My-FLAC-demo demo.json glow.fsh image.png music/tune.flac sync_fstr_val.track sync_speed.track test.vsh waves.fsh
archive_lists "$out/My-FLAC-demo-linux-x64.tar.gz" | grep -q '/player/lib/libsndfile\.so\.1' ||
  fail "My-FLAC-demo-linux-x64.tar.gz carries no libsndfile beside the player"

# refused DEMO_DIR LINE: the release of DEMO_DIR fails with status 1 and the
# line given, and makes no archive.
refused() {
  local status=0 refusals=$scratch/refusals
  rm -rf "$refusals"
  "$release" "$1" "$refusals" >/dev/null 2>"$scratch/err.txt" || status=$?
  [ $status -eq 1 ] || fail "a release of $1 ended with status $status, not 1"
  grep -qF -- "$2" "$scratch/err.txt" || fail "a release of $1 did not say '$2': $(cat "$scratch/err.txt")"
  [ -z "$(find "$refusals" -name '*.zip' -o -name '*.tar.gz' -o -name '*.html' 2>/dev/null)" ] ||
    fail "a refused release made an archive"
}
cp -R "$scratch/template" "$scratch/stale"
sed -i 's/^0 .*/0 2.5 linear/' "$scratch/stale/tracks/speed.txt"
refused "$scratch/stale" "tracks/speed.txt: its keys differ from"
cp -R "$scratch/template" "$scratch/unshaded"
rm "$scratch/unshaded/glow.fsh"
refused "$scratch/unshaded" "glow.fsh: missing (a fragment shader in demo.json)"
# A shader desktop GL takes and WebGL 2 does not (GLSL ES has no implicit
# int-to-float conversion): the page's check refuses it with its line.
cp -R "$scratch/template" "$scratch/desktop-only"
line=$(grep -n '^void main' "$scratch/desktop-only/glow.fsh" | head -n 1 | cut -d: -f1)
sed -i "${line}i float webRefusesThis = 1;" "$scratch/desktop-only/glow.fsh"
refused "$scratch/desktop-only" "glow.fsh:$line: error: "
echo "release: both archives and the page of the example, of the template and of the template with a FLAC tune hold what the demos read; a stale track, a missing shader and a shader WebGL 2 refuses are refused"
