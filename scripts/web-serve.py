#!/usr/bin/env python3
"""Serves a folder of the browser build on localhost, with the two headers that
make the page cross-origin isolated (the program's threads share memory, which
browsers allow only then). With --plain it serves the files as any static host
does, without them: the page's service worker then adds them.

usage: scripts/web-serve.py [FOLDER] [--port N] [--plain]
"""
import argparse
import functools
import http.server


class IsolatedHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript",
                      ".webmanifest": "application/manifest+json"}
    plain = False

    def end_headers(self):
        if not self.plain:
            self.send_header("Cross-Origin-Opener-Policy", "same-origin")
            self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", nargs="?", default="build-web")
    parser.add_argument("--port", type=int, default=8080)
    parser.add_argument("--plain", action="store_true", help="no cross-origin isolation headers")
    args = parser.parse_args()
    IsolatedHandler.plain = args.plain
    handler = functools.partial(IsolatedHandler, directory=args.folder)
    server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    port = server.server_address[1]  # --port 0: a free one
    print(f"Serving {args.folder} at http://localhost:{port}/piano.html", flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
