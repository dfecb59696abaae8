#!/usr/bin/env bash
# The manual pages: each renders without a warning, and they keep up with the
# programs (every option a program's usage lists, every environment variable the
# program reads).
# Usage: man.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
src=$1
build=$2
pages=("$src"/packaging/man/nightdrive.6 "$src"/packaging/man/nightdrive-headless.6 "$src"/packaging/man/nightdrive-xinfo.1)
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

# The page as a reader sees it, in plain ASCII (options keep their "--").
render() { groff -man -Tascii -P-cbou "$1" 2>/dev/null; }

version=$(sed -n 's/^project(nightdrive VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt")
for page in "${pages[@]}"; do
  name=$(basename "$page")
  grep -q "^\.TH .* \"nightdrive $version\"" "$page" || fail "$name: its title line does not name nightdrive $version"
  warnings=$(groff -man -ww -z "$page" 2>&1) || fail "$name: groff failed"
  [ -z "$warnings" ] || fail "$name: groff warns: $warnings"
  if command -v mandoc >/dev/null; then
    lint=$(mandoc -T lint -W warning "$page" 2>&1) || fail "$name: mandoc: $lint"
  fi
  render "$page" | grep -q "^NAME" || fail "$name: renders without a NAME section"
done

# Every option the usage lists, in the page of that program. The usage goes to
# stderr for an unknown option and to stdout for --help, so both are read.
check_options() {  # PROGRAM PAGE
  local program=$1 page=$2 usage text opt
  usage=$("$program" --help 2>&1) || true
  text=$(render "$page")
  local opts
  opts=$(grep -oE -- '--[a-z][a-z-]*' <<<"$usage" | sort -u)
  [ -n "$opts" ] || fail "$(basename "$program") --help lists no options"
  for opt in $opts; do
    grep -qF -- "$opt" <<<"$text" || fail "$(basename "$page"): $opt of $(basename "$program") --help is not documented"
  done
}
check_options "$build/nightdrive-headless" "$src/packaging/man/nightdrive-headless.6"
# nightdrive-xinfo lists options once it has any.
if "$build/nightdrive-xinfo" --help >/dev/null 2>&1; then
  check_options "$build/nightdrive-xinfo" "$src/packaging/man/nightdrive-xinfo.1"
fi

# Every environment variable the program reads, in nightdrive(6).
game_text=$(render "$src/packaging/man/nightdrive.6")
vars=$(cd "$src" && grep -rhoE 'getenv\("[A-Z_]+"\)' game menu scene mesh motion platform | grep -oE '[A-Z_]{2,}' | sort -u)
[ -n "$vars" ] || fail "no getenv calls found in the program's sources"
for var in $vars; do
  grep -qw -- "$var" <<<"$game_text" || fail "nightdrive.6: the environment variable $var is not documented"
done

# The input script shown in nightdrive-headless(6) is one the runner accepts.
example=$(sed -n '/^# drive.txt$/,/^\.EE$/p' "$src/packaging/man/nightdrive-headless.6" | sed '$d')
[ -n "$example" ] || fail "nightdrive-headless.6 shows no input script"
tmp=$(mktemp -d /tmp/nightdrive-man.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
printf '%s\n' "$example" >"$tmp/drive.txt"
# --frames only bounds a run whose click went astray.
if ! "$build/nightdrive-headless" --size 640x480 --frames 1000 --input "$tmp/drive.txt" --trace "$tmp/trace.jsonl" 2>"$tmp/err"; then
  fail "the example input script does not run: $(cat "$tmp/err")"
fi
last=$(sed -n 's/^{"frame":\([0-9]*\),.*/\1/p' "$tmp/trace.jsonl" | tail -n1)
# The click in frame 240 ends the run there, before that frame's trace line.
[ "${last:-0}" -ge 200 ] && [ "$last" -le 240 ] || fail "the example input script should end at its click in frame 240, ended at ${last:-?}"

[ $status -eq 0 ] && echo "man: ok"
exit $status
