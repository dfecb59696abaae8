#!/usr/bin/env bash
# Frame rates of the headless runner on this machine's renderer, beside three
# baselines measured in the same run: (a) clear and present only, (b) the same
# world as one merged draw call with the same shader and state, (c) that draw with
# the cheapest shader (no light, fog or texture). Prints a table of medians over
# several runs and the ratios the targets are stated in, then the start-up time
# per detail level and how it splits.
# Usage: bench/fps.sh [BUILD_DIR] [RUNS] [FRAMES]
set -euo pipefail
. "$(dirname "$0")/common.sh"
bench_args 300 "$@"

measure() {  # measure FIELD ARGS... -> median of FIELD over the runs
  local f=$1; shift
  for _ in $(seq "$runs"); do "$runner" --bench --frames "$frames" "$@" | field "$f"; done | median
}

all_on=(--night --wireframe --collision)
printf '%-10s %-7s %-9s %8s %8s %8s %8s %9s %9s %9s\n' size detail switches fps "base(a)" "base(b)" "base(c)" \
  "fps/(a)" "fps/(b)" "fps/(c)"
ratio() { awk -v x="$1" -v y="$2" 'BEGIN { print x / y }'; }
for size in 640x480 800x600 1024x768; do
  for detail in low medium high; do
    for set in defaults all-on; do
      args=(--size "$size" --detail "$detail")
      [ "$set" = all-on ] && args+=("${all_on[@]}")
      fps=$(measure fps "${args[@]}")
      a=$(measure fps "${args[@]}" --baseline clear)
      b=$(measure fps "${args[@]}" --baseline merged)
      c=$(measure fps "${args[@]}" --baseline flat)
      printf '%-10s %-7s %-9s %8.1f %8.1f %8.1f %8.1f %9.2f %9.2f %9.2f\n' "$size" "$detail" "$set" "$fps" "$a" "$b" "$c" \
        "$(ratio "$fps" "$a")" "$(ratio "$fps" "$b")" "$(ratio "$fps" "$c")"
    done
  done
done

echo
echo "Start-up (median load_ms over $runs runs) and its split in the last run:"
for detail in low medium high; do
  for _ in $(seq "$runs"); do
    out=$("$runner" --bench --frames 30 --detail "$detail")
    echo "$out" | field load_ms >>"/tmp/nd-load-$$-$detail"
  done
  printf '%-7s load_ms %7.1f  peak_rss_kb %s  split %s\n' "$detail" "$(median <"/tmp/nd-load-$$-$detail")" \
    "$(echo "$out" | field peak_rss_kb)" "$(echo "$out" | sed -n 's/.*"load_split_ms":\({[^}]*}\).*/\1/p')"
  rm -f "/tmp/nd-load-$$-$detail"
done
