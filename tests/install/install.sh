#!/usr/bin/env bash
# Installs into a temporary prefix and starts the installed program headless;
# then builds the Debian package and checks its metadata and contents, and runs
# lintian on it where lintian is installed.
# Usage: install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d /tmp/nightdrive-install.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# --- cmake --install into a personal prefix: links in bin/ ---
prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in lib/nightdrive/nightdrive lib/nightdrive/nightdrive-headless lib/nightdrive/nightdrive-xinfo \
         lib/nightdrive/data/3d/3d0001.x bin/nightdrive bin/nightdrive-headless bin/nightdrive-xinfo \
         share/applications/nightdrive.desktop share/icons/hicolor/scalable/apps/nightdrive.svg \
         share/man/man6/nightdrive.6.gz share/man/man6/nightdrive-headless.6.gz share/man/man1/nightdrive-xinfo.1.gz \
         share/doc/nightdrive/copyright share/doc/nightdrive/changelog.Debian.gz share/lintian/overrides/nightdrive; do
  [ -e "$prefix/$f" ] || fail "missing after install: $f"
done
for f in bin/nightdrive bin/nightdrive-headless bin/nightdrive-xinfo; do
  [ -L "$prefix/$f" ] || fail "$f is not a link"
done
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$prefix/share/applications/nightdrive.desktop"; fi

# The installed pages render without a warning; the headless page lists every
# option the installed runner's usage names.
if command -v man >/dev/null; then
  for page in "$prefix"/share/man/man*/*.gz; do
    out=$(MANWIDTH=80 LC_ALL=C.UTF-8 man -l "$page" 2>"$tmp/man.err") || fail "man -l $page failed"
    [ ! -s "$tmp/man.err" ] || fail "man -l $(basename "$page") warns: $(cat "$tmp/man.err")"
    [ -n "$out" ] || fail "man -l $(basename "$page") shows nothing"
  done
  text=$(MANWIDTH=200 LC_ALL=C man -l "$prefix/share/man/man6/nightdrive-headless.6.gz" 2>/dev/null)
  for opt in $("$prefix/bin/nightdrive-headless" --help 2>&1 | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    grep -qF -- "$opt" <<<"$text" || fail "the installed nightdrive-headless(6) does not show $opt"
  done
fi

# The installed runner, started through its bin link, finds the data beside the
# real program.
"$prefix/bin/nightdrive-headless" --frames 3 --trace "$prefix/trace.jsonl"
[ "$(wc -l <"$prefix/trace.jsonl")" -eq 3 ] || fail "the installed program drew no frames"

# --- the system prefix: the game's links in games/, the utility in bin/ ---
root=$tmp/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
for f in usr/games/nightdrive usr/games/nightdrive-headless usr/bin/nightdrive-xinfo; do
  [ -L "$root/$f" ] || fail "/usr install: $f is not a link"
  [ -x "$root/$f" ] || fail "/usr install: $f does not reach its program"
done
[ ! -e "$root/usr/bin/nightdrive" ] || fail "/usr install: the game is also in usr/bin"

# --- the Debian package ---
if command -v dpkg-deb >/dev/null; then
  cpack --config "$build/CPackConfig.cmake" -G DEB -B "$tmp/pkg" >"$tmp/cpack.log" 2>&1 \
    || { cat "$tmp/cpack.log" >&2; fail "cpack failed"; }
  debs=("$tmp"/pkg/nightdrive_*.deb)
  deb=${debs[0]}
  [ -f "$deb" ] || fail "cpack made no nightdrive_*.deb"
  info=$(dpkg-deb -I "$deb")
  field() { dpkg-deb -f "$deb" "$1"; }
  version=$(sed -n 's/^project(nightdrive VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
  [ "$(field Package)" = nightdrive ] || fail "Package: $(field Package)"
  [[ "$(field Version)" == "$version"-* ]] || fail "Version $(field Version) is not $version-REVISION"
  [ "$(field Section)" = games ] || fail "Section: $(field Section)"
  [[ "$(field Maintainer)" =~ ^[^\<]+\ \<[^@\>]+@[a-z0-9.-]+\.[a-z]+\>$ ]] || fail "Maintainer: $(field Maintainer)"
  [[ "$(field Maintainer)" != *localhost* ]] || fail "Maintainer on localhost: $(field Maintainer)"
  for dep in libsdl2 libepoxy0 libgl1 fonts-dejavu-core; do
    [[ "$(field Depends)" == *"$dep"* ]] || fail "Depends lacks $dep: $(field Depends)"
  done
  # A synopsis and an extended description of several lines.
  [ "$(grep -c '^  ' <<<"$(sed -n '/^ Description:/,$p' <<<"$info")")" -ge 4 ] \
    || fail "the extended description is missing or short: $info"

  contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
  for f in ./usr/games/nightdrive ./usr/games/nightdrive-headless ./usr/bin/nightdrive-xinfo \
           ./usr/lib/nightdrive/nightdrive ./usr/lib/nightdrive/data/3d/3d0001.x \
           ./usr/share/man/man6/nightdrive.6.gz ./usr/share/man/man6/nightdrive-headless.6.gz \
           ./usr/share/man/man1/nightdrive-xinfo.1.gz ./usr/share/doc/nightdrive/copyright \
           ./usr/share/doc/nightdrive/changelog.Debian.gz ./usr/share/lintian/overrides/nightdrive; do
    grep -qxF -- "$f" <<<"$contents" || fail "the package lacks $f"
  done

  x=$tmp/x
  dpkg-deb -x "$deb" "$x"
  for p in nightdrive nightdrive-headless nightdrive-xinfo; do
    if readelf -S "$x/usr/lib/nightdrive/$p" | grep -qE '\.symtab|\.debug_'; then fail "$p is not stripped"; fi
  done
  zcat "$x/usr/share/doc/nightdrive/changelog.Debian.gz" | head -n1 | grep -qF "nightdrive ($(field Version))" \
    || fail "the changelog's first entry is not $(field Version)"
  head -n1 "$x/usr/share/doc/nightdrive/copyright" | grep -q '^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/' \
    || fail "copyright is not in the machine-readable format"
  # The package's own man page lists every option, as `man nightdrive-headless`
  # shows it once the package is installed.
  if command -v man >/dev/null; then
    text=$(MANWIDTH=200 LC_ALL=C MANPATH="$x/usr/share/man" man nightdrive-headless 2>/dev/null)
    for opt in $("$x/usr/games/nightdrive-headless" --help 2>&1 | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
      grep -qF -- "$opt" <<<"$text" || fail "man nightdrive-headless from the package does not show $opt"
    done
  fi

  if command -v lintian >/dev/null; then
    lintian --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 || {
      cat "$tmp/lintian.log" >&2
      fail "lintian finds errors or warnings"
    }
    cat "$tmp/lintian.log"
  else
    echo "lintian is not installed: skipped"
  fi
fi
echo "install: ok"
