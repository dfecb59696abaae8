#!/bin/bash
# The source units of one folder (X.h with X.cpp) and the includes between them,
# checked for circles: a unit may only be reached one way. The window system's
# files (SdlWindow*, its game controllers and their hooks) share their internals
# by design, so they count as one unit, as the game and the menu do between folders.
#   units.sh SOURCE_ROOT FOLDER
set -euo pipefail
root=${1:?usage: units.sh SOURCE_ROOT FOLDER}
folder=${2:?usage: units.sh SOURCE_ROOT FOLDER}
cd "$root"
if [[ ! -d $folder ]]; then
    echo "units: no folder $folder under $root" >&2
    exit 2
fi

unit() {
    local name
    name=$(basename "${1%.*}")
    case $name in
        SdlWindow* | SdlGamepad | GamepadHooks) echo "SdlWindow+SdlGamepad" ;;
        *) echo "$name" ;;
    esac
}

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
while IFS= read -r file; do
    from=$(unit "$file")
    echo "$from $from"
    while IFS= read -r included; do
        # Only includes of this folder's own headers count.
        [[ $included == "$folder/"* && $included != "$folder/"*/* ]] || continue
        to=$(unit "$included")
        echo "$from $to"
    done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]+"([^"]+)".*/\1/p' "$file")
done < <(find "$folder" -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' \) | sort) > "$edges"
sort -u -o "$edges" "$edges"

if ! order=$(tsort "$edges" 2>&1 >/dev/null) || [[ -n $order ]]; then
    echo "FAIL: units of $folder include each other in a circle:" >&2
    echo "$order" | sed -n '/contains a loop/,$s/^tsort: /  /p' | grep -v 'contains a loop' >&2
    exit 1
fi
echo "units: $(wc -l < <(tsort "$edges")) units of $folder, no circle"
