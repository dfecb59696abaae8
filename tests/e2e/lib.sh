# Helpers for the end-to-end tests: a private Xvfb with a window manager, waiting
# for windows and pixels with time-outs, clicks and keys through xdotool, and
# screenshots through ImageMagick.
set -euo pipefail

E2E_TMP=$(mktemp -d /tmp/nightdrive-e2e.XXXXXX)
E2E_PIDS=()

cleanup() {
  if [ -n "${E2E_KEEP:-}" ]; then mkdir -p "$E2E_KEEP"; cp "$E2E_TMP"/*.png "$E2E_TMP"/std* "$E2E_KEEP"/ 2>/dev/null || true; fi
  local pid
  for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$E2E_TMP"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "-- $*"; }

# wait_until SECONDS COMMAND...: polls until COMMAND succeeds.
wait_until() {
  local limit=$1; shift
  local deadline=$((SECONDS + limit))
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}

start_display() {
  local fdfile="$E2E_TMP/display"
  Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN:-1024x768x24}" -nolisten tcp 3>"$fdfile" >"$E2E_TMP/xvfb.log" 2>&1 &
  E2E_PIDS+=($!)
  wait_until 20 test -s "$fdfile" || fail "Xvfb did not start"
  export DISPLAY=":$(head -n1 "$fdfile")"
  unset WAYLAND_DISPLAY
  openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
  E2E_PIDS+=($!)
  wait_until 20 xprop -root _NET_SUPPORTING_WM_CHECK || fail "window manager did not start"
  xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window || sleep 0.5
}

# start_program BINARY: runs it in the background; its status lands in $E2E_TMP/status.
start_program() {
  ( set +e; "$1" >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr"; echo $? >"$E2E_TMP/status" ) &
  E2E_PIDS+=($!)
}

program_ended() { test -s "$E2E_TMP/status"; }
program_status() { cat "$E2E_TMP/status"; }

window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
# A window found by its title as the window manager shows it (also where only
# _NET_WM_NAME is set, as on SDL's message boxes).
titled_window() { xwininfo -root -tree | sed -n "s/^ *\(0x[0-9a-f]*\) \"$1\":.*/\1/p" | head -n1; }
titled_window_shown() { [ -n "$(titled_window "$1")" ]; }
window_shown() { [ -n "$(window_id "$1")" ]; }

# shot WINDOW FILE: the window's contents as PNG.
shot() { import -window "$1" "$2"; }

# pixel FILE X Y: "#RRGGBB".
pixel() { convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | tail -n1 | grep -o '#[0-9A-Fa-f]\{6\}' | head -n1; }

# near COLOUR EXPECTED TOLERANCE: each channel within the tolerance.
near() {
  local a=$1 b=$2 t=$3 i
  for i in 1 3 5; do
    local x=$((16#${a:$i:2})) y=$((16#${b:$i:2}))
    [ $((x > y ? x - y : y - x)) -le "$t" ] || return 1
  done
}

# changed_fraction A B: the share (0..1000) of pixels that differ by more than 8 %.
changed_permille() {
  local total diff
  total=$(identify -format '%[fx:w*h]' "$1")
  diff=$(compare -metric AE -fuzz 8% "$1" "$2" null: 2>&1 | cut -d' ' -f1 || true)
  diff=${diff%%.*}
  echo $((diff * 1000 / total))
}

# count_colour FILE COLOUR: pixels of exactly that colour.
count_colour() {
  convert "$1" -fill black +opaque "$2" -fill white -opaque "$2" -format '%[fx:round(mean*w*h)]' info:
}

click() { xdotool mousemove --window "$1" "$2" "$3" click 1; }
