#!/usr/bin/env bash
# Installs the Debian packages the browser build and its tests need, then builds
# the C libraries the program links (zlib, meshoptimizer, freetype, SDL2,
# SDL2_image, SDL2_ttf) with emcc from Debian's own source packages, into a
# cache folder outside the clone that later builds reuse.
# Prints the cache folder's path on its last line.
set -euo pipefail

# Firefox ESR and WebKitGTK (MiniBrowser under WebKitWebDriver) are the other two
# engines the tests run in, on an Xvfb display; python3 serves the static folder;
# rsvg-convert (librsvg2-bin) draws the page's PNG icons from the desktop icon;
# pyftsubset (fonttools) cuts the fonts down to the characters the page can show.
pkgs=(emscripten chromium firefox-esr webkit2gtk-driver xvfb xauth python3 nodejs npm dpkg-dev fonts-dejavu-core
  librsvg2-bin fonttools cmake ninja-build)
missing=()
for p in "${pkgs[@]}"; do
  # A node from another repository satisfies nodejs/npm when its commands exist.
  case $p in nodejs) command -v node >/dev/null && continue ;; npm) command -v npm >/dev/null && continue ;; esac
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  echo "Installing: ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq >/dev/null
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# emcc's own tools run on node; a node from outside Debian needs Debian's modules.
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

cache=${ND_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/nightdrive-web}
mkdir -p "$cache"
jobs=2

# Pinned bookworm release versions (source package, version, folder name).
sources=(
  "zlib 1:1.2.13.dfsg-1 zlib-1.2.13"
  "meshoptimizer 0.18+dfsg-2 meshoptimizer-0.18"
  "freetype 2.12.1+dfsg-5+deb12u4 freetype-2.12.1"
  "libsdl2 2.26.5+dfsg-1 SDL2-2.26.5"
  "libsdl2-image 2.6.3+dfsg-1 SDL2_image-2.6.3"
  "libsdl2-ttf 2.20.1+dfsg-2 SDL2_ttf-2.20.1"
)

# A private apt configuration that only knows the source lists; the system's own
# configuration stays untouched. It uses the host the system's apt uses.
apt_private() {
  local root=$cache/apt
  mkdir -p "$root/lists/partial" "$root/cache/archives/partial"
  if [ ! -f "$root/sources.list" ]; then
    local host
    host=$(grep -rhoE 'https?://[^ ]*/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null |
      head -n1 | tr -d ' ')
    echo "deb-src ${host:-http://deb.debian.org/debian} bookworm main" >"$root/sources.list"
  fi
  apt-get -qq -o Dir::Etc::sourcelist="$root/sources.list" -o Dir::Etc::sourceparts=- \
    -o Dir::State::Lists="$root/lists" -o Dir::Cache="$root/cache" \
    -o Debug::NoLocking=1 -o APT::Sandbox::User=root "$@"
}

