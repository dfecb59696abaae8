# Shared by the frame benchmarks, sourced after `set -euo pipefail`:
#   bench_args DEFAULT_FRAMES [BUILD_DIR] [RUNS] [FRAMES]  sets build, runs, frames and runner
#     (the headless runner of that build, which must exist);
#   field NAME   the number NAME of the runner's --bench line on stdin;
#   median       the median of the numbers on stdin, one a line.
bench_args() {
  local default_frames=$1
  build=${2:-build}
  runs=${3:-3}
  frames=${4:-$default_frames}
  runner="$build/nightdrive-headless"
  [ -x "$runner" ] || { echo "build nightdrive-headless first ($runner)" >&2; exit 1; }
}
field() { sed -n "s/.*\"$1\":\([0-9.]*\).*/\1/p"; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }
