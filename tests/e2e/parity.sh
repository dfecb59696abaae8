#!/usr/bin/env bash
# The headless runner and the real game draw the same picture: the runner's shot
# and a screenshot of the game under X, at the same size and settings, differ only
# where things move (the two cars, the animated figure).
# Usage: parity.sh PATH/TO/nightdrive   (nightdrive-headless and data/ beside it)
source "$(dirname "$0")/lib.sh"
game_binary=$1
runner="$(dirname "$game_binary")/nightdrive-headless"
[ -x "$runner" ] || fail "no runner beside the game: $runner"
start_display

compare_case() {  # compare_case NAME SKY [MENU_X MENU_Y] -- runner arguments follow after --
  local name=$1 sky=$2; shift 2
  local clicks=()
  while [ "$1" != -- ]; do clicks+=("$1"); shift; done
  shift
  note "$name"
  rm -f "$E2E_TMP/status"
  start_program "$game_binary"
  local menu
  menu=$(ready_window "Pls Vote For Me") || fail "$name: the menu did not appear"
  wait_until 30 menu_drawn "$menu" "$E2E_TMP/$name-menu.png" || fail "$name: the menu was not drawn"
  local i
  for ((i = 0; i < ${#clicks[@]}; i += 2)); do click "$menu" "${clicks[i]}" "${clicks[i + 1]}"; done
  press_button "$menu" 408 20
  # The pointer waits where the game puts it, so it turns the view as in the runner.
  xdotool mousemove 500 350
  local game
  game=$(ready_window Form1 60) || fail "$name: the game window did not appear"
  # The world is up once the game fills the screen with the sky at the top.
  sky_shows() {
    shot "$game" "$E2E_TMP/$name-game.png" &&
      [ "$(identify -format '%wx%h' "$E2E_TMP/$name-game.png")" = 1024x768 ] &&
      [ "$(pixel "$E2E_TMP/$name-game.png" 512 2)" = "$sky" ]
  }
  wait_until 60 sky_shows || fail "$name: no full-screen sky $sky: $(pixel "$E2E_TMP/$name-game.png" 512 2)"
  # One more shot once the first frames are on the screen.
  shot "$game" "$E2E_TMP/$name-game.png"
  xdotool click 1
  wait_until 20 program_ended || fail "$name: the click did not end the game"

  # The pointer turns the view one step at each move the game sees and tilts it one
  # step at each move up or down, and X reports a few while the window maps and goes
  # full screen. The runner sees one move (the pointer put at the centre); it is given
  # the turns and tilts that bring its picture closest to the game's, found by
  # stepping from there while a neighbouring pair of counts matches better.
  declare -A tried=()
  local turns=0 tilts=0 best
  best=$(runner_differs "$name" 0 0 "$@")
  tried[0,0]=$best
  local moved=yes
  while [ "$moved" = yes ] && [ "$best" -gt 30 ]; do
    moved=no
    local next t u changed
    for next in "1 0" "-1 0" "0 1" "0 -1"; do
      read -r t u <<<"$next"
      t=$((turns + t)) u=$((tilts + u))
      [ -n "${tried[$t,$u]:-}" ] && continue
      changed=$(runner_differs "$name" "$t" "$u" "$@")
      tried[$t,$u]=$changed
      if [ "$changed" -lt "$best" ]; then best=$changed best_t=$t best_u=$u moved=yes; fi
    done
    [ "$moved" = yes ] && turns=$best_t tilts=$best_u
  done
  note "$name: $best per mille of the pixels differ ($turns more turns, $tilts more tilts)"
  # The cars and the figure cover well under 3 % of the picture.
  [ "$best" -le 30 ] || fail "$name: the runner's picture and the game's differ in $best per mille of the pixels"
}

# runner_differs NAME TURNS TILTS ARGS...: the per mille of pixels in which the
# runner's picture, after that many more turns and tilts, differs from the game's.
runner_differs() {
  local name=$1 turns=$2 tilts=$3; shift 3
  local x=500 y=350 i step
  : >"$E2E_TMP/input.txt"
  step=$((turns < 0 ? -10 : 10))
  for ((i = 0; i < ${turns#-}; i++)); do x=$((x + step)); echo "1 mousemove $x $y" >>"$E2E_TMP/input.txt"; done
  step=$((tilts < 0 ? -10 : 10))
  for ((i = 0; i < ${tilts#-}; i++)); do y=$((y + step)); echo "1 mousemove $x $y" >>"$E2E_TMP/input.txt"; done
  "$runner" --frames 3 "$@" --input "$E2E_TMP/input.txt" --shot "3:$E2E_TMP/$name-runner.png" >/dev/null \
    2>"$E2E_TMP/$name-runner.err" || fail "$name: the runner failed: $(cat "$E2E_TMP/$name-runner.err")"
  local size
  size=$(identify -format '%wx%h' "$E2E_TMP/$name-runner.png")
  [ "$size" = "$(identify -format '%wx%h' "$E2E_TMP/$name-game.png")" ] ||
    fail "$name: the runner made $size, the game shows $(identify -format '%wx%h' "$E2E_TMP/$name-game.png")"
  changed_permille "$E2E_TMP/$name-runner.png" "$E2E_TMP/$name-game.png"
}

compare_case day "#015ADF" -- --size 1024x768
compare_case night "#00000A" 126 72 -- --size 1024x768 --night
note "parity: ok"
