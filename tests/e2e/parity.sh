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
  wait_until 30 window_shown "Pls Vote For Me" || fail "$name: the menu did not appear"
  local menu
  menu=$(window_id "Pls Vote For Me")
  local i
  for ((i = 0; i < ${#clicks[@]}; i += 2)); do click "$menu" "${clicks[i]}" "${clicks[i + 1]}"; done
  xdotool mousemove --window "$menu" 408 20 mousedown 1
  xdotool mouseup 1
  # The pointer waits where the game puts it, so it turns the view as in the runner.
  xdotool mousemove 500 350
  wait_until 30 window_shown Form1 || fail "$name: the game window did not appear"
  local game
  game=$(window_id Form1)
  sky_shows() { shot "$game" "$E2E_TMP/$name-game.png" && [ "$(pixel "$E2E_TMP/$name-game.png" 512 2)" = "$sky" ]; }
  wait_until 60 sky_shows || fail "$name: no sky $sky at the top: $(pixel "$E2E_TMP/$name-game.png" 512 2)"
  # One more shot once the first frames are on the screen.
  shot "$game" "$E2E_TMP/$name-game.png"
  xdotool click 1
  wait_until 20 program_ended || fail "$name: the click did not end the game"

  # The pointer turns and tilts the view one step at each move the game sees, and X
  # reports one to three while the window maps and goes full screen: the runner draws
  # the view after 1 to 4 moves and the closest of its pictures counts.
  local moves best=1000 size changed
  for moves in 1 2 3 4; do
    : >"$E2E_TMP/input.txt"
    for ((i = 2; i <= moves; i++)); do echo "1 mousemove $((500 + i * 10)) $((350 + i * 10))" >>"$E2E_TMP/input.txt"; done
    "$runner" --frames 3 "$@" --input "$E2E_TMP/input.txt" --shot "3:$E2E_TMP/$name-runner.png" >/dev/null \
      2>"$E2E_TMP/$name-runner.err" || fail "$name: the runner failed: $(cat "$E2E_TMP/$name-runner.err")"
    size=$(identify -format '%wx%h' "$E2E_TMP/$name-runner.png")
    [ "$size" = "$(identify -format '%wx%h' "$E2E_TMP/$name-game.png")" ] ||
      fail "$name: the runner made $size, the game shows $(identify -format '%wx%h' "$E2E_TMP/$name-game.png")"
    changed=$(changed_permille "$E2E_TMP/$name-runner.png" "$E2E_TMP/$name-game.png")
    [ "$changed" -lt "$best" ] && best=$changed && cp "$E2E_TMP/$name-runner.png" "$E2E_TMP/$name-closest.png"
  done
  note "$name: $best per mille of the pixels differ"
  # The cars and the figure cover well under 3 % of the picture.
  [ "$best" -le 30 ] || fail "$name: the runner's picture and the game's differ in $best per mille of the pixels"
}

compare_case day "#015ADF" -- --size 1024x768
compare_case night "#00000A" 126 72 -- --size 1024x768 --night
note "parity: ok"
