#!/usr/bin/env python3
"""Loopback HTTP peer for the client tests: an upload endpoint that parses multipart bodies with
Python's own e-mail parser, and scripted misbehaving answers. Prints its port, then serves."""
import base64
import email.parser
import gzip
import email.policy
import json
import socketserver
import sys
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer


counter = 0


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def raw(self, data):
        self.wfile.write(data)
        self.wfile.flush()
        self.close_connection = True

    def reply(self, status, body, ctype="application/json", extra=()):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        p = self.path
        peer = self.client_address[1]
        if p.startswith("/echo"):
            self.reply(200, json.dumps({"path": p, "peer": peer,
                                        "headers": dict(self.headers.items())}).encode())
        elif p.startswith("/count"):
            global counter
            counter += 1
            self.reply(200, b"count %d" % counter, "text/plain", [("Cache-Control", "max-age=3600")])
        elif p == "/nocache":
            self.reply(200, b"not for keeping", "text/plain", [("Cache-Control", "no-cache")])
        elif p == "/to-other":
            port = self.server.server_address[1]
            self.reply(302, b"", "text/plain", [("Location", "http://localhost:%d/echo?other" % port)])
        elif p == "/to-same":
            self.reply(302, b"", "text/plain", [("Location", "/echo?same")])
        elif p == "/ntlm":
            auth = self.headers.get("Authorization", "")
            token = base64.b64decode(auth[5:]) if auth.startswith("NTLM ") else b""
            if token == b"final":
                self.reply(200, b"welcome", "text/plain")
            else:
                answer = base64.b64encode(b"challenge for " + token).decode()
                self.reply(401, b"", "text/plain", [("WWW-Authenticate", "NTLM " + answer)])
        elif p == "/garbage":
            self.raw(b"NOT HTTP AT ALL\r\n\r\n")
        elif p == "/close":
            self.reply(200, b"bye", "text/plain", [("Connection", "close")])
            self.close_connection = True
        elif p == "/chunked":
            self.raw(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                     b"5;ext=1\r\nhello\r\n6\r\n world\r\n0\r\nX-T: 1\r\n\r\n")
            self.close_connection = False
        elif p == "/latin1":
            self.reply(200, b"caf\xe9\x00tail", "text/plain")
        elif p == "/cp1251":
            self.reply(200, "привет".encode("cp1251"), "text/plain; charset=windows-1251")
        elif p == "/utf8":
            self.reply(200, "café".encode(), "text/plain; charset=utf-8")
        elif p == "/404len":
            self.reply(404, b"not here!", "text/plain")
        elif p == "/404nolen":
            self.raw(b"HTTP/1.1 404 Not Found\r\nConnection: close\r\n\r\n")
        elif p == "/toclose":
            self.raw(b"HTTP/1.1 200 OK\r\n\r\nuntil the end")
        elif p == "/lying":
            self.raw(b"HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\nshort")
        elif p == "/big":
            self.reply(200, b"x" * 5000, "text/plain")
        elif p == "/endless-chunked":
            self.wfile.write(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n")
            try:
                while True:
                    self.wfile.write(b"1000\r\n" + b"z" * 4096 + b"\r\n")
            except OSError:
                pass
            self.close_connection = True
        elif p == "/huge-chunk":
            self.raw(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10000000000000000\r\nab")
        elif p == "/huge-chunk2":
            self.raw(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nFFFFFFFFFFFFFFFF\r\nab")
        elif p.startswith("/gzip"):
            packed = gzip.compress(b"unpacked text " * 1000)
            if p == "/gzip-badcrc":
                packed = packed[:-8] + bytes([packed[-8] ^ 1]) + packed[-7:]
            elif p == "/gzip-isize":
                packed = packed[:-4] + b"\xff\xff\xff\xff"
            elif p == "/gzip-bomb":
                packed = gzip.compress(b"\0" * (4 << 20))
            encoding = b"" if p == "/gzip-plain" else b"Content-Encoding: gzip\r\n"
            chunks = b"".join(b"%x\r\n%s\r\n" % (len(packed[i:i + 700]), packed[i:i + 700])
                              for i in range(0, len(packed), 700))
            self.raw(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n" + encoding +
                     b"\r\n" + chunks + b"0\r\n\r\n")
            self.close_connection = False
        elif p == "/nostatus":
            self.raw(b"<html><body>no status line</body></html>\r\n\r\n")
        elif p == "/endless-header":
            try:
                self.wfile.write(b"HTTP/1.1 200 OK\r\n")
                while True:
                    self.wfile.write(b"X-Filler: " + b"f" * 1000 + b"\r\n")
            except OSError:
                pass
            self.close_connection = True
        elif p == "/nocontent":
            # Fields a body would have: a 204 has none whatever they say.
            self.raw(b"HTTP/1.1 204 No Content\r\nContent-Type: text/plain\r\n\r\n")
            self.close_connection = False
        elif p == "/notmodified":
            self.raw(b"HTTP/1.1 304 Not Modified\r\nETag: \"v1\"\r\nContent-Length: 5000\r\n\r\n")
            self.close_connection = False
        elif p == "/hints":
            self.raw(b"HTTP/1.1 103 Early Hints\r\nLink: </style.css>; rel=preload\r\n\r\n"
                     b"HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nfinal")
            self.close_connection = False
        elif p == "/oversize":
            # A length beyond the default limit (and beyond 32 bits), then far fewer bytes.
            self.raw(b"HTTP/1.1 200 OK\r\nContent-Length: 5000000000\r\n\r\nshort")
        elif p == "/continue":
            self.raw(b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok")
        else:
            self.reply(404, b"unknown", "text/plain")

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        body = self.rfile.read(length)
        if self.path == "/sink":
            self.reply(200, str(len(body)).encode(), "text/plain")
            return
        head = ("Content-Type: %s\r\n\r\n" % self.headers.get("Content-Type", "")).encode()
        msg = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(head + body)
        fields, files = {}, {}
        if msg.is_multipart():
            for part in msg.iter_parts():
                name = part.get_param("name", header="content-disposition")
                data = part.get_payload(decode=True)
                fname = part.get_filename()
                if fname is None:
                    fields[name] = data.decode("utf-8")
                else:
                    files[name] = {"filename": fname, "hex": data.hex(),
                                   "type": part.get_content_type()}
        self.reply(200, json.dumps({"fields": fields, "files": files,
                                    "multipart": msg.is_multipart()}, ensure_ascii=False).encode())


def main():
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
