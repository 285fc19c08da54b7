# Sourced by the Windows scripts, after scripts/lib/common.sh: the Wine
# set-up that runs the Windows programs here. Wine keeps its own folder
# outside the work tree, made once; its messages are silenced, and SDL plays
# through its dummy driver.
#
# Each work tree has a Wine folder of its own. Wine runs one server per
# folder, and scripts/test-windows ends its server when it is done so that no
# Wine process outlives the run: with one folder for every work tree of the
# machine, that ended the tests another work tree was running at the time.
export WINEPREFIX=${WINEPREFIX:-$cache_root/wine-$(printf '%s' "$root" | sha256sum | cut -c1-12)}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
# No shader cache on disk for Mesa behind Wine's OpenGL. Mesa writes the
# cache from a thread of its own, which it stops at the process's exit once
# the write in hand is done. Under Wine, work left for the exit gets only a
# moment before Wine kills the process: on a loaded machine a GL test that had
# passed was reported as killed (SIGKILL) or hung at exit, in about 2 to 3 of
# 100 runs; without the cache, none in 200.
export MESA_SHADER_CACHE_DISABLE=${MESA_SHADER_CACHE_DISABLE:-true}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "windows: preparing Wine's folder $WINEPREFIX for $root (once)" >&2
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
fi

# keep_wine_server: one Wine server for the rest of the calling script,
# ended when the script exits. Debian starts Wine's server without
# persistence (-p0): the moment the last Windows program ends it begins to
# shut down, tells Wine's own services to end and, two seconds later, ends
# every process still connected. A program started inside that window can be
# ended with it, with status 1 and no word (once in CI: synctrack, between two
# end-to-end tests), and a suite of hundreds of short programs run one after
# another keeps crossing it. A server started here stays up until the kill.
#
# Wine's services start with the first program and keep its standard output
# and error open. Under a server that stays up, they would hold a test's pipes
# for the whole run, and whoever reads those pipes (ctest) would wait on them;
# started here first, they hold /dev/null.
keep_wine_server() {
  wineserver --wait 2>/dev/null || true
  wineserver --persistent
  trap 'wineserver --kill 2>/dev/null || true' EXIT
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}
