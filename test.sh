#!/usr/bin/env bash
# Sets up what is missing, then builds and runs every test: a normal build, a
# ThreadSanitizer build, and an AddressSanitizer + UndefinedBehaviorSanitizer build.
# Then the browser build, played in headless Chromium. `./test.sh quick` runs the
# normal build only, `./test.sh web` the normal build and the browser's.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh --tests
jobs=$(nproc)

run_suite() {  # name, extra cmake arguments...
  local name=$1; shift
  local dir=build-test-$name
  echo "=== $name build"
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  (cd "$dir" && ctest --output-on-failure -j"$jobs" --timeout 600)
}

run_web() {  # the page with its sample set and its pictures checked against the desktop program's
  echo "=== web build"
  PIANO_SAMPLE_DIR="$samples" scripts/web-build.sh
  node --experimental-websocket scripts/web-smoke.mjs build-web build-web/smoke --native build-test-normal/piano
}

run_suite normal
samples="$PWD/build-test-normal/samples"
if [ "${1:-}" = "web" ]; then
  run_web
elif [ "${1:-}" != "quick" ]; then
  TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    run_suite tsan -DPIANO_SANITIZE=thread -DPIANO_BUILD_BENCH=OFF -DPIANO_SAMPLE_DIR="$samples"
  # Leaks inside system libraries are not ours: the file names those libraries only.
  ASAN_OPTIONS="detect_leaks=1" UBSAN_OPTIONS="print_stacktrace=1" \
  LSAN_OPTIONS="suppressions=$PWD/scripts/lsan-suppressions.txt" \
    run_suite asan -DPIANO_SANITIZE=address -DPIANO_BUILD_BENCH=OFF -DPIANO_SAMPLE_DIR="$samples"
  run_web
fi
echo "All test suites passed."
