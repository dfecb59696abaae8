#!/bin/bash
# The source units of a folder and of every folder below it (X.h with X.cpp; a
# header or source file without its pair is a unit of its own) and the includes
# between them, checked for circles twice: inside each folder a unit may only be
# reached one way, and so may each of these folders from the others.
#   units.sh SOURCE_ROOT FOLDER
set -euo pipefail
root=${1:?usage: units.sh SOURCE_ROOT FOLDER}
top=${2:?usage: units.sh SOURCE_ROOT FOLDER}
cd "$root"
if [[ ! -d $top ]]; then
    echo "units: no folder $top under $root" >&2
    exit 2
fi

includes() {
    sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]+"([^"]+)".*/\1/p' "$1"
}

sources() {
    find "$1" -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' \) | sort
}

# Prints the nodes on a circle of a graph of "from to" lines; nothing where there is none.
circle() {
    local order
    if ! order=$(tsort "$1" 2>&1 >/dev/null) || [[ -n $order ]]; then
        echo "$order" | sed -n '/contains a loop/,$s/^tsort: /  /p' | grep -v 'contains a loop'
    fi
}

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
mapfile -t folders < <(find "$top" -type d | sort)
failed=0
units=0

for folder in "${folders[@]}"; do
    while IFS= read -r file; do
        from=$(basename "${file%.*}")
        echo "$from $from"
        while IFS= read -r included; do
            # Only includes of this folder's own headers count.
            [[ $included == "$folder/"* && $included != "$folder/"*/* ]] || continue
            echo "$from $(basename "${included%.*}")"
        done < <(includes "$file")
    done < <(sources "$folder") | sort -u > "$edges"
    found=$(circle "$edges")
    if [[ -n $found ]]; then
        echo "FAIL: units of $folder include each other in a circle:" >&2
        echo "$found" >&2
        failed=1
    fi
    units=$((units + $(awk '{ print $1; print $2 }' "$edges" | sort -u | wc -l)))
done

for folder in "${folders[@]}"; do
    echo "$folder $folder"
    while IFS= read -r file; do
        while IFS= read -r included; do
            to=$(dirname "$included")
            if [[ $to != "$folder" && " ${folders[*]} " == *" $to "* ]]; then echo "$folder $to"; fi
        done < <(includes "$file")
    done < <(sources "$folder")
done | sort -u > "$edges"
found=$(circle "$edges")
if [[ -n $found ]]; then
    echo "FAIL: folders of $top include each other in a circle:" >&2
    echo "$found" >&2
    failed=1
fi

((failed == 0)) || exit 1
echo "units: $units units in ${#folders[@]} folders of $top, no circle"
