#!/usr/bin/env bash
# Full screen on a screen of the given shape: the game window covers the screen,
# and the 1024 x 768 picture is scaled to fill its height or its width with the
# 4:3 shape kept, black bars on the other two sides. With "Fill Screen" (chosen
# in the menu, or by NIGHTDRIVE_FILL=1) the picture is the whole screen instead.
# Usage: screens.sh PATH/TO/nightdrive WIDTHxHEIGHT [menu-fill|env-fill]
source "$(dirname "$0")/lib.sh"
shape=$2
fill=${3:-}
screen_w=${shape%x*}
screen_h=${shape#*x}
E2E_SCREEN="${shape}x24" start_display
[ "$fill" != env-fill ] || export NIGHTDRIVE_FILL=1
start_program "$1"
menu=$(ready_window "Pls Vote For Me") || fail "the menu did not appear"
fill_marked() { shot "$1" "$2" && [ "$(pixel "$2" 11 224)" = "#FF0000" ] && [ "$(pixel "$2" 11 56)" = "#000000" ]; }
case $fill in
  env-fill) wait_until 30 fill_marked "$menu" "$E2E_TMP/menu.png" || fail "NIGHTDRIVE_FILL did not mark Fill Screen" ;;
  menu-fill)
    wait_until 30 menu_drawn "$menu" "$E2E_TMP/menu.png" || fail "the menu was not drawn"
    click "$menu" 56 224 # "Fill Screen"
    wait_until 20 fill_marked "$menu" "$E2E_TMP/menu.png" || fail "Fill Screen did not take the mark" ;;
  *) wait_until 30 menu_drawn "$menu" "$E2E_TMP/menu.png" || fail "the menu was not drawn" ;;
esac
press_button "$menu" 408 20 # "New Game"
game=$(ready_window Form1 60) || fail "the game window did not appear"
eval "$(xdotool getwindowgeometry --shell "$game")"
[ "$WIDTH" = "$screen_w" ] && [ "$HEIGHT" = "$screen_h" ] ||
  fail "the game window is ${WIDTH}x${HEIGHT} on a ${shape} screen"

# The world is up once the day sky, not the black of the loading screen, shows
# at the top of the picture (top row of the picture, middle column).
if [ -n "$fill" ]; then
  read -r pic_w pic_h left top <<<"$screen_w $screen_h 0 0"
else
  read -r pic_w pic_h left top < <(awk -v w="$screen_w" -v h="$screen_h" 'BEGIN {
    s = (w * 3 <= h * 4) ? w / 1024 : h / 768
    pw = int(1024 * s + 0.5); ph = int(768 * s + 0.5)
    print pw, ph, int((w - pw) / 2), int((h - ph) / 2) }')
fi
world_up() { shot "$game" "$E2E_TMP/w.png" && [ "$(pixel "$E2E_TMP/w.png" $((screen_w / 2)) $((top + 4)))" != "#000000" ]; }
if [ -n "$fill" ]; then
  # Sky at the top and the world, not the sky, at the bottom.
  world_up() {
    shot "$game" "$E2E_TMP/w.png" || return 1
    local up down
    up=$(pixel "$E2E_TMP/w.png" $((screen_w / 2)) 4)
    down=$(pixel "$E2E_TMP/w.png" $((screen_w / 2)) $((screen_h - 4)))
    [ "$up" != "#000000" ] && [ "$down" != "#000000" ] && [ "$down" != "$up" ]
  }
fi
wait_until 60 world_up || fail "the world did not appear"
program_ended && fail "the game ended early: $(cat "$E2E_TMP/stderr")"

# Where the picture begins and ends along the middle row and column, against
# where a 4:3 picture filling the screen would: two pixels either way for scaling.
within() { [ $(($1 > $2 ? $1 - $2 : $2 - $1)) -le 2 ]; }
read -r x0 x1 < <(picture_span "$E2E_TMP/w.png" row)
read -r y0 y1 < <(picture_span "$E2E_TMP/w.png" column)
note "picture x ${x0}..${x1}, y ${y0}..${y1}; expected x ${left}..$((left + pic_w - 1)), y ${top}..$((top + pic_h - 1))"
within "$x0" "$left" && within "$x1" $((left + pic_w - 1)) || fail "the picture spans x ${x0}..${x1} on a ${shape} screen"
within "$y0" "$top" && within "$y1" $((top + pic_h - 1)) || fail "the picture spans y ${y0}..${y1} on a ${shape} screen"

if [ -n "$fill" ]; then
  # The day sky in both top corners, the world (not black) in both bottom ones.
  sky() { [ "$1" != "#000000" ] && [ $((16#${1:5:2})) -gt 150 ]; }
  for corner in "0 0" "$((screen_w - 1)) 0"; do
    c=$(pixel "$E2E_TMP/w.png" $corner)
    sky "$c" || fail "no sky at ($corner): $c"
  done
  for corner in "0 $((screen_h - 1))" "$((screen_w - 1)) $((screen_h - 1))"; do
    c=$(pixel "$E2E_TMP/w.png" $corner)
    [ "$c" != "#000000" ] || fail "black at ($corner)"
  done
fi

kill -TERM "$(program_pid)"
wait_until 20 program_ended || fail "SIGTERM did not end the program"
note "screens ${shape}${fill:+ $fill}: ok"
