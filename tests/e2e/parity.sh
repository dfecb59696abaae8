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
  "$runner" --frames 2 "$@" --shot "2:$E2E_TMP/$name-runner.png" >/dev/null 2>"$E2E_TMP/$name-runner.err" ||
    fail "$name: the runner failed: $(cat "$E2E_TMP/$name-runner.err")"

  rm -f "$E2E_TMP/status"
  start_program "$game_binary"
  wait_until 30 window_shown "Pls Vote For Me" || fail "$name: the menu did not appear"
  local menu
  menu=$(window_id "Pls Vote For Me")
  local i
  for ((i = 0; i < ${#clicks[@]}; i += 2)); do click "$menu" "${clicks[i]}" "${clicks[i + 1]}"; done
  xdotool mousemove --window "$menu" 408 20 mousedown 1
  xdotool mouseup 1
  wait_until 30 window_shown Form1 || fail "$name: the game window did not appear"
  local game
  game=$(window_id Form1)
  sky_shows() { shot "$game" "$E2E_TMP/$name-game.png" && [ "$(pixel "$E2E_TMP/$name-game.png" 512 2)" = "$sky" ]; }
  wait_until 60 sky_shows || fail "$name: no sky $sky at the top: $(pixel "$E2E_TMP/$name-game.png" 512 2)"
  # One more shot once the first frames are on the screen.
  shot "$game" "$E2E_TMP/$name-game.png"
  xdotool click 1
  wait_until 20 program_ended || fail "$name: the click did not end the game"

  local size
  size=$(identify -format '%wx%h' "$E2E_TMP/$name-game.png")
  [ "$size" = "$(identify -format '%wx%h' "$E2E_TMP/$name-runner.png")" ] ||
    fail "$name: the game shows $size, the runner made $(identify -format '%wx%h' "$E2E_TMP/$name-runner.png")"
  local changed
  changed=$(changed_permille "$E2E_TMP/$name-runner.png" "$E2E_TMP/$name-game.png")
  note "$name: $changed per mille of the pixels differ"
  # The cars and the figure cover well under 3 % of the picture.
  [ "$changed" -le 30 ] || fail "$name: the runner's picture and the game's differ in $changed per mille of the pixels"
}

compare_case day "#015ADF" -- --size 1024x768
compare_case night "#00000A" 126 72 -- --size 1024x768 --night
note "parity: ok"
