#!/usr/bin/env python3
"""Serves the built page (build/web): over HTTP on this machine, or over HTTPS on every
interface with a certificate and key made beforehand (phones give the camera, the position and
the compass only to secure pages).

    serve.py SITE PORT                      http://localhost:PORT/
    serve.py SITE PORT CERT.pem KEY.pem     https://ADDRESS:PORT/ on every interface
"""
import functools
import gzip
import io
import http.server
import os
import ssl
import sys
import threading

# What goes gzipped to browsers that take it (fonts and pictures are compressed already).
COMPRESSIBLE = {".html", ".js", ".mjs", ".css", ".json", ".wasm", ".data", ".pack", ".svg"}
# Compressed files by path, kept while their size and modification time stay the same.
_compressed = {}
_compressed_lock = threading.Lock()


def compressed(path):
    """The gzip bytes of the file at `path`, compressed once per version of the file."""
    stat = os.stat(path)
    key = (stat.st_size, stat.st_mtime_ns)
    with _compressed_lock:
        kept = _compressed.get(path)
    if kept and kept[0] == key:
        return kept[1]
    with open(path, "rb") as f:
        data = gzip.compress(f.read(), compresslevel=6, mtime=0)
    with _compressed_lock:
        _compressed[path] = (key, data)
    return data


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

    def send_head(self):
        """Sends a compressible file gzipped when the browser takes gzip; the rest as usual."""
        path = self.translate_path(self.path)
        if (
            os.path.splitext(path)[1].lower() not in COMPRESSIBLE
            or not os.path.isfile(path)
            or "gzip" not in self.headers.get("Accept-Encoding", "")
        ):
            return super().send_head()
        try:
            data = compressed(path)
        except OSError:
            self.send_error(404, "File not found")
            return None
        self.send_response(200)
        self.send_header("Content-Type", self.guess_type(path))
        self.send_header("Content-Encoding", "gzip")
        self.send_header("Vary", "Accept-Encoding")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        return io.BytesIO(data)


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
