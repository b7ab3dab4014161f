#!/usr/bin/env python3
"""Serves the built page (build/web): over HTTP on this machine, or over HTTPS on every
interface with a certificate and key made beforehand (phones give the camera, the position and
the compass only to secure pages).

    serve.py SITE PORT                      http://localhost:PORT/
    serve.py SITE PORT CERT.pem KEY.pem     https://ADDRESS:PORT/ on every interface
"""
import functools
import http.server
import ssl
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".json": "application/json",
        ".woff2": "font/woff2",
        ".data": "application/octet-stream",
    }

    def end_headers(self):
        # A rebuilt page is always fetched afresh.
        self.send_header("Cache-Control", "no-cache")
        super().end_headers()


def main():
    if len(sys.argv) not in (3, 5):
        sys.exit(__doc__)
    site, port = sys.argv[1], int(sys.argv[2])
    handler = functools.partial(Handler, directory=site)
    secure = len(sys.argv) == 5
    address = ("0.0.0.0" if secure else "127.0.0.1", port)
    with http.server.ThreadingHTTPServer(address, handler) as server:
        if secure:
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(sys.argv[3], sys.argv[4])
            server.socket = context.wrap_socket(server.socket, server_side=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == "__main__":
    main()
