#!/usr/bin/env bash
# Every relative link in README.md and docs/*.md leads somewhere: the file or
# folder exists and, where the link names a section (#anchor) of a Markdown file,
# that file has a heading with that anchor.
# Usage: links.sh SOURCE_DIR
set -euo pipefail
root=$(cd "$1" && pwd)
status=0

# The anchor a heading gets: lower case, punctuation dropped, spaces to hyphens.
anchors() { sed -n 's/^#\{1,6\} \(.*\)$/\1/p' "$1" | tr '[:upper:]' '[:lower:]' | sed 's/[^a-z0-9 _-]//g; s/ /-/g'; }

for doc in "$root"/README.md "$root"/docs/*.md; do
  dir=$(dirname "$doc")
  # Fenced code is not Markdown, so its brackets are not links.
  links=$(awk '/^```/ { fenced = !fenced; next } !fenced' "$doc" | grep -oE '\]\([^)[:space:]]+\)' | sed 's/^](//; s/)$//') || true
  for link in $links; do
    case $link in http://* | https://* | mailto:*) continue ;; esac
    path=${link%%#*}
    anchor=
    [[ $link == *'#'* ]] && anchor=${link#*#}
    target=$doc
    if [ -n "$path" ]; then
      target=$dir/$path
      if [ ! -e "$target" ]; then
        echo "FAIL: ${doc#"$root"/}: $link: no such file" >&2
        status=1
        continue
      fi
    fi
    if [ -n "$anchor" ] && ! anchors "$target" | grep -qxF -- "$anchor"; then
      echo "FAIL: ${doc#"$root"/}: $link: no such section" >&2
      status=1
    fi
  done
done
[ $status -eq 0 ] && echo "links: ok"
exit $status
