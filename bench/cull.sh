#!/usr/bin/env bash
# What cluster culling leaves out on a few views, and what it buys: for each view
# (the start view, turned a quarter to the left, the aerial preset, at the yard's
# wall in car mode, wireframe) the clusters, triangles and vertices drawn in the
# view's last frame against the whole world, the GL draw calls, and the frame rate
# with culling on and off; then the frame rate beside the flat baseline (one draw,
# the cheapest program, culled). High detail, night. Runs with culling on and off
# alternate, so both see the same machine load; rates are medians.
# Usage: bench/cull.sh [BUILD_DIR] [RUNS] [FRAMES] [SIZE]
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_args 120 "$@"
size=${5:-640x480}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The views, each as an input script that reaches it within the first frames and
# then holds it.
: >"$work/start"
{ echo "1 keydown Up"; echo "2 keyup Up"; echo "3 keydown Left"; echo "42 keyup Left"; } >"$work/turned"
for _ in $(seq 95); do echo "2 press Z"; done >"$work/aerial"
echo "1 keydown Up" >"$work/wall"
: >"$work/wireframe"
views=(start turned aerial wall wireframe)
extra() {
  case $1 in
    wall) echo --collision ;;
    wireframe) echo --wireframe ;;
  esac
}
hold() { [ "$1" = wall ] && echo 400 || echo 60; }

# The counts of one frame: a run of that many frames, and one of one frame fewer.
counts() {  # VIEW -> clusters of_clusters triangles of_triangles vertices of_vertices draws
  local view=$1 n a b
  n=$(hold "$view")
  # shellcheck disable=SC2046
  a=$("$runner" --bench --frames "$n" --size "$size" --detail high --night $(extra "$view") --input "$work/$view")
  # shellcheck disable=SC2046
  b=$("$runner" --bench --frames "$((n - 1))" --size "$size" --detail high --night $(extra "$view") --input "$work/$view")
  for key in clusters of_clusters triangles of_triangles vertices of_vertices draws; do
    awk -v x="$(field "$key" <<<"$a")" -v y="$(field "$key" <<<"$b")" -v n="$n" \
      'BEGIN { printf "%.0f ", x * n - y * (n - 1) }'
  done
  echo
}

printf '%-10s %18s %20s %20s %6s %9s %9s %6s\n' view clusters triangles vertices draws "fps on" "fps off" ratio
for view in "${views[@]}"; do
  read -r c oc t ot v ov d < <(counts "$view")
  for _ in $(seq "$runs"); do
    for mode in on off; do
      flag=()
      [ "$mode" = off ] && flag=(--no-cull)
      # shellcheck disable=SC2046
      "$runner" --bench --frames "$(($(hold "$view") + frames))" --size "$size" --detail high --night \
        $(extra "$view") --input "$work/$view" "${flag[@]}" | field fps >>"$work/fps-$view-$mode"
    done
  done
  on=$(median <"$work/fps-$view-on")
  off=$(median <"$work/fps-$view-off")
  printf '%-10s %8s of %6s %9s of %6s %9s of %6s %6s %9.1f %9.1f %6.2f\n' "$view" "$c" "$oc" "$t" "$ot" "$v" "$ov" "$d" \
    "$on" "$off" "$(awk -v x="$on" -v y="$off" 'BEGIN { print (y > 0 ? x / y : 0) }')"
done

# The start view beside the flat baseline (one draw, the cheapest program), culled.
for _ in $(seq "$runs"); do
  "$runner" --bench --frames "$frames" --size "$size" --detail high --night | field fps >>"$work/frame"
  "$runner" --bench --frames "$frames" --size "$size" --detail high --night --baseline flat | field fps >>"$work/flat"
done
frame=$(median <"$work/frame")
flat=$(median <"$work/flat")
printf 'start view %s: frame %.1f fps, flat baseline %.1f fps, ratio %.2f (goal 0.9)\n' "$size" "$frame" "$flat" \
  "$(awk -v x="$frame" -v y="$flat" 'BEGIN { print (y > 0 ? x / y : 0) }')"