fetch() {  # fetch <package> <version> <folder>: unpacked source under $cache/src/<folder>
  local pkg=$1 ver=$2 dir=$3 tmp=$cache/src/tmp-$1
  [ -d "$cache/src/$dir" ] && return 0
  rm -rf "$tmp" && mkdir -p "$tmp"
  if [ ! -f "$cache/apt/updated" ]; then apt_private update >/dev/null && touch "$cache/apt/updated"; fi
  # The pinned version first; a point release may have replaced it on the mirror,
  # so then the lists are refreshed and bookworm's current version of the same
  # upstream release is taken.
  if ! (cd "$tmp" && apt_private source --download-only "$pkg=$ver" >/dev/null 2>&1); then
    echo "web deps: $pkg $ver is no longer served; taking bookworm's current $pkg" >&2
    apt_private update >/dev/null
    (cd "$tmp" && apt_private source --download-only "$pkg" >/dev/null) ||
      { echo "web deps: could not fetch the source of $pkg" >&2; return 1; }
  fi
  (cd "$tmp" && dpkg-source --no-check -x ./*.dsc "$dir" >/dev/null)
  [ -d "$tmp/$dir" ] || { echo "web deps: $pkg did not unpack into $dir" >&2; return 1; }
  mv "$tmp/$dir" "$cache/src/$dir"
  rm -rf "$tmp"
}

for entry in "${sources[@]}"; do
  # shellcheck disable=SC2086
  fetch $entry
done

prefix=$cache/prefix
mkdir -p "$prefix/lib" "$prefix/include"
src=$cache/src
cflags=(-O2)

built() { [ -f "$cache/stamp-$1" ]; }
stamp() { touch "$cache/stamp-$1"; }

objs() {  # objs <out.a> <flags...> -- <sources...>: compile and archive
  local out=$1; shift
  local flags=() files=()
  while [ "$1" != -- ]; do flags+=("$1"); shift; done; shift
  files=("$@")
  local tmp; tmp=$(mktemp -d)
  printf '%s\n' "${files[@]}" | xargs -P "$jobs" -I{} sh -c \
    'f={}; o='"$tmp"'/$(echo "$f" | tr / _).o; case $f in *.cpp) c=em++ ;; *) c=emcc ;; esac; $c "$@" -c "$f" -o "$o"' _ "${flags[@]}"
  emar rcs "$out" "$tmp"/*.o
  rm -rf "$tmp"
}

if ! built zlib; then
  echo "Building zlib with emcc" >&2
  d=$src/zlib-1.2.13
  objs "$prefix/lib/libz.a" "${cflags[@]}" -DHAVE_UNISTD_H -- \
    "$d"/{adler32,compress,crc32,deflate,gzclose,gzlib,gzread,gzwrite,infback,inffast,inflate,inftrees,trees,uncompr,zutil}.c
  cp "$d"/zlib.h "$d"/zconf.h "$prefix/include/"
  stamp zlib
fi

if ! built meshoptimizer; then
  echo "Building meshoptimizer with emcc" >&2
  d=$src/meshoptimizer-0.18
  objs "$prefix/lib/libmeshoptimizer.a" "${cflags[@]}" -- "$d"/src/*.cpp
  cp "$d"/src/meshoptimizer.h "$prefix/include/"
  stamp meshoptimizer
fi

cmake_lib() {  # cmake_lib <name> <source folder> <cmake options...>: configure, build, install
  local name=$1 dir=$2
  shift 2
  rm -rf "$cache/build-$name"
  emcmake cmake -S "$dir" -B "$cache/build-$name" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >/dev/null
  cmake --build "$cache/build-$name" -j "$jobs" >/dev/null
  cmake --install "$cache/build-$name" >/dev/null
  stamp "$name"
}

# freetype reads gzip-compressed fonts through the zlib above.
if ! built freetype; then
  echo "Building freetype with emcc" >&2
  cmake_lib freetype "$src/freetype-2.12.1" -DFT_REQUIRE_ZLIB=ON -DZLIB_INCLUDE_DIR="$prefix/include" \
    -DZLIB_LIBRARY="$prefix/lib/libz.a" -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON -DFT_DISABLE_HARFBUZZ=ON \
    -DFT_DISABLE_BROTLI=ON
fi

if ! built sdl2; then
  echo "Building SDL2 with emcc (a few minutes)" >&2
  cmake_lib sdl2 "$src/SDL2-2.26.5" -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF
fi

sdlinc=(-I"$prefix/include/SDL2" -I"$prefix/include")

if ! built sdl2-image; then
  echo "Building SDL2_image (stb decoders) with emcc" >&2
  d=$src/SDL2_image-2.6.3
  objs "$prefix/lib/libSDL2_image.a" "${cflags[@]}" "${sdlinc[@]}" -I"$d" \
    -DLOAD_JPG -DLOAD_PNG -DLOAD_BMP -DUSE_STBIMAGE -- "$d"/IMG*.c
  cp "$d"/SDL_image.h "$prefix/include/SDL2/"
  stamp sdl2-image
fi

if ! built sdl2-ttf; then
  echo "Building SDL2_ttf with emcc" >&2
  d=$src/SDL2_ttf-2.20.1
  objs "$prefix/lib/libSDL2_ttf.a" "${cflags[@]}" "${sdlinc[@]}" -I"$prefix/include/freetype2" \
    -DTTF_USE_HARFBUZZ=0 -- "$d"/SDL_ttf.c
  cp "$d"/SDL_ttf.h "$prefix/include/SDL2/"
  stamp sdl2-ttf
fi

echo "$cache"
