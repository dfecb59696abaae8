#!/usr/bin/env bash
# Makes the README's pictures from the real program: the menu under Xvfb, the
# game views through the headless runner. Usage: tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=docs/images
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$tmp"' EXIT
run="$build/nightdrive-headless"

shot() {  # shot NAME FRAME ARGS... [--input-text TEXT]
  local name=$1 frame=$2; shift 2
  local script="$tmp/$name.txt"
  : >"$script"
  if [ "${1:-}" = --script ]; then printf '%b' "$2" >"$script"; shift 2; fi
  "$run" --frames "$frame" --size 800x600 --detail high --input "$script" --shot "$frame:$tmp/$name.png" "$@" >/dev/null
  convert "$tmp/$name.png" -quality 85 "$out/$name.jpg"
}

shot day 40
shot night 300 --night
shot no-fog 40 --no-fog
shot wireframe 40 --wireframe
aerial=""
for _ in $(seq 95); do aerial+="2 press Z\n"; done
shot aerial 20 --script "${aerial}3 press C\n4 press C\n5 press C\n"
shot aerial-night 20 --script "${aerial}3 press C\n4 press C\n5 press C\n" --night

# The menu, in a real window.
Xvfb :91 -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
sleep 1
DISPLAY=:91 "$build/nightdrive" >/dev/null 2>&1 &
for _ in $(seq 100); do
  id=$(DISPLAY=:91 xdotool search --onlyvisible --name '^Pls Vote For Me$' 2>/dev/null | head -n1 || true)
  [ -n "$id" ] && break
  sleep 0.1
done
sleep 0.5
DISPLAY=:91 import -window "$id" "$tmp/menu.png"
convert "$tmp/menu.png" "$out/menu.png"
ls -la "$out"
