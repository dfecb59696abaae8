# Helpers for the end-to-end tests: a private Xvfb with a window manager, waiting
# for windows and pixels with time-outs, clicks and keys through xdotool, and
# screenshots through ImageMagick.
#
# Every step waits for what it acts on: a window is only clicked or typed into
# once it is mapped, framed and placed by the window manager, still (the same
# geometry at three looks in a row) and focused. Nothing waits a fixed time.
# On exit, however the script ends, the programs it started are ended (TERM,
# then KILL), and then the window manager and the X server.
set -euo pipefail

E2E_TMP=$(mktemp -d /tmp/nightdrive-e2e.XXXXXX)
E2E_PIDS=()          # background helpers: wrappers, the window manager, Xvfb
E2E_PROGRAM_PIDS=()  # the programs themselves (started through start_program)
E2E_PROGRAM_BINS=()  # and their binaries, so that a reused PID is never killed
E2E_XVFB_PID=        # the X server, ended last

# The tests set up their own environment: nothing a person exported may choose
# another video driver or GL library, change how windows, full screen, the mouse
# or the keyboard behave, or point at another display server.
isolate_environment() {
  local name
  for name in $(compgen -e); do
    case $name in
      SDL_* | MESA_* | GALLIUM_* | LIBGL_* | __GL* | __GLX* | __EGL* | EGL_* | LP_* | vblank_mode | \
        WAYLAND_* | XAUTHORITY | XMODIFIERS | XDG_SESSION_TYPE | NIGHTDRIVE_* | DISPLAY)
        unset "$name" ;;
    esac
  done
  export SDL_VIDEODRIVER=x11
}
isolate_environment

# alive PID: the process exists and is not a zombie.
alive() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  stat=${stat##*) }
  [ "${stat%% *}" != Z ]
}

# stop_processes PID...: TERM, up to 5 s for them to end, then KILL.
stop_processes() {
  local pid left deadline=$((SECONDS + 5))
  for pid in "$@"; do kill -TERM "$pid" 2>/dev/null || true; done
  while :; do
    left=()
    for pid in "$@"; do alive "$pid" && left+=("$pid"); done
    [ ${#left[@]} -gt 0 ] || return 0
    [ "$SECONDS" -lt "$deadline" ] || break
    sleep 0.1
  done
  for pid in "${left[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
}

cleanup() {
  if [ -n "${E2E_KEEP:-}" ]; then mkdir -p "$E2E_KEEP"; cp "$E2E_TMP"/*.png "$E2E_TMP"/std* "$E2E_KEEP"/ 2>/dev/null || true; fi
  local i running=()
  for i in "${!E2E_PROGRAM_PIDS[@]}"; do
    # Still the program started (not a PID the system has handed on since)?
    if alive "${E2E_PROGRAM_PIDS[$i]}" && [ "/proc/${E2E_PROGRAM_PIDS[$i]}/exe" -ef "${E2E_PROGRAM_BINS[$i]}" ]; then
      running+=("${E2E_PROGRAM_PIDS[$i]}")
    fi
  done
  [ ${#running[@]} -eq 0 ] || stop_processes "${running[@]}"
  [ ${#E2E_PIDS[@]} -eq 0 ] || stop_processes "${E2E_PIDS[@]}"
  [ -z "$E2E_XVFB_PID" ] || stop_processes "$E2E_XVFB_PID"
  wait 2>/dev/null || true
  rm -rf "$E2E_TMP"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# fail MESSAGE: says what went wrong and, when a program was started, whether it
# still runs and the end of what it wrote on stderr.
fail() {
  echo "FAIL: $*" >&2
  if [ ${#E2E_PROGRAM_PIDS[@]} -gt 0 ]; then
    if program_ended; then echo "  the program ended with status $(program_status)" >&2; else echo "  the program still runs" >&2; fi
    tail -n5 "$E2E_TMP/stderr" 2>/dev/null | sed 's/^/  stderr: /' >&2 || true
  fi
  exit 1
}
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

# The window manager is up once it names its check window on the root window.
window_manager_up() {
  local check
  check=$(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | sed -n 's/.*window id # \(0x[0-9a-f]*\).*/\1/p')
  [ -n "$check" ] && xprop -id "$check" _NET_SUPPORTING_WM_CHECK | grep -q "$check"
}

# start_display: Xvfb (screen E2E_SCREEN, 1024x768x24 unless set) and openbox
# with its own default settings (not the user's). Each waits until it answers;
# a window manager that gave up before it was up is started again.
start_display() {
  local fdfile="$E2E_TMP/display" tries wm
  Xvfb -displayfd 3 -screen 0 "${E2E_SCREEN:-1024x768x24}" -nolisten tcp 3>"$fdfile" >"$E2E_TMP/xvfb.log" 2>&1 &
  E2E_XVFB_PID=$!
  wait_until 20 test -s "$fdfile" || fail "Xvfb did not start: $(tail -n5 "$E2E_TMP/xvfb.log")"
  export DISPLAY=":$(head -n1 "$fdfile")"
  wait_until 20 xdpyinfo || fail "Xvfb on $DISPLAY does not answer: $(tail -n5 "$E2E_TMP/xvfb.log")"
  mkdir -p "$E2E_TMP/config"
  for tries in 1 2 3; do
    XDG_CONFIG_HOME="$E2E_TMP/config" XDG_CONFIG_DIRS=/etc/xdg openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
    wm=$!
    E2E_PIDS+=("$wm")
    wm_up_or_gone() { window_manager_up || ! alive "$wm"; }
    wait_until 20 wm_up_or_gone && window_manager_up && return 0
    note "window manager try $tries: $(tail -n5 "$E2E_TMP/openbox.log")"
  done
  fail "window manager did not start"
}

# start_program BINARY: runs it in the background; its status lands in
# $E2E_TMP/status, its PID in E2E_PROGRAM_PIDS (see program_pid). The program
# runs in the foreground of its wrapper, so SIGINT reaches it as from a terminal.
start_program() {
  rm -f "$E2E_TMP/pid"
  ( set +e
    sh -c 'echo $$ >"$1.new" && mv "$1.new" "$1" && exec "$2"' sh "$E2E_TMP/pid" "$1" \
      >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr"
    echo $? >"$E2E_TMP/status" ) &
  E2E_PIDS+=($!)
  wait_until 20 test -s "$E2E_TMP/pid" || fail "the program did not start"
  E2E_PROGRAM_PIDS+=("$(cat "$E2E_TMP/pid")")
  E2E_PROGRAM_BINS+=("$1")
}

# program_pid: the PID of the program last started.
program_pid() { echo "${E2E_PROGRAM_PIDS[-1]}"; }
program_ended() { test -s "$E2E_TMP/status"; }
program_status() { cat "$E2E_TMP/status"; }

window_id() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1; }
# A window found by its title as the window manager shows it (also where only
# _NET_WM_NAME is set, as on SDL's message boxes).
titled_window() { xwininfo -root -tree | sed -n "s/^ *\(0x[0-9a-f]*\) \"$1\":.*/\1/p" | head -n1; }
titled_window_shown() { [ -n "$(titled_window "$1")" ]; }
window_shown() { [ -n "$(window_id "$1")" ]; }

# window_state WINDOW: its map state, place and size, on one line.
window_state() {
  xwininfo -id "$1" 2>/dev/null |
    sed -n 's/^ *\(Absolute upper-left [XY]\|Width\|Height\|Map State\): *\(.*\)/\2/p' | tr '\n' ' '
}

# window_placed WINDOW: viewable, framed by the window manager (which sets
# _NET_FRAME_EXTENTS once it manages a window), and the same map state, place and
# size at three looks in a row.
window_placed() {
  local now seen="$E2E_TMP/placed.$1" looks
  now=$(window_state "$1")
  case $now in *IsViewable*) ;; *) rm -f "$seen"; return 1 ;; esac
  xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q ' = ' || return 1
  if [ -f "$seen" ] && [ "$(head -n1 "$seen")" = "$now" ]; then
    looks=$(($(tail -n1 "$seen") + 1))
  else
    looks=1
  fi
  printf '%s\n%s\n' "$now" "$looks" >"$seen"
  [ "$looks" -ge 3 ]
}

