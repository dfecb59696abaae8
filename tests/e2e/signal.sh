#!/usr/bin/env bash
# Ended by the system rather than the user: SIGINT in the menu and SIGTERM in the
# running game both end the program as closing it would, with status 0.
# Usage: signal.sh PATH/TO/nightdrive
source "$(dirname "$0")/lib.sh"
start_display

note "SIGINT in the menu"
start_program "$1"
ready_window "Pls Vote For Me" >/dev/null || fail "the menu did not appear"
kill -INT "$(program_pid)"
wait_until 20 program_ended || fail "SIGINT did not end the program"
[ "$(program_status)" = 0 ] || fail "SIGINT ended with status $(program_status)"
window_shown "Pls Vote For Me" && fail "the menu is still shown"
rm -f "$E2E_TMP/status"

note "SIGTERM in the game"
start_program "$1"
menu=$(ready_window "Pls Vote For Me") || fail "the menu did not appear"
wait_until 30 menu_drawn "$menu" "$E2E_TMP/menu.png" || fail "the menu was not drawn"
press_button "$menu" 408 20 # "New Game"
game=$(ready_window Form1 60) || fail "the game window did not appear"
# The world is up once the sky, not the black of the loading screen, shows at the top.
world_up() { shot "$game" "$E2E_TMP/w.png" && [ "$(pixel "$E2E_TMP/w.png" 512 4)" != "#000000" ]; }
wait_until 60 world_up || fail "the world did not appear"
program_ended && fail "the game ended early: $(cat "$E2E_TMP/stderr")"
kill -TERM "$(program_pid)"
wait_until 20 program_ended || fail "SIGTERM did not end the program"
[ "$(program_status)" = 0 ] || fail "SIGTERM ended with status $(program_status)"
window_shown Form1 && fail "the game window is still shown"
note "signal: ok"
