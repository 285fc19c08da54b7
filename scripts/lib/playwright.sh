# Sourced by scripts/test-web and the web benchmark: playwright-core, which
# drives Debian's chromium (it brings no browser of its own), installed once
# with npm into the cache outside the work tree, at a pinned version.
# Sets playwright_modules, the folder to give node as NODE_PATH.
playwright_version=1.47.2
playwright_prefix=${XDG_CACHE_HOME:-$HOME/.cache}/demoplayer/npm/playwright-core-$playwright_version
playwright_modules=$playwright_prefix/node_modules
if [ ! -f "$playwright_modules/playwright-core/package.json" ]; then
  echo "web: installing playwright-core $playwright_version into $playwright_prefix" >&2
  mkdir -p "$playwright_prefix"
  npm install --prefix "$playwright_prefix" --no-audit --no-fund --no-save --silent \
    "playwright-core@$playwright_version" >&2 ||
    { echo "web: npm could not install playwright-core $playwright_version" >&2; exit 1; }
fi
