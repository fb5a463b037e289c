#!/usr/bin/env python3
"""Local HTTP and HTTPS server for the network tests. Listens on 127.0.0.1 only.

Usage: test_server.py [CERT KEY]
Prints "HTTP <port>" (and "HTTPS <port>" when a certificate is given) on stdout once listening,
then serves until stdin closes or the process is killed.
"""
import gzip
import http.server
import socket
import socketserver
import ssl
import sys
import threading
import time
import urllib.parse
import zlib

PLAYLIST = "#EXTM3U\r\n#EXTINF:-1,Café Télé\r\nhttp://127.0.0.1/stream\r\n".encode("utf-8")
REDIRECT_CODES = {300, 301, 302, 303, 304, 305, 306, 307, 308}


# The header block of the last /media request, for tests of what a player sent.
last_media_headers = b""


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def send_body(self, code, body, headers=()):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        if code not in (204, 304):
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if code not in (204, 304):
            self.wfile.write(body)

    def do_GET(self):
        global last_media_headers, live_generation, live_down_until
        url = urllib.parse.urlsplit(self.path)
        parts = [p for p in url.path.split("/") if p]
        query = dict(urllib.parse.parse_qsl(url.query))
        head = parts[0] if parts else ""

        if head == "status":
            # /status/<code>
            code = int(parts[1])
            self.send_body(code, b"" if code == 204 else ("status %d" % code).encode())
        elif head == "redirect":
            # /redirect/<code>/<hops left>: a relative Location, so the client must resolve it.
            code, left = int(parts[1]), int(parts[2])
            if left > 0:
                self.send_body(code, b"moved", [("Location", "/redirect/%d/%d" % (code, left - 1))])
            else:
                self.send_body(200, ("arrived by " + self.command).encode())
        elif head == "redirect-to":
            # /redirect-to?code=..&location=..
            self.send_body(int(query.get("code", "302")), b"moved", [("Location", query["location"])])
        elif head == "set-cookie":
            self.send_body(302, b"moved", [("Set-Cookie", "session=abc; Path=/"), ("Location", "/headers")])
        elif head == "headers":
            # The request's header block exactly as received.
            self.send_body(200, bytes(self.headers), [("Content-Type", "text/plain")])
        elif head == "encoded":
            # /encoded/<how>?coding=<Content-Encoding value>
            how = parts[1]
            if how == "gzip":
                data = gzip.compress(PLAYLIST)
            elif how == "zlib":
                data = zlib.compress(PLAYLIST)
            elif how == "corrupt-gzip":
                # A whole gzip member whose checksum does not match its data.
                data = bytearray(gzip.compress(PLAYLIST))
                data[-8] ^= 0xFF
                data = bytes(data)
            else:  # raw deflate, as some servers send for "deflate"
                compressor = zlib.compressobj(wbits=-15)
                data = compressor.compress(PLAYLIST) + compressor.flush()
            self.send_body(200, data, [("Content-Encoding", query["coding"])])
        elif head == "bytes":
            # /bytes/<hex>: exactly these bytes, declared as UTF-8.
            self.send_body(200, bytes.fromhex(parts[1]) if len(parts) > 1 else b"",
                           [("Content-Type", "audio/x-mpegurl; charset=utf-8")])
        elif head == "slow":
            # /slow?bytes=N&ms=T: N bytes dribbled evenly over T milliseconds.
            total = int(query.get("bytes", "10000"))
            duration = int(query.get("ms", "1000")) / 1000.0
            chunk = max(1, min(65536, total // 50 or 1))
            self.send_response(200)
            self.send_header("Content-Length", str(total))
            self.end_headers()
            sent, start = 0, time.monotonic()
            # ?pattern=... repeats that text instead of "x", e.g. comment lines.
            pattern = query.get("pattern", "x").encode()
            block = (pattern * (chunk // len(pattern) + 1))[:chunk]
            while sent < total:
                n = min(chunk, total - sent)
                self.wfile.write(block[:n])
                self.wfile.flush()
                sent += n
                due = start + duration * sent / total
                pause = due - time.monotonic()
                if pause > 0:
                    time.sleep(pause)
        elif head == "close-mid-body":
            # Promises 100000 bytes, sends a few and drops the connection.
            self.send_response(200)
            self.send_header("Content-Length", "100000")
            self.end_headers()
            self.wfile.write(b"#EXTM3U\r\n#EXTINF:-1,Cut\r\nudp://cut")
            self.wfile.flush()
            self.close_connection = True
            self.connection.shutdown(socket.SHUT_RDWR)
        elif head == "redirect-loop":
            # Sends the client back to the same address for ever.
            self.send_body(302, b"moved", [("Location", self.path)])
        elif head == "file":
            # /file?path=<local path>: a file of the test's own, for benchmarks of large bodies.
            with open(query["path"], "rb") as f:
                self.send_body(200, f.read(), [("Content-Type", "audio/x-mpegurl")])
        elif head == "endless":
            # A live stream: no length, data until the client hangs up.
            self.send_response(200)
            self.send_header("Content-Type", "video/mp2t")
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            block = b"\x47" + b"\xff" * 187
            try:
                while True:
                    self.wfile.write(block * 64)
            except (BrokenPipeError, ConnectionResetError):
                pass
        elif head == "live":
            # /live?path=<MPEG-TS file>&rate=<bytes per second>: the file over and over at about
            # that rate, as a live channel sends it, until /drop cuts it.
            if time.monotonic() < live_down_until:
                self.send_body(503, b"down")
                return
            with open(query["path"], "rb") as f:
                body = f.read()
            rate = int(query.get("rate", "40000"))
            self.send_response(200)
            self.send_header("Content-Type", "video/mp2t")
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            generation = live_generation
            chunk = 188 * 20
            started = time.monotonic()
            sent = 0
            try:
                while generation == live_generation:
                    offset = sent % len(body)
                    piece = body[offset:offset + chunk]
                    self.wfile.write(piece)
                    sent += len(piece)
                    ahead = sent / rate - (time.monotonic() - started)
                    if ahead > 0:
                        time.sleep(ahead)
            except (BrokenPipeError, ConnectionResetError):
                pass
        elif head == "drop":
            # /drop?seconds=N: every live stream ends now, and new ones are refused for N seconds.
            live_generation += 1
            live_down_until = time.monotonic() + float(query.get("seconds", "0"))
            self.send_body(200, b"dropped")
        elif head == "media":
            # /media?path=<local file>: the file, noting the request's headers for /last-media-headers.
            last_media_headers = bytes(self.headers)
            with open(query["path"], "rb") as f:
                self.send_body(200, f.read(), [("Content-Type", "video/mp4")])
        elif head == "last-media-headers":
            self.send_body(200, last_media_headers, [("Content-Type", "text/plain")])
        elif head == "silent":
            # Accepts the request and never answers: only the client's time-out ends it.
            time.sleep(float(query.get("seconds", "10")))
        else:
            self.send_body(404, b"not found")

    def do_POST(self):
        self.send_body(405, b"only GET here")

    do_PUT = do_POST


live_generation = 0
live_down_until = 0.0


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
    allow_reuse_address = True


def serve(server):
    threading.Thread(target=server.serve_forever, daemon=True).start()


def main():
    http_server = Server(("127.0.0.1", 0), Handler)
    serve(http_server)
    print("HTTP %d" % http_server.server_address[1])
    if len(sys.argv) == 3:
        https_server = Server(("127.0.0.1", 0), Handler)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(sys.argv[1], sys.argv[2])
        https_server.socket = context.wrap_socket(https_server.socket, server_side=True)
        serve(https_server)
        print("HTTPS %d" % https_server.server_address[1])
    print("READY", flush=True)
    # Ends with the test process: its end of stdin closes.
    sys.stdin.read()


if __name__ == "__main__":
    main()
