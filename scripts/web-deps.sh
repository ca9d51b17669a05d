#!/usr/bin/env bash
# Installs Debian's emscripten and builds the libraries the piano links against
# (SDL2, SDL2_image with SVG, SDL2_ttf, freetype) for WebAssembly from Debian's own
# source packages. Emscripten's ports would download their sources from the
# internet; these come through apt like everything else.
#
# The result is installed into a cache folder outside the clone, keyed by the
# compiler, the source package versions and this script, so a later run reuses it
# without building. Progress goes to stderr; the last line on stdout is the prefix
# (include/, lib/, lib/pkgconfig/), e.g.  prefix=$(scripts/web-deps.sh)
#
# Environment: PIANO_WEB_CACHE overrides the cache folder, JOBS the build's -j.
set -euo pipefail
script="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
jobs=${JOBS:-2}
packages=(libsdl2 libsdl2-image libsdl2-ttf freetype)

log() { echo "web-deps: $*" >&2; }

as_root() {
  if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi
}

# Debian's emscripten runs its JavaScript tools with the node modules Debian ships.
export NODE_PATH=/usr/share/nodejs

if ! command -v emcc >/dev/null || ! command -v cmake >/dev/null || ! command -v dpkg-source >/dev/null; then
  log "installing emscripten, cmake and dpkg-dev"
  as_root apt-get update >&2
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends \
    emscripten cmake make dpkg-dev xz-utils >&2
fi

# The source packages need deb-src entries. Where the machine has none, they are
# added beside its binary entries, for the same mirrors and suites.
if [ -z "$(apt-cache showsrc libsdl2 2>/dev/null)" ]; then
  log "enabling Debian source packages"
  shopt -s nullglob
  src_list=/etc/apt/sources.list.d/piano-web-src
  for f in /etc/apt/sources.list.d/*.sources; do
    case $f in "$src_list".sources) continue ;; esac
    sed 's/^Types: deb$/Types: deb-src/' "$f"
    echo
  done | as_root tee "$src_list".sources >/dev/null
  if [ -f /etc/apt/sources.list ]; then
    grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' | as_root tee "$src_list".list >/dev/null || true
  fi
  as_root apt-get update >&2
fi

versions=$( (emcc --version | head -1; for p in "${packages[@]}"; do
  echo "$p $(apt-cache showsrc "$p" | sed -n 's/^Version: //p' | sort -V | tail -1)"; done) )
key=$( (echo "$versions"; cat "$script") | sha256sum | cut -c1-16)
root=${PIANO_WEB_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/piano-web}/$key
prefix=$root/prefix

if [ -f "$root/complete" ]; then
  log "reusing $prefix"
  echo "$prefix"
  exit 0
fi

log "building into $root"
rm -rf "$root"
mkdir -p "$root/src" "$prefix"
echo "$versions" >"$root/versions"
(cd "$root/src" && apt-get source --download-only "${packages[@]}" >&2 \
  && for d in *.dsc; do dpkg-source --no-check -x "$d" >&2; done)

src_dir() { find "$root/src" -maxdepth 1 -type d -name "$1-[0-9]*" | head -1; }

# emcmake sets the emscripten toolchain; the prefix is searched for the libraries
# built before (the toolchain otherwise looks only inside emscripten's own sysroot).
build() {  # name, cmake arguments...
  local name=$1; shift
  local src; src=$(src_dir "$name")
  log "building $name ($(basename "$src"))"
  local start=$SECONDS
  nice -n 19 emcmake cmake -S "$src" -B "$root/build/$name" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DCMAKE_C_FLAGS=-pthread -DCMAKE_CXX_FLAGS=-pthread "$@" >"$root/build-$name.log" 2>&1 \
    && nice -n 19 cmake --build "$root/build/$name" -j"$jobs" >>"$root/build-$name.log" 2>&1 \
    && nice -n 19 cmake --install "$root/build/$name" >>"$root/build-$name.log" 2>&1 \
    || { log "$name failed; see $root/build-$name.log"; tail -30 "$root/build-$name.log" >&2; exit 1; }
  log "$name built in $((SECONDS - start)) s"
}

# The piano runs threads (sample loading, playback), and every object linked into
# a program with threads must be compiled for shared memory: hence -pthread above
# and SDL's own threads on. Only what the piano uses otherwise: no compressed or
# colour fonts, no image formats that need libraries of their own.
build libsdl2 -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF -DSDL_THREADS=ON -DSDL_PTHREADS=ON
build freetype -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
  -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON
build libsdl2-ttf -DSDL2TTF_SAMPLES=OFF -DSDL2TTF_VENDORED=OFF -DSDL2TTF_HARFBUZZ=OFF
# PNG through the bundled stb_image, SVG through the bundled nanosvg.
build libsdl2-image -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_VENDORED=OFF \
  -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_JPG=OFF -DSDL2IMAGE_SVG=ON \
  -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF

# SDL2_image and SDL2_ttf write pkg-config files only for shared builds; the
# piano's build finds its libraries through pkg-config, so these say the same.
write_pc() {  # name, source package, libs, requires
  local version; version=$(basename "$(src_dir "$2")" | sed -E "s/^$2-([0-9.]+).*/\\1/")
  cat >"$prefix/lib/pkgconfig/$1.pc" <<PC
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: $1
Description: $1 for WebAssembly
Version: $version
Requires: $4
Libs: -L\${libdir} $3
Cflags: -I\${includedir}/SDL2
PC
}
write_pc SDL2_image libsdl2-image -lSDL2_image sdl2
write_pc SDL2_ttf libsdl2-ttf -lSDL2_ttf "sdl2 freetype2"

rm -rf "$root/src" "$root/build"
touch "$root/complete"
log "done: $prefix"
echo "$prefix"