window_focused() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$(($1))" ]; }
# focused_or_asked WINDOW: focused; if not, asks the window manager to focus it.
focused_or_asked() {
  window_focused "$1" && return 0
  xdotool windowactivate "$1" >/dev/null 2>&1 || true
  return 1
}

# settle WINDOW [SECONDS]: waits until the window is placed and focused; says
# what it saw when it was not.
settle() {
  local limit=${2:-30}
  rm -f "$E2E_TMP/placed.$1"
  wait_until "$limit" window_placed "$1" || { note "window $1 not placed: $(window_state "$1")"; return 1; }
  wait_until "$limit" focused_or_asked "$1" ||
    { note "window $1 not focused (active: $(xdotool getactivewindow 2>/dev/null || echo none))"; return 1; }
}

# ready_window TITLE [SECONDS]: waits (60 s unless given) until a window of that title is shown,
# placed and focused, and prints its id.
ready_window() {
  local limit=${2:-60} id
  wait_until "$limit" window_shown "$1" || return 1
  id=$(window_id "$1")
  settle "$id" "$limit" >&2 || return 1
  echo "$id"
}

# shot WINDOW FILE: the window's contents as PNG.
shot() { import -window "$1" "$2"; }

# menu_drawn WINDOW FILE: a shot of the menu (into FILE) shows the mark of its
# selected resolution label, so the menu has been drawn.
menu_drawn() { shot "$1" "$2" && [ "$(pixel "$2" 11 56)" = "#FF0000" ]; }

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

# changed_permille A B: the share (0..1000) of pixels that differ by more than 8 %.
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

# picture_span FILE row|column: the first and last pixel that is not pure black
# along the middle row (x) or the middle column (y); nothing when all are black.
picture_span() {
  local w h crop
  read -r w h < <(identify -format '%w %h\n' "$1")
  if [ "$2" = row ]; then crop="${w}x1+0+$((h / 2))"; else crop="1x${h}+$((w / 2))+0"; fi
  convert "$1" -crop "$crop" +repage -depth 8 txt:- |
    awk -v axis="$2" '/^#/ { next } {
      split($1, at, /[,:]/); i = (axis == "row") ? at[1] : at[2]
      if (match($0, /#[0-9A-Fa-f]+/) && substr($0, RSTART, RLENGTH) != "#000000") {
        if (first == "") first = i; last = i
      }
    } END { if (first != "") print first, last }'
}

# click WINDOW X Y: once the window is placed and focused, the pointer moves there
# (and is there) before the button is pressed and released.
click() {
  settle "$1" || fail "window $1 could not be clicked"
  xdotool mousemove --window "$1" --sync "$2" "$3" click 1
}

# press_button WINDOW X Y: as click, but the press and the release are two
# separate steps, as a person's slower click is.
press_button() {
  settle "$1" || fail "window $1 could not be clicked"
  xdotool mousemove --window "$1" --sync "$2" "$3" mousedown 1
  xdotool mouseup 1
}

# keys WINDOW XDOTOOL-KEY-ARGS...: keys to the window once it is placed and focused.
keys() {
  settle "$1" || fail "window $1 could not take keys"
  local w=$1; shift
  xdotool key --window "$w" "$@"
}
