#!/usr/bin/env bash
# The piano as a web page: sets up what is missing (emscripten and the
# WebAssembly libraries, cached outside the clone), builds build-web/ and
# serves it on localhost, printing its address. build-web/ is a folder of
# static files that any static host can serve as it is. PORT sets the port.
set -euo pipefail
cd "$(dirname "$0")"
scripts/web-build.sh
exec python3 scripts/web-serve.py build-web --port "${PORT:-8080}"
