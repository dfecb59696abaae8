#!/usr/bin/env bash
# A world file removed: the message box names it, and OK ends the program with a
# non-zero status. Usage: missing.sh PATH/TO/nightdrive
source "$(dirname "$0")/lib.sh"
mkdir -p "$E2E_TMP/app"
cp "$1" "$E2E_TMP/app/nightdrive"
cp -r "$(dirname "$1")/data" "$E2E_TMP/app/data"
rm "$E2E_TMP/app/data/3d/3d0006.x"
start_display
start_program "$E2E_TMP/app/nightdrive"
menu=$(ready_window "Pls Vote For Me") || fail "the menu did not appear"
wait_until 30 menu_drawn "$menu" "$E2E_TMP/menu.png" || fail "the menu was not drawn"
press_button "$menu" 408 20 # "New Game"
wait_until 60 titled_window_shown nightdrive || fail "no message box (stderr: $(cat "$E2E_TMP/stderr"))"
box=$(titled_window nightdrive)
grep -qF "Can't find \\data\\3d\\3d0006.x This Application will be turminated" "$E2E_TMP/stderr" ||
  fail "message text: $(cat "$E2E_TMP/stderr")"
program_ended && fail "the program ended before OK"
keys "$box" Return
wait_until 20 program_ended || fail "OK did not end the program"
[ "$(program_status)" != 0 ] || fail "ended with status 0 after a missing file"
note "missing: ok"
