#!/usr/bin/env bash
# .x load speed from disk against a peer engine, each load in a fresh process:
# writes the generated terrain (about 1 M triangles, text and binary) into a
# temporary folder, then runs, interleaved, our load alone (read, parse, build,
# adjacency), our whole game-like path (load, clean-up, simplification,
# compaction) and the peer's bare load (Irrlicht from libirrlicht-dev: a null
# device and getMesh, no clean-up). Prints medians in ms and MB/s and the ratios,
# in wall and in processor time.
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
  g++ -O2 -std=c++17 -isystem /usr/include/irrlicht -I "$(dirname "$0")/.." "$(dirname "$0")/XPeerLoad.cpp" -o "$dir/bench_xpeer" -lIrrlicht &&
    peer="$dir/bench_xpeer"
fi
[ -n "$peer" ] || echo "peer engine not installed (libirrlicht-dev): peer columns skipped"

"$bin/bench_xgrid" "$dir" "$triangles" >/dev/null
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
mbs() { awk -v b="$1" -v t="$2" 'BEGIN { if (t > 0) printf "%.1f", b / 1e6 / (t / 1e3); else print "-" }'; }
ratio() { awk -v x="$1" -v y="$2" 'BEGIN { if (x > 0 && y > 0) printf "%.2f", x / y; else print "-" }'; }
# run NAME PROGRAM ARGS...: appends the wall and processor milliseconds to NAME.wall and NAME.cpu
run() {
  local name=$1 out; shift
  out=$("$@" | tail -n 1)
  echo "$out" | awk '{print $1}' >>"$dir/$name.wall"
  echo "$out" | awk '{print $3}' >>"$dir/$name.cpu"
}

for _ in $(seq "$runs"); do
  for kind in text binary; do
    file="$dir/grid_$kind.x"
    run "$kind.load" "$bin/bench_xload" load "$file"
    [ -z "$peer" ] || run "$kind.peer" "$peer" "$file"
    run "$kind.whole" "$bin/bench_xload" whole "$file"
  done
done

echo "medians of $runs fresh processes each, files on disk (warm page cache); wall ms, MB/s, processor ms"
printf '%-6s %6s | %8s %6s %6s | %8s %6s %6s | %8s %6s %6s | %9s %10s | %9s %10s\n' file MB "load" "MB/s" "cpu" \
  "whole" "MB/s" "cpu" "peer" "MB/s" "cpu" "peer/load" "whole/peer" "cpu p/l" "cpu w/p"
for kind in text binary; do
  bytes=$(stat -c %s "$dir/grid_$kind.x")
  line=$(printf '%-6s %6.1f' "$kind" "$(awk -v b="$bytes" 'BEGIN { print b / 1e6 }')")
  for step in load whole peer; do
    if [ -s "$dir/$kind.$step.wall" ]; then
      w=$(median <"$dir/$kind.$step.wall"); c=$(median <"$dir/$kind.$step.cpu")
      line+=$(printf ' | %8.1f %6s %6.1f' "$w" "$(mbs "$bytes" "$w")" "$c")
      eval "t_$step=$w c_$step=$c"
    else
      line+=$(printf ' | %8s %6s %6s' - - -); eval "t_$step=0 c_$step=0"
    fi
  done
  # peer/load: how many times faster our load is; whole/peer: our whole path's time over the
  # peer's load; in wall time, then in processor time (the steadier on a shared machine).
  line+=$(printf ' | %8sx %9sx' "$(ratio "$t_peer" "$t_load")" "$(ratio "$t_whole" "$t_peer")")
  echo "$line$(printf ' | %8sx %9sx' "$(ratio "$c_peer" "$c_load")" "$(ratio "$c_whole" "$c_peer")")"
done
