#!/usr/bin/env bash
# Sets up what is missing, builds, and runs the piano. Arguments go to the program
# (try --help).
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cmake -S . -B build -DPIANO_BUILD_TESTS=OFF -DPIANO_BUILD_BENCH=OFF >/dev/null
cmake --build build -j"$(nproc)" --target piano
exec build/piano "$@"
