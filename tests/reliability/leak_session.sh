#!/usr/bin/env bash
# A whole session under LeakSanitizer: start, a few hundred frames of driving
# around, end by the click. Any leak outside the suppressed third-party libraries
# fails. usage: leak_session.sh NIGHTDRIVE_HEADLESS LSAN_SUPPRESSIONS
set -euo pipefail
runner=$1
supp=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/input.txt" <<'SCRIPT'
5 keydown Up
120 keyup Up
120 keydown Left
150 keyup Left
160 press PageUp
170 press Z
180 press C
190 press Q
200 mousemove 400 300
220 keydown Down
260 keyup Down
SCRIPT
export ND_LEAK_CHECK=1
export ASAN_OPTIONS="${ASAN_OPTIONS:-halt_on_error=1:abort_on_error=1}:detect_leaks=1"
export LSAN_OPTIONS="suppressions=$supp:print_suppressions=0:exitcode=23"
set +e
"$runner" --frames 300 --size 640x480 --detail high --night --collision --input "$work/input.txt" \
  >"$work/out.txt" 2>"$work/err.txt"
status=$?
set -e
cat "$work/err.txt" >&2
if [ $status -ne 0 ]; then echo "leak session: exit status $status" >&2; exit 1; fi
if grep -q "Sanitizer" "$work/err.txt"; then echo "leak session: sanitizer report" >&2; exit 1; fi
echo "leak session: 300 frames, no leak reports"
