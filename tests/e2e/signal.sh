#!/usr/bin/env bash
# Ended by the system rather than the user: SIGINT in the menu and SIGTERM in the
# running game both end the program as closing it would, with status 0.
# Usage: signal.sh PATH/TO/nightdrive
source "$(dirname "$0")/lib.sh"
start_display

# The program started by start_program: the child of its wrapper.
program_pid() { pgrep -n -P "${E2E_PIDS[-1]}"; }

note "SIGINT in the menu"
start_program "$1"
wait_until 30 window_shown "Pls Vote For Me" || fail "the menu did not appear"
kill -INT "$(program_pid)"
wait_until 20 program_ended || fail "SIGINT did not end the program"
[ "$(program_status)" = 0 ] || fail "SIGINT ended with status $(program_status)"
window_shown "Pls Vote For Me" && fail "the menu is still shown"
rm -f "$E2E_TMP/status"

note "SIGTERM in the game"
start_program "$1"
wait_until 30 window_shown "Pls Vote For Me" || fail "the menu did not appear"
menu=$(window_id "Pls Vote For Me")
xdotool mousemove --window "$menu" 408 20 mousedown 1
xdotool mouseup 1
wait_until 30 window_shown Form1 || fail "the game window did not appear"
game=$(window_id Form1)
# The world is up once the sky, not the black of the loading screen, shows at the top.
world_up() { shot "$game" "$E2E_TMP/w.png" && [ "$(pixel "$E2E_TMP/w.png" 512 4)" != "#000000" ]; }
wait_until 60 world_up || fail "the world did not appear"
program_ended && fail "the game ended early: $(cat "$E2E_TMP/stderr")"
kill -TERM "$(program_pid)"
wait_until 20 program_ended || fail "SIGTERM did not end the program"
[ "$(program_status)" = 0 ] || fail "SIGTERM ended with status $(program_status)"
window_shown Form1 && fail "the game window is still shown"
note "signal: ok"
