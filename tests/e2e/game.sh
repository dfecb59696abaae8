#!/usr/bin/env bash
# The game as a person plays it: night drive from the menu, the full-screen
# world, driving, the view presets, wireframe, mouse look, and the click that ends.
# Usage: game.sh PATH/TO/nightdrive   (its data/ folder beside it)
source "$(dirname "$0")/lib.sh"
start_display
start_program "$1"
menu=$(ready_window "Pls Vote For Me") || fail "the menu did not appear"
wait_until 30 menu_drawn "$menu" "$E2E_TMP/menu0.png" || fail "the menu was not drawn"
convert "$E2E_TMP/menu0.png" -crop 13x13+120+66 "$E2E_TMP/box0.png"
click "$menu" 126 72 # "Enable Night Drive"
# As a person would, look for the tick before pressing "New Game".
ticked() {
  shot "$menu" "$E2E_TMP/menu1.png" && convert "$E2E_TMP/menu1.png" -crop 13x13+120+66 "$E2E_TMP/box1.png" &&
    [ "$(changed_permille "$E2E_TMP/box0.png" "$E2E_TMP/box1.png")" -gt 20 ]
}
wait_until 20 ticked || fail "night drive was not ticked"
press_button "$menu" 408 20 # "New Game"
game=$(ready_window Form1 60) || fail "the game window did not appear"
eval "$(xdotool getwindowgeometry --shell "$game")"
[ "$WIDTH" = 1024 ] && [ "$HEIGHT" = 768 ] || fail "the game window is ${WIDTH}x${HEIGHT}, not full screen"

# The world is up once the night sky (0x00000A) shows at the top of the screen.
sky_is_night() { shot "$game" "$E2E_TMP/sky.png" && [ "$(pixel "$E2E_TMP/sky.png" 512 4)" = "#00000A" ]; }
wait_until 60 sky_is_night || fail "no night sky: top pixel $(pixel "$E2E_TMP/sky.png" 512 4)"
program_ended && fail "the game ended early: $(cat "$E2E_TMP/stderr")"
shot "$game" "$E2E_TMP/g0.png"

note "holding Up"
# However slow the renderer, the view moves on while the key is held.
picture_moved() {
  shot "$game" "$E2E_TMP/g1.png"
  [ "$(changed_permille "$E2E_TMP/g0.png" "$E2E_TMP/g1.png")" -gt 30 ]
}
settle "$game" || fail "the game window lost its place or focus"
xdotool keydown --window "$game" Up
moved=yes; wait_until 30 picture_moved || moved=no
xdotool keyup --window "$game" Up
[ "$moved" = yes ] || fail "holding Up did not move the view"

note "Z to 130, then C three times to the aerial preset"
keys "$game" --delay 5 --repeat 95 z
keys "$game" --delay 50 c c c
# Looking down from 130: the top of the screen shows the ground, not the sky.
looks_down() { shot "$game" "$E2E_TMP/g2.png" && [ "$(pixel "$E2E_TMP/g2.png" 512 4)" != "#00000A" ]; }
wait_until 30 looks_down || fail "the aerial view still shows the sky at the top"

note "Q for wireframe"
sky_before=$(count_colour "$E2E_TMP/g2.png" "#00000A")
keys "$game" q
opened_up() {
  shot "$game" "$E2E_TMP/g3.png"
  sky_after=$(count_colour "$E2E_TMP/g3.png" "#00000A")
  [ "$sky_after" -gt $((sky_before + 100000)) ]
}
wait_until 30 opened_up || fail "wireframe did not open the picture ($sky_before -> $sky_after)"

note "mouse look"
shot "$game" "$E2E_TMP/g4.png"
settle "$game" || fail "the game window lost its place or focus"
view_turned() {
  shot "$game" "$E2E_TMP/g5.png"
  [ "$(changed_permille "$E2E_TMP/g4.png" "$E2E_TMP/g5.png")" -gt 10 ]
}
turned=no
for x in 620 660 700 740 780 820; do
  xdotool mousemove --window "$game" "$x" 400
  if wait_until 5 view_turned; then turned=yes; break; fi
done
[ "$turned" = yes ] || fail "the mouse did not turn the view"

note "click ends"
settle "$game" || fail "the game window lost its place or focus"
xdotool click 1
wait_until 20 program_ended || fail "the click did not end the program"
[ "$(program_status)" = 0 ] || fail "the click ended with status $(program_status)"
note "game: ok"
