# The player's layers point down: each folder of src/ includes only its own
# headers and those of the layers below it that it uses, as src/CMakeLists.txt
# links them (timeline on platform; render on sync; demo on render; the export
# on timeline and render's GL object owner alone; the track editor on sync and
# timeline; app on all of them). The track code uses neither GL nor audio; of
# the platform, it reads and writes files, reports their problems and compares
# keys with the processor helper (cpu.h). Prints every include that points the
# wrong way.
set -euo pipefail
src="${DEMOPLAYER_SOURCE_DIR:?}/src"

# layer: the folders it may include
declare -A allowed=(
    [platform]="platform"
    [sync]="sync platform/file_read.h platform/file_write.h platform/warning.h platform/ConsoleSink.h platform/cpu.h"
    [editor]="editor timeline sync platform"
    [timeline]="timeline platform"
    [render]="render sync platform"
    [demo]="demo render sync platform"
    [export]="export render/GlName.h timeline platform"
    [app]="app editor export demo render timeline sync platform"
)

status=0
for layer in "${!allowed[@]}"; do
    while IFS= read -r line; do
        file=${line%%:*}
        target=$(echo "$line" | sed -E 's/.*#include "([a-z]+)\/.*/\1/')
        header=$(echo "$line" | sed -E 's/.*#include "([^"]+)".*/\1/')
        case " ${allowed[$layer]} " in
        *" $target "* | *" $header "*) ;;
        *) echo "$line: $layer must not include $target" >&2; status=1 ;;
        esac
    done < <(grep -rn '#include "[a-z]*/' "$src/$layer" --include=*.cpp --include=*.h | sed "s|^$src/||")
done

if grep -rnE '#include <(GL|SDL|vorbis)' "$src/sync" >&2; then
    echo "the track code must not use GL or audio" >&2
    status=1
fi
[ $status -eq 0 ] && echo "ok"
exit $status
