# Sourced by the web scripts: emscripten's compiler as Debian installs it.
# Debian's emscripten keeps its system libraries prebuilt in a cache it never
# changes (FROZEN_CACHE); a cache named elsewhere would have to be built, so
# EM_CACHE is left to emscripten's own set-up, and only the place the
# compiler keeps its temporary files is made ours.
export EMCC_TEMP_DIR=${TMPDIR:-/tmp}
unset EM_CACHE
if ! command -v emcc >/dev/null 2>&1; then
  echo "emcc not found: scripts/install-deps --web installs Debian's emscripten" >&2
  exit 1
fi
# The compiler's JavaScript tools need Debian's node-acorn, which a node
# that is not Debian's own does not look for.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}
