#!/bin/sh
# Plays "@NAME@": full screen at the screen's resolution, unless its maker
# chose a window; it ends by itself. README.txt says more.
#   ./play.sh                 as its maker meant it
#   ./play.sh --windowed      in a window
#   ./play.sh --size WxH      in a window of that size, e.g. --size 1280x720
here=$(dirname "$0")
cd "$here/@DEMO@" || exit 1
exec "../@PLAYER@" --release "$@"
