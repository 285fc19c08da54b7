# Sourced by the Windows scripts: the Wine set-up that runs the Windows
# programs here. Wine keeps its own folder outside the work tree, made once;
# its messages are silenced, and SDL plays through its dummy driver.
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/demoplayer/wine}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "windows: preparing Wine's folder $WINEPREFIX (once)" >&2
  mkdir -p "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1 || true
  wineserver --wait || true
fi
