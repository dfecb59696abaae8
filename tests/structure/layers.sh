#!/bin/bash
# The program's folders and the includes between them, printed as a graph and
# checked for circles. The menu and the game window refer to each other by
# design, so those two folders count as one; every other folder may only be
# reached one way.
#   layers.sh SOURCE_ROOT
set -euo pipefail
root=${1:?usage: layers.sh SOURCE_ROOT}
cd "$root"

node() {
    case $1 in
        game | menu) echo "game+menu" ;;
        *) echo "$1" ;;
    esac
}

folders=()
for top in game scene mesh motion menu platform; do
    [[ -d $top ]] && folders+=("$top")
done
if ((${#folders[@]} == 0)); then
    echo "layers: no program folders under $root" >&2
    exit 2
fi

edges=$(mktemp)
trap 'rm -f "$edges"' EXIT
while IFS= read -r file; do
    from=$(node "$(dirname "$file")")
    while IFS= read -r included; do
        [[ $included == */* ]] || continue
        to=$(node "$(dirname "$included")")
        if [[ $from != "$to" ]]; then echo "$from $to"; fi
    done < <(sed -nE 's/^[[:space:]]*#[[:space:]]*include[[:space:]]+"([^"]+)".*/\1/p' "$file")
done < <(find "${folders[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) | sort) > "$edges"
sort -u -o "$edges" "$edges"

echo "Include graph between folders (from -> to):"
awk '{ to[$1] = to[$1] " " $2 } END { for (f in to) print "  " f " ->" to[f] }' "$edges" | sort

if ! order=$(tsort "$edges" 2>&1 >/dev/null) || [[ -n $order ]]; then
    echo "FAIL: the folders include each other in a circle:" >&2
    echo "$order" | sed -n '/contains a loop/,$s/^tsort: /  /p' | grep -v 'contains a loop' >&2
    exit 1
fi
order=$(tsort "$edges")
echo "Layers, top first:"
echo "$order" | sed 's/^/  /'
