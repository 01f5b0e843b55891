#!/usr/bin/env python3
"""Scripted TCP peer for the transport tests.

Listens on 127.0.0.1 (port picked by the system), prints "port N" and serves each connection in a
thread. The client's first line (ending in LF) says what to do:
  SEND <hex> <hex> ...   send each segment separately (Nagle off, a pause between them), then wait
                         for the client to close
  SENDCLOSE <hex> ...    the same, then close
  ENDLESS                send 'x' bytes until the client goes away
  SILENT                 send nothing, wait until the client closes
  COUNT <n>              read n bytes, answer "got <n> <md5 hex>\r\n"
  STALL                  read nothing at all (the client's sends fill the buffers)
  EARLY                  answer "413 too large" at once, then read until the client closes
  CONNECT ...            act as a proxy that refuses the tunnel (407) and close
Stops when stdin closes.
"""
import hashlib
import socket
import sys
import threading
import time


def read_line(conn):
    line = b""
    while not line.endswith(b"\n"):
        chunk = conn.recv(1)
        if not chunk:
            return None
        line += chunk
    return line.decode().strip()


def drain_until_closed(conn):
    try:
        while conn.recv(65536):
            pass
    except OSError:
        pass


def serve(conn):
    conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    try:
        line = read_line(conn)
        if line is None:
            return
        words = line.split()
        verb, args = words[0], words[1:]
        if verb in ("SEND", "SENDCLOSE"):
            for i, segment in enumerate(args):
                if i:
                    time.sleep(0.05)
                conn.sendall(bytes.fromhex(segment))
            if verb == "SEND":
                drain_until_closed(conn)
        elif verb == "ENDLESS":
            block = b"x" * 65536
            while True:
                conn.sendall(block)
        elif verb == "SILENT":
            drain_until_closed(conn)
        elif verb == "COUNT":
            wanted = int(args[0])
            digest = hashlib.md5()
            got = 0
            while got < wanted:
                chunk = conn.recv(min(65536, wanted - got))
                if not chunk:
                    break
                digest.update(chunk)
                got += len(chunk)
            conn.sendall(("got %d %s\r\n" % (got, digest.hexdigest())).encode())
            drain_until_closed(conn)
        elif verb == "EARLY":
            conn.sendall(b"HTTP/1.1 413 Too Large\r\n\r\n")
            time.sleep(0.2)
            drain_until_closed(conn)
        elif verb == "CONNECT":
            while read_line(conn):
                pass
            conn.sendall(b"HTTP/1.0 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n")
        elif verb == "STALL":
            while conn.fileno() >= 0:
                time.sleep(0.2)
                try:
                    if conn.recv(1, socket.MSG_PEEK | socket.MSG_DONTWAIT) == b"":
                        break
                except BlockingIOError:
                    pass
    except OSError:
        pass
    finally:
        conn.close()


def main():
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.bind(("127.0.0.1", 0))
    listener.listen(64)
    print("port %d" % listener.getsockname()[1], flush=True)

    def accept_loop():
        while True:
            conn, _ = listener.accept()
            threading.Thread(target=serve, args=(conn,), daemon=True).start()

    threading.Thread(target=accept_loop, daemon=True).start()
    sys.stdin.read()


if __name__ == "__main__":
    main()
