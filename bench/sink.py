#!/usr/bin/env python3
"""The benchmark's upload sink: an HTTP/1.0 server on 127.0.0.1 that reads each request body in chunks and
throws it away (its own memory stays flat), then answers with a page that carries an image link and a
preview link, as the profile written by bench.py expects. Prints its port on the first line."""
import http.server
import sys


class Sink(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def do_POST(self):
        left = int(self.headers.get("Content-Length", "0"))
        while left > 0:
            chunk = self.rfile.read(min(left, 1 << 20))
            if not chunk:
                break
            left -= len(chunk)
        page = (b'<html><body><a id="image" href="http://127.0.0.1/i/1.jpg">i</a>'
                b'<a id="preview" href="http://127.0.0.1/t/1.jpg">t</a></body></html>\n')
        self.send_response(200)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(page)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(page)

    def log_message(self, *args):
        pass


def main():
    server = http.server.HTTPServer(("127.0.0.1", 0), Sink)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
