#!/usr/bin/env bash
# Usage: install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d /tmp/nightdrive-install.XXXXXX)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in lib/nightdrive/nightdrive lib/nightdrive/data/3d/3d0001.x bin/nightdrive \
         share/applications/nightdrive.desktop share/icons/hicolor/scalable/apps/nightdrive.svg; do
  [ -e "$prefix/$f" ] || { echo "missing after install: $f" >&2; exit 1; }
done
[ -L "$prefix/bin/nightdrive" ] || { echo "bin/nightdrive is not a link" >&2; exit 1; }
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$prefix/share/applications/nightdrive.desktop"; fi
# The installed runner, started through its bin link, finds the data beside the
# real program.
"$prefix/bin/nightdrive-headless" --frames 3 --trace "$prefix/trace.jsonl"
[ "$(wc -l <"$prefix/trace.jsonl")" -eq 3 ] || { echo "the installed program drew no frames" >&2; exit 1; }
echo "install: ok"
