#!/usr/bin/env bash
# The start menu as a person uses it: marks, check boxes, graying, and Exit.
# Usage: menu.sh PATH/TO/nightdrive
source "$(dirname "$0")/lib.sh"
start_display
start_program "$1"
menu=$(ready_window "Pls Vote For Me") || fail "the menu did not appear"

# Label mark pixels: a few pixels in from each label's left edge (labels are
# 97 px wide, 17 px high; centred captions leave the edges clear).
mark() { pixel "$1" 11 "$2"; }
wait_until 30 menu_drawn "$menu" "$E2E_TMP/m0.png" || fail "1024 - 768 is not marked"
[ "$(mark "$E2E_TMP/m0.png" 96)" = "#FF0000" ] || fail "16 - BIT is not marked"
[ "$(mark "$E2E_TMP/m0.png" 152)" = "#FF0000" ] || fail "Low is not marked"
[ "$(mark "$E2E_TMP/m0.png" 40)" = "#000000" ] || fail "800 - 600 is marked at start"

click "$menu" 56 40     # "800 - 600"
click "$menu" 56 184    # "High"
click "$menu" 126 72    # "Enable Night Drive" box
# Each click shows at once; wait for the last one's mark and box to change.
box_changed() {  # box_changed SHOT BEFORE
  convert "$1" -crop 13x13+120+66 "$1.box.png" &&
    [ "$(changed_permille "$2" "$1.box.png")" -gt 20 ]
}
convert "$E2E_TMP/m0.png" -crop 13x13+120+66 "$E2E_TMP/box0.png"
clicks_shown() {
  shot "$menu" "$E2E_TMP/m1.png" && [ "$(mark "$E2E_TMP/m1.png" 184)" = "#FF0000" ] &&
    box_changed "$E2E_TMP/m1.png" "$E2E_TMP/box0.png"
}
wait_until 20 clicks_shown || true
[ "$(mark "$E2E_TMP/m1.png" 40)" = "#FF0000" ] || fail "800 - 600 did not take the mark"
[ "$(mark "$E2E_TMP/m1.png" 56)" = "#000000" ] || fail "1024 - 768 kept the mark"
[ "$(mark "$E2E_TMP/m1.png" 184)" = "#FF0000" ] || fail "High did not take the mark"
[ "$(mark "$E2E_TMP/m1.png" 152)" = "#000000" ] || fail "Low kept the mark"
box_changed "$E2E_TMP/m1.png" "$E2E_TMP/box0.png" || fail "night drive was not ticked"
cp "$E2E_TMP/m1.png.box.png" "$E2E_TMP/box1.png"

click "$menu" 126 40    # uncheck "Enable Light"
grayed() { shot "$menu" "$E2E_TMP/m2.png" && box_changed "$E2E_TMP/m2.png" "$E2E_TMP/box1.png"; }
wait_until 20 grayed || true
cp "$E2E_TMP/m2.png.box.png" "$E2E_TMP/box2.png"
[ "$(changed_permille "$E2E_TMP/box1.png" "$E2E_TMP/box2.png")" -gt 20 ] || fail "night drive did not change look"
[ "$(changed_permille "$E2E_TMP/box0.png" "$E2E_TMP/box2.png")" -gt 20 ] || fail "grayed looks like unchecked"

click "$menu" 408 52    # "Exit"
wait_until 20 program_ended || fail "Exit did not end the program"
[ "$(program_status)" = 0 ] || fail "Exit ended with status $(program_status)"
[ -z "$(window_id Form1)" ] || fail "a game window appeared"
note "menu: ok"
