#!/usr/bin/env bash
# A drive recorded from the real game and played back: the game under Xvfb with
# ND_RECORD set, driven as a person would (Up held and released, mouse look that
# re-centres the pointer, Q, C, a click to end); then the headless runner replays
# the recording, verifies its checks and must end in the state the game ended in.
# Usage: record.sh PATH/TO/nightdrive PATH/TO/nightdrive-headless
source "$(dirname "$0")/lib.sh"
rec="$E2E_TMP/drive.ndrec"
start_display
export ND_RECORD="$rec"
start_program "$1"
unset ND_RECORD
menu=$(ready_window "Pls Vote For Me") || fail "the menu did not appear"
wait_until 30 menu_drawn "$menu" "$E2E_TMP/menu0.png" || fail "the menu was not drawn"
press_button "$menu" 408 20 # "New Game"
game=$(ready_window Form1 60) || fail "the game window did not appear"
grep -q "recording the drive to $rec" "$E2E_TMP/stderr" || fail "the game did not say where it records"

# The recording is written frame by frame: its last frame number says how far
# the game has come.
last_frame() { sed -n 's/^\([0-9][0-9]*\) .*/\1/p' "$rec" | tail -n1; }
frames_past() { [ "$(last_frame)" -ge "$1" ]; }
recorded() { grep -qE "$1" "$rec"; }
wait_until 60 frames_past 1 || fail "no frame was recorded"

note "holding Up"
settle "$game" || fail "the game window lost its place or focus"
xdotool keydown --window "$game" Up
wait_until 30 recorded '^[0-9]+ keys Up$' || fail "the held Up did not reach the keyboard state"
from=$(last_frame)
wait_until 60 frames_past $((from + 20)) || fail "the game stopped drawing frames"
xdotool keyup --window "$game" Up
wait_until 30 recorded '^[0-9]+ keys$' || fail "the released Up did not reach the keyboard state"

note "mouse look, past the edge where the game re-centres the pointer"
settle "$game" || fail "the game window lost its place or focus"
xdotool mousemove --window "$game" 700 400
wait_until 30 recorded ' mousemove 700 400 ' || fail "the mouse move did not reach the game"
xdotool mousemove --window "$game" 950 420
wait_until 30 recorded ' mousemove 950 420 ' || fail "the mouse move past the edge did not reach the game"
# The game puts the pointer back at (500, 350); that move reaches it after the other.
recentred() { awk '/ mousemove 950 420 /{seen=1} seen && / mousemove 500 350 /{found=1} END{exit !found}' "$rec"; }
wait_until 30 recentred || fail "the re-centred pointer did not reach the game"

note "Q and C"
keys "$game" q
wait_until 30 recorded ' keydown Q 0$' || fail "Q did not reach the game"
keys "$game" c
wait_until 30 recorded ' keydown C 0$' || fail "C did not reach the game"
from=$(last_frame)
wait_until 60 frames_past $((from + 12)) || fail "the game stopped drawing frames"

note "a click ends the drive and the recording"
settle "$game" || fail "the game window lost its place or focus"
xdotool click 1
wait_until 20 program_ended || fail "the click did not end the program"
[ "$(program_status)" = 0 ] || fail "the click ended with status $(program_status)"
recorded ' click 1 0 ' || fail "the click is not in the recording"
recorded '^[0-9]+ end ' || fail "the recording has no end line"
recorded ' tick$' || fail "no timer tick in the recording"
checks=$(grep -c '^[0-9]* check ' "$rec" || true)
[ "$checks" -ge 3 ] || fail "only $checks checks in the recording"

note "replay"
"$2" --replay "$rec" --trace "$E2E_TMP/replay.jsonl" >"$E2E_TMP/replay.out" 2>"$E2E_TMP/replay.err" ||
  fail "the replay failed: $(cat "$E2E_TMP/replay.err")"
grep -q "checks and the end state agree" "$E2E_TMP/replay.out" || fail "the replay did not report: $(cat "$E2E_TMP/replay.out")"
# The trace's last line is the state the replayed game ended in, the same as the
# state the game itself ended in.
read -r end_frame _ px py pz yaw pitch speed _ < <(grep '^[0-9]* end ' "$rec")
last=$(tail -n1 "$E2E_TMP/replay.jsonl")
want="{\"frame\":$end_frame,\"PosX\":$px,\"PosY\":$py,\"PosZ\":$pz,\"Yaw\":$yaw,\"Pitch\":$pitch,\"Speed\":$speed,"
case $last in
  "$want"*'"End":true}') ;;
  *) fail "the replay ended in $last, the game in $want" ;;
esac
note "record: ok ($end_frame frames, $checks checks)"
