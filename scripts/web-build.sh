#!/usr/bin/env bash
# Builds the piano for the browser into build-web/, or the folder named in
# $PIANO_WEB_BUILD (piano.html, .js, .wasm, .data): the WebAssembly libraries
# first (scripts/web-deps.sh, cached), then the program. The sample set comes
# from $PIANO_SAMPLE_DIR, else from the desktop build in build/, which makes it
# when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
export NODE_PATH=/usr/share/nodejs
jobs=${JOBS:-2}
out=${PIANO_WEB_BUILD:-build-web}
prefix=$(scripts/web-deps.sh)
samples=${PIANO_SAMPLE_DIR:-$PWD/build/samples}
if [ ! -f "$samples/samples.stamp" ]; then
  scripts/setup.sh
  cmake -S . -B build -DPIANO_BUILD_TESTS=OFF -DPIANO_BUILD_BENCH=OFF -DPIANO_SAMPLE_DIR="$samples" >/dev/null
  nice -n 19 cmake --build build -j"$jobs" --target piano_samples
fi
emcmake cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DPIANO_WEB_PREFIX="$prefix" \
  -DPIANO_SAMPLE_DIR="$samples" >/dev/null
nice -n 19 cmake --build "$out" -j"$jobs" --target piano
