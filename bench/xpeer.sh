#!/usr/bin/env bash
# .x load speed from disk against a peer engine, each load in a fresh process:
# writes the generated terrain (about 1 M triangles, text and binary) into a
# temporary folder, then runs, interleaved, our load alone (read, parse, build,
# adjacency), our whole game-like path (load, clean-up, simplification,
# compaction) and the peer's bare load (Irrlicht from libirrlicht-dev: a null
# device and getMesh, no clean-up). Prints medians in ms and MB/s and the ratios.
# Without the peer's package the peer columns are skipped.
# Usage: bench/xpeer.sh [BUILD_DIR] [RUNS] [TRIANGLES]
set -euo pipefail
build=${1:-build}
runs=${2:-5}
triangles=${3:-1000000}
bin="$build/bench"
for tool in bench_xgrid bench_xload; do
  [ -x "$bin/$tool" ] || { echo "build $tool first ($bin/$tool)" >&2; exit 1; }
done

dir=$(mktemp -d "${TMPDIR:-/tmp}/nd-xpeer.XXXXXX")
trap 'rm -rf "$dir"' EXIT

peer=""
if [ -x "$bin/bench_xpeer" ]; then
  peer="$bin/bench_xpeer"
elif [ -f /usr/include/irrlicht/irrlicht.h ] && command -v g++ >/dev/null; then
  g++ -O2 -std=c++17 -isystem /usr/include/irrlicht "$(dirname "$0")/XPeerLoad.cpp" -o "$dir/bench_xpeer" -lIrrlicht &&
    peer="$dir/bench_xpeer"
fi
[ -n "$peer" ] || echo "peer engine not installed (libirrlicht-dev): peer columns skipped"

"$bin/bench_xgrid" "$dir" "$triangles" >/dev/null
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
ms() { "$@" | tail -n 1 | awk '{print $1}'; }
mbs() { awk -v b="$1" -v t="$2" 'BEGIN { if (t > 0) printf "%.1f", b / 1e6 / (t / 1e3); else print "-" }'; }
ratio() { awk -v x="$1" -v y="$2" 'BEGIN { if (x > 0 && y > 0) printf "%.2f", x / y; else print "-" }'; }

for kind in text binary; do
  : >"$dir/$kind.load"; : >"$dir/$kind.whole"; : >"$dir/$kind.peer"
done
for _ in $(seq "$runs"); do
  for kind in text binary; do
    file="$dir/grid_$kind.x"
    ms "$bin/bench_xload" load "$file" >>"$dir/$kind.load"
    [ -z "$peer" ] || ms "$peer" "$file" >>"$dir/$kind.peer"
    ms "$bin/bench_xload" whole "$file" >>"$dir/$kind.whole"
  done
done

echo "medians of $runs fresh processes each, files on disk (warm page cache)"
printf '%-7s %7s | %9s %7s | %9s %7s | %9s %7s | %11s %12s\n' file MB "load ms" "MB/s" "whole ms" "MB/s" \
  "peer ms" "MB/s" "load/peer" "whole/peer"
for kind in text binary; do
  bytes=$(stat -c %s "$dir/grid_$kind.x")
  load=$(median <"$dir/$kind.load")
  whole=$(median <"$dir/$kind.whole")
  p=$( [ -n "$peer" ] && median <"$dir/$kind.peer" || echo 0)
  # load/peer: how many times faster our load is; whole/peer: our whole path's time over the peer's load.
  printf '%-7s %7.1f | %9.1f %7s | %9.1f %7s | %9s %7s | %10sx %11sx\n' "$kind" \
    "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')" "$load" "$(mbs "$bytes" "$load")" \
    "$whole" "$(mbs "$bytes" "$whole")" "$( [ -n "$peer" ] && printf '%.1f' "$p" || echo -)" \
    "$(mbs "$bytes" "$p")" "$(ratio "$p" "$load")" "$(ratio "$whole" "$p")"
done
