# Sourced by the web scripts: Debian's chromium without a display, drawing
# WebGL 2 in software (SwiftShader through ANGLE), reading local files, and
# playing sound without a click. Each run gets a profile of its own.

chromium_bin=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$chromium_bin" ]; then
  echo "chromium not found: scripts/install-deps --web installs it" >&2
  exit 1
fi

# chromium_run WIDTH HEIGHT ARGUMENTS...: chromium at a window of that size.
chromium_run() {
  local width=$1 height=$2 profile status=0; shift 2
  profile=$(mktemp -d "${TMPDIR:-/tmp}/demoplayer-chromium.XXXXXX")
  timeout 120 "$chromium_bin" --headless=new --no-sandbox --enable-unsafe-swiftshader --use-angle=swiftshader \
    --allow-file-access-from-files --autoplay-policy=no-user-gesture-required --no-first-run \
    --no-default-browser-check --disable-extensions --disable-background-networking --disable-sync \
    --hide-scrollbars --mute-audio --user-data-dir="$profile" --window-size="$width,$height" "$@" || status=$?
  rm -rf "$profile"
  return $status
}

# page_title URL [BUDGET_MS]: the page's title after BUDGET_MS (default
# 20000) of the page's own time.
page_title() {
  chromium_run 640 360 --virtual-time-budget="${2:-20000}" --dump-dom "$1" 2>/dev/null |
    sed -n 's:.*<title>\(.*\)</title>.*:\1:p' | head -n 1 |
    sed -e 's/&lt;/</g' -e 's/&gt;/>/g' -e 's/&quot;/"/g' -e "s/&#39;/'/g" -e 's/&amp;/\&/g'
}
