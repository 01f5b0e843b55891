#!/usr/bin/env python3
"""A tiny HTTP proxy for the client tests: CONNECT tunnels and absolute-URL GETs in clear. Writes
each request line it gets to the file named by its argument, prints its port, then serves."""
import socket
import socketserver
import sys
import threading
from urllib.parse import urlsplit

LOG = sys.argv[1]
lock = threading.Lock()


def note(line):
    with lock:
        with open(LOG, "a") as f:
            f.write(line + "\n")


def pipe(src, dst):
    try:
        while True:
            data = src.recv(65536)
            if not data:
                break
            dst.sendall(data)
    except OSError:
        pass
    finally:
        try:
            dst.shutdown(socket.SHUT_WR)
        except OSError:
            pass


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        head = b""
        while b"\r\n\r\n" not in head and len(head) < 65536:
            data = conn.recv(4096)
            if not data:
                return
            head += data
        head, rest = head.split(b"\r\n\r\n", 1)
        lines = head.decode("latin-1").split("\r\n")
        note(lines[0])
        method, target, _ = lines[0].split(" ", 2)
        if method == "CONNECT":
            host, port = target.rsplit(":", 1)
            if host not in ("localhost", "127.0.0.1"):
                conn.sendall(b"HTTP/1.1 403 Forbidden\r\nContent-Length: 0\r\n\r\n")
                return
            upstream = socket.create_connection(("127.0.0.1", int(port)))
            conn.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
            if rest:
                upstream.sendall(rest)
        else:
            url = urlsplit(target)
            upstream = socket.create_connection(("127.0.0.1", url.port or 80))
            path = url.path + ("?" + url.query if url.query else "")
            fields = [l for l in lines[1:] if not l.lower().startswith(("connection:", "proxy-"))]
            upstream.sendall(("%s %s HTTP/1.1\r\n" % (method, path) + "\r\n".join(fields) +
                              "\r\nConnection: close\r\n\r\n").encode("latin-1") + rest)
        t = threading.Thread(target=pipe, args=(upstream, conn), daemon=True)
        t.start()
        pipe(conn, upstream)
        t.join()
        upstream.close()


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    server = Server(("127.0.0.1", 0), Handler)
    print(server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
