# Sourced by the scripts: the steps several of them take.
#
#   root         the work tree the script belongs to
#   jobs         how many compilers a build runs at once: one per core
#   cache_root   the cache outside the work tree that every work tree and
#                clone of the machine shares (built libraries, the tests'
#                Debian root, Wine's folders)
#
# Builds put ccache in front of the compilers when it is installed, with its
# paths taken relative to the work tree, so that a fresh clone compiles
# little of what another clone of the machine has compiled before.

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)
cache_root=${XDG_CACHE_HOME:-$HOME/.cache}/demoplayer

# cache_key TEXT: 16 hex digits that change whenever TEXT does; a built
# dependency's folder in the cache is named by the key of everything it was
# built from.
cache_key() {
  echo "$1" | sha256sum | cut -c1-16
}

# rerun_under_xvfb NAME SCREEN WHAT COMMAND...: without a display, says
# "NAME: no display, WHAT" and runs COMMAND again inside a fresh Xvfb server
# with one screen of SCREEN (such as 640x360x24); with one, does nothing.
rerun_under_xvfb() {
  [ -z "${DISPLAY:-}" ] || return 0
  local name=$1 screen=$2 what=$3
  shift 3
  echo "$name: no display, $what" >&2
  run_in_xvfb "$screen" "$@"
}

# run_in_xvfb SCREEN COMMAND...: replaces the script with COMMAND inside a
# fresh Xvfb server. -noreset: the server would otherwise restart whenever
# its last client leaves, refusing the next program that connects during the
# restart.
run_in_xvfb() {
  local screen=$1
  shift
  exec xvfb-run --auto-servernum --server-args="-screen 0 $screen -nolisten tcp -noreset" "$@"
}

# The compiler cache's options for cmake, in compiler_cache (empty options
# when ccache is missing, so that a build configured with it still builds
# once it is gone).
if command -v ccache >/dev/null 2>&1; then
  compiler_cache=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Paths under the work tree are hashed relative to it (a base folder that
  # holds the tree already does that); the build folder's own path is not
  # hashed.
  case "$root/" in
    "${CCACHE_BASEDIR:-/nowhere}"/*) ;;
    *) export CCACHE_BASEDIR=$root ;;
  esac
  export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
else
  compiler_cache=(-DCMAKE_C_COMPILER_LAUNCHER= -DCMAKE_CXX_COMPILER_LAUNCHER=)
fi

# configure_build DIR CMAKE_OPTION...: configures the work tree into DIR
# (quietly; errors still show) with the compiler cache.
configure_build() {
  local dir=$1
  shift
  cmake -S "$root" -B "$dir" "${compiler_cache[@]}" "$@" >/dev/null
}

# build_targets DIR [TARGET...]: builds those targets of DIR, or everything.
build_targets() {
  local dir=$1 target targets=()
  shift
  for target in "$@"; do targets+=(--target "$target"); done
  cmake --build "$dir" --parallel "$jobs" ${targets[@]+"${targets[@]}"} >/dev/null
}

# build_release [TARGET...]: the native Release build in build/release, the
# one that scripts/play, new-demo, test, test-release and screenshot share,
# always configured alike (warnings are errors) so that going from one
# script to another rebuilds nothing.
release_build=$root/build/release
build_release() {
  configure_build "$release_build" -DCMAKE_BUILD_TYPE=Release -DDEMOPLAYER_WERROR=ON -DDEMOPLAYER_EXAMPLE=ON
  build_targets "$release_build" "$@"
}
