#!/usr/bin/env bash
# Recordings played back by the headless runner: a drive recorded on the simulated
# clock replays with the very same trace; a changed world, a changed motion (as
# another build would make) and a truncated file each end with their own message
# and status; the video has the frames, size and rate asked for.
# Usage: replay.sh PATH/TO/nightdrive-headless
set -euo pipefail
tmp=$(mktemp -d /tmp/nightdrive-replay.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "-- $*"; }

# A copy of the runner beside its own copy of the world, which the test changes.
mkdir "$tmp/app"
cp "$1" "$tmp/app/"
cp -r "$(dirname "$(readlink -f "$1")")/data" "$tmp/app/data"
run="$tmp/app/$(basename "$1")"

cat >"$tmp/drive.txt" <<'SCRIPT'
1 keydown Up
40 keyup Up
41 keydown Left
60 keyup Left
61 mousemove 950 400
70 press Q
71 press C
80 press Z
90 mousemove 520 300
100 click
SCRIPT
ND_RECORD="$tmp/drive.ndrec" "$run" --collision --night --input "$tmp/drive.txt" --trace "$tmp/made.jsonl" \
  2>"$tmp/err" || fail "the recorded run failed: $(cat "$tmp/err")"

note "the replay follows the recorded run frame for frame"
"$run" --replay "$tmp/drive.ndrec" --trace "$tmp/replay.jsonl" >"$tmp/out" 2>"$tmp/err" ||
  fail "the replay failed: $(cat "$tmp/err")"
grep -q '^replay: 100 frames, 9 checks and the end state agree' "$tmp/out" || fail "replay said: $(cat "$tmp/out")"
grep -v '"End":true' "$tmp/replay.jsonl" | cmp -s - "$tmp/made.jsonl" ||
  fail "the replay's trace differs: $(diff "$tmp/made.jsonl" "$tmp/replay.jsonl" | head -n4)"

note "a drive on a filled screen replays filled, the same picture"
ND_RECORD="$tmp/fill.ndrec" "$run" --fill --size 1280x720 --input "$tmp/drive.txt" --shot 65:"$tmp/made.png" \
  2>"$tmp/err" || fail "the recorded filled run failed: $(cat "$tmp/err")"
"$run" --replay "$tmp/fill.ndrec" --shot 65:"$tmp/replayed.png" >"$tmp/out" 2>"$tmp/err" ||
  fail "the filled replay failed: $(cat "$tmp/err")"
cmp -s "$tmp/made.png" "$tmp/replayed.png" || fail "the filled replay draws another picture than the drive did"

# expect_parted FILE STATUS MESSAGE...: the replay of FILE ends with STATUS and
# says each MESSAGE.
expect_parted() {
  local file=$1 want=$2 status=0 message
  shift 2
  "$run" --replay "$file" >"$tmp/out" 2>"$tmp/err" || status=$?
  [ "$status" = "$want" ] || fail "$file: status $status, not $want ($(cat "$tmp/err"))"
  for message in "$@"; do
    grep -qF -- "$message" "$tmp/err" || fail "$file: said '$(cat "$tmp/err")', not '$message'"
  done
}

note "another motion, as another build would make, parts at its check"
sed 's/^50 check [^ ]*/50 check 12.5/' "$tmp/drive.ndrec" >"$tmp/moved.ndrec"
expect_parted "$tmp/moved.ndrec" 1 "the replay parted from the recording at frame 50: PosX 12.5 recorded" \
  "(the check of frame 40 still agreed)"

note "a truncated recording"
head -n -1 "$tmp/drive.ndrec" >"$tmp/cut.ndrec"
expect_parted "$tmp/cut.ndrec" 2 "truncated: no end line"

note "a changed world"
echo "// changed" >>"$tmp/app/data/3d/3d0001.x"
expect_parted "$tmp/drive.ndrec" 1 "the replay parted from the recording at frame 0: the world differs (3d/3d0001.x differs)"
cp -r "$(dirname "$(readlink -f "$1")")/data/3d/3d0001.x" "$tmp/app/data/3d/3d0001.x"

note "a video without ffmpeg"
status=0
PATH=/nonexistent "$run" --replay "$tmp/drive.ndrec" --video "$tmp/none.mp4" 2>"$tmp/err" || status=$?
[ "$status" = 2 ] && grep -q -- "--video needs ffmpeg, which is not installed" "$tmp/err" ||
  fail "without ffmpeg: status $status, '$(cat "$tmp/err")'"

if ! command -v ffprobe >/dev/null; then
  echo "ffmpeg is not installed: the video is not checked"
  exit 77
fi
note "the video"
# Video frame k shows the frame on screen k / fps seconds after the first.
first=$(sed -n 's/^1 time //p' "$tmp/drive.ndrec")
last=$(sed -n 's/^[0-9]* time //p' "$tmp/drive.ndrec" | tail -n1)
for case in "640x480 30" "320x180 24"; do
  read -r size fps <<<"$case"
  want=$(awk -v a="$first" -v b="$last" -v f="$fps" 'BEGIN { print int((b - a) * f / 1000 + 1e-6) + 1 }')
  "$run" --replay "$tmp/drive.ndrec" --video "$tmp/drive.mp4" --size "$size" --fps "$fps" >"$tmp/out" 2>"$tmp/err" ||
    fail "the video failed: $(cat "$tmp/err")"
  grep -q "^video: $tmp/drive.mp4, $want frames of $size at $fps fps" "$tmp/out" || fail "video said: $(cat "$tmp/out")"
  got=$(ffprobe -v error -count_frames -select_streams v:0 \
    -show_entries stream=width,height,r_frame_rate,nb_read_frames -of csv=p=0 "$tmp/drive.mp4")
  [ "$got" = "${size%x*},${size#*x},$fps/1,$want" ] || fail "ffprobe: $got, not ${size/x/,},$fps/1,$want"
  # The 4:3 drive keeps its shape in a wider video: black at the sides.
  if [ "$size" = 320x180 ]; then
    side=$(ffmpeg -v error -i "$tmp/drive.mp4" -vf "select=eq(n\,1),crop=16:180:0:0" -frames:v 1 -f rawvideo \
      -pix_fmt gray - | od -An -v -tu1 | tr -s ' ' '\n' | sort -n | tail -n1)
    [ "$side" -le 24 ] || fail "the 4:3 drive fills the 16:9 video (its left edge reaches $side, not black)"
  fi
done
echo "replay: ok"
