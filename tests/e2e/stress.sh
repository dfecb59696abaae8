#!/usr/bin/env bash
# The whole end-to-end suite, RUNS times in a row (20 unless given), with every
# core kept busy by a spinning process, as on a loaded CI machine. Not part of
# CI: a check that the end-to-end tests do not depend on timing.
# Usage: tests/e2e/stress.sh [RUNS] [BUILD_DIR]   (BUILD_DIR: build-test unless given)
set -euo pipefail
runs=${1:-20}
build=$(cd "${2:-$(dirname "$0")/../../build-test}" && pwd)
[ -x "$build/nightdrive" ] || { echo "stress: no nightdrive in $build (build it first)" >&2; exit 2; }

load=()
stop_load() {
  local pid
  for pid in "${load[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait "${load[@]}" 2>/dev/null || true
  load=()
}
trap stop_load EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
for _ in $(seq "$(nproc)"); do
  sh -c 'while :; do :; done' &
  load+=($!)
done

# Programs of this build left behind by a test (no longer the child of a test's
# wrapper shell): an end-to-end test must leave none.
leftovers() {
  local pid parent n=0
  for pid in $(pgrep -x nightdrive || true); do
    [ "/proc/$pid/exe" -ef "$build/nightdrive" ] || continue
    parent=$(ps -o ppid= -p "$pid" | tr -d ' ')
    [ "$(ps -o comm= -p "$parent" 2>/dev/null)" = bash ] || n=$((n + 1))
  done
  echo "$n"
}

passed=0 failed=0 began=$SECONDS
declare -A failures=()
for run in $(seq "$runs"); do
  start=$SECONDS
  if out=$(cd "$build" && ctest -L e2e --output-on-failure 2>&1); then
    passed=$((passed + 1)); verdict=passed
  else
    failed=$((failed + 1)); verdict=FAILED
    for name in $(echo "$out" | sed -n 's/^ *[0-9]* - \(e2e_[a-z0-9_x]*\) (.*/\1/p'); do
      failures[$name]=$((${failures[$name]:-0} + 1))
    done
    echo "$out" | grep -E '^(FAIL|--)|Failed|Timeout' >&2 || true
  fi
  left=$(leftovers)
  echo "stress: run $run/$runs $verdict in $((SECONDS - start)) s; programs left running: $left"
  if [ "$left" != 0 ] && [ "$verdict" = passed ]; then passed=$((passed - 1)); failed=$((failed + 1)); fi
done
stop_load
echo "stress: $passed of $runs runs passed, $failed failed, in $((SECONDS - began)) s under a load of $(nproc) spinning processes"
for name in "${!failures[@]}"; do echo "stress: $name failed ${failures[$name]} times"; done
[ "$failed" = 0 ]
