#!/bin/bash
# What differs between the desktop and the browser lives in the host folders
# (platform/host/<host>/) and the build files: anywhere else in the sources a
# check for the browser compiler, its macros or an include of its headers is a
# finding. (The check's own test tree, tests/structure/, is not searched.)
#   hosts.sh SOURCE_ROOT
set -euo pipefail
root=${1:?usage: hosts.sh SOURCE_ROOT}
cd "$root"

folders=()
for top in game scene mesh motion menu platform tools bench tests; do
    [[ -d $top ]] && folders+=("$top")
done
if ((${#folders[@]} == 0)); then
    echo "hosts: no source folders under $root" >&2
    exit 2
fi

found=$(find "${folders[@]}" -type f \( -name '*.cpp' -o -name '*.h' \) -not -path 'platform/host/*/*' \
    -not -path 'tests/structure/*' -print0 |
    xargs -0r grep -nE '__EMSCRIPTEN__|EMSCRIPTEN_|EM_(ASYNC_)?JS\(|#[[:space:]]*include[[:space:]]*<emscripten' || true)
if [[ -n $found ]]; then
    echo "FAIL: host-specific code outside platform/host/:" >&2
    echo "$found" | sed 's/^/  /' >&2
    exit 1
fi
echo "hosts: no host-specific code outside platform/host/"
