#!/usr/bin/env bash
# The example's page against the native player on this machine: frames per
# second at 640x360 (the page in headless Chromium with SwiftShader, the
# native player under Xvfb with Mesa's llvmpipe, both playing from row 0),
# and the page's size with its program part. A measurement, run by hand:
#   bench/web_page.sh [BUILD_DIR] [SECONDS]   (default build/release, 10)
# BUILD_DIR must hold the native demoplayer and the example.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build/release}" && pwd)
seconds=${2:-10}
source "$root/scripts/lib/playwright.sh"
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

"$root/scripts/web-page" --player "$build/demoplayer" "$build/example" "$out/example.html"
NODE_PATH=$playwright_modules node "$root/bench/web_page.mjs" "$out/example.html" "$seconds"

# The native player prints three lines a frame (scene, seconds, row); its
# rows are counted over the same time, after the same warm-up.
xvfb-run -a -s "-screen 0 640x360x24" timeout $((seconds + 2)) \
  "$build/demoplayer" --windowed --size 640x360 "$build/example" >"$out/native.log" 2>/dev/null || true
frames=$(awk '/^row/ { n++; if (n == 1) first = NR } END { print n }' "$out/native.log")
native_fps=$(awk -v frames="$frames" -v s="$((seconds + 2))" 'BEGIN { printf "%.1f", frames / s }')
echo "native: about $native_fps frames per second ($frames frames in about $((seconds + 2)) s, start-up included)"

page_bytes=$(stat -c %s "$out/example.html")
program_bytes=$(stat -c %s "$root/build/web/demoplayer.js")
echo "page: $page_bytes bytes, of which the program $program_bytes bytes and the demo's files the rest"
