#!/usr/bin/env python3
"""A small local image host for trying Pictoferry's sample profile "pictoferry.test".

It listens on 127.0.0.1:8089 (or the port given as the first argument), accepts the profile's
multipart upload on POST /upload, keeps the picture in memory and answers with a page that carries
the image link and the preview link; GET /i/<n>.<ext> serves the picture back. Every reply closes the
connection, as the program expects. Stop it with Ctrl+C.
"""
import http.server
import sys

PICTURES = {}


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.0"

    def do_POST(self):
        if self.path != "/upload":
            self.send_error(404)
            return
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        picture, extension = self.picture_from(body)
        if picture is None:
            self.reply(400, b"<html><body>No picture in the request</body></html>", "text/html")
            return
        name = "%d.%s" % (len(PICTURES) + 1, extension)
        PICTURES[name] = picture
        host = "127.0.0.1:%d" % self.server.server_address[1]
        page = (
            '<html><body><p>Picture stored.</p>\n'
            '<p><a id="image" href="http://%s/i/%s">image</a></p>\n'
            '<p><a id="preview" href="http://%s/i/%s">preview</a></p>\n'
            '</body></html>\n' % (host, name, host, name)
        )
        self.reply(200, page.encode(), "text/html; charset=utf-8")

    def do_GET(self):
        name = self.path[len("/i/"):] if self.path.startswith("/i/") else None
        if name not in PICTURES:
            self.send_error(404)
            return
        types = {"jpg": "image/jpeg", "gif": "image/gif", "png": "image/png"}
        self.reply(200, PICTURES[name], types.get(name.rsplit(".", 1)[-1], "application/octet-stream"))

    def reply(self, code, body, content_type):
        self.send_response(code)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)

    @staticmethod
    def picture_from(body):
        head_end = body.find(b"\r\n\r\n")
        if head_end < 0:
            return None, None
        head = body[:head_end].decode("latin-1")
        extension = "jpg"
        for kind, ext in (("image/gif", "gif"), ("image/png", "png")):
            if kind in head:
                extension = ext
        data = body[head_end + 4:]
        closing = data.rfind(b"\r\n--")
        if closing >= 0:
            data = data[:closing]
        return data, extension


def main():
    port = int(sys.argv[1]) if len(sys.argv) > 1 else 8089
    server = http.server.HTTPServer(("127.0.0.1", port), Handler)
    print("Pictoferry test server on http://127.0.0.1:%d/ (Ctrl+C stops it)" % port)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
