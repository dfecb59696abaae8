#!/usr/bin/env bash
# The frame with 16-bit and 32-bit depth beside the runner's three baselines
# (clear, merged, flat), High detail at night, at 640x480 and 1024x768. The runs of
# one round alternate over every row, so all rows see the same machine load; the
# table gives medians of fps and the 32-bit/16-bit ratio per size.
# Usage: bench/depth.sh [BUILD_DIR] [RUNS] [FRAMES]
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_args 100 "$@"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sizes=(640x480 1024x768)
rows=("frame, 16-bit depth|--depth 16" "frame, 32-bit depth|--depth 32" "(a) clear|--baseline clear"
      "(b) merged|--baseline merged" "(c) flat|--baseline flat")
for run in $(seq "$runs"); do
  for size in "${sizes[@]}"; do
    for i in "${!rows[@]}"; do
      read -r -a extra <<<"${rows[$i]#*|}"
      "$runner" --bench --frames "$frames" --size "$size" --detail high --night "${extra[@]}" | field fps \
        >>"$work/$size-$i"
    done
  done
  echo "run $run of $runs done" >&2
done

printf '%-9s %-20s %8s\n' size what fps
for size in "${sizes[@]}"; do
  for i in "${!rows[@]}"; do
    printf '%-9s %-20s %8.1f\n' "$size" "${rows[$i]%%|*}" "$(median <"$work/$size-$i")"
  done
  printf '%-9s %-20s %8.2f\n' "$size" "32-bit / 16-bit" \
    "$(awk -v a="$(median <"$work/$size-1")" -v b="$(median <"$work/$size-0")" 'BEGIN { print a / b }')"
done
