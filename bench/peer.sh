#!/usr/bin/env bash
# nightdrive's frame rate beside a general-purpose engine drawing the very same
# world (the .x files and pictures of data/, in the frame's order, one draw per
# object; night lights, fog 400..700, point sampling, the start view): at 640x480,
# 800x600 and 1024x768, and with "Fill Screen" at 1920x1080 and 2560x1440, Low and
# High detail. The peer draws twice: at its driver level, every object with no
# culling, and through its own scene manager with its default culling (each
# object's bounding box against the view). The runs alternate, so all see the same
# machine load; the table gives medians and marks the ratios below the goal of 2.
# Needs the peer program (built where the engine's development package,
# libirrlicht-dev, is installed) and, for the peer's window, X (Xvfb is started
# when no display is set). Without the peer it says so and exits 0.
# Usage: bench/peer.sh [BUILD_DIR] [RUNS] [FRAMES]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
. "$(dirname "$0")/common.sh"
bench_args 200 "$@"
peer="$build/nightdrive-peer-fps"
if [ ! -x "$peer" ]; then
  echo "peer comparison skipped: $peer is not built (install libirrlicht-dev and build again)"
  exit 0
fi

xvfb=
if [ -z "${DISPLAY:-}" ]; then
  command -v Xvfb >/dev/null || { echo "peer comparison skipped: no display and no Xvfb"; exit 0; }
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 2560x1440x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"
fi
work=$(mktemp -d)
cleanup() { [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT

sizes=(640x480 800x600 1024x768 1920x1080 2560x1440)
# The wide sizes are the filled screen's; the menu's three keep their 4:3 picture.
fill_for() { case $1 in 640x480 | 800x600 | 1024x768) ;; *) echo --fill ;; esac; }
details=(low high)
for run in $(seq "$runs"); do
  for detail in "${details[@]}"; do
    for size in "${sizes[@]}"; do
      "$runner" --bench --frames "$frames" --size "$size" $(fill_for "$size") --detail "$detail" --night | field fps \
        >>"$work/ours-$detail-$size"
      "$peer" "$here/data" "${size%x*}" "${size#*x}" "$detail" "$frames" driver 2>/dev/null | field fps \
        >>"$work/peer-$detail-$size"
      "$peer" "$here/data" "${size%x*}" "${size#*x}" "$detail" "$frames" scene 2>/dev/null | field fps \
        >>"$work/scene-$detail-$size"
    done
  done
  echo "run $run of $runs done" >&2
done

ratio() {
  awk -v x="$1" -v y="$2" 'BEGIN { r = (y > 0 ? x / y : 0); printf "%.2f%s", r, (r < 2 ? " (below 2)" : "") }'
}
echo "| detail | size | nightdrive fps | peer driver fps | ratio | peer scene-manager fps | ratio |"
echo "|---|---|---|---|---|---|---|"
for detail in "${details[@]}"; do
  for size in "${sizes[@]}"; do
    ours=$(median <"$work/ours-$detail-$size")
    driver=$(median <"$work/peer-$detail-$size")
    scene=$(median <"$work/scene-$detail-$size")
    printf '| %s | %s | %.1f | %.1f | %s | %.1f | %s |\n' "${detail^}" "${size/x/ × }" "$ours" "$driver" \
      "$(ratio "$ours" "$driver")" "$scene" "$(ratio "$ours" "$scene")"
  done
done
