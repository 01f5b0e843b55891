#!/usr/bin/env python3
"""Scripted TLS 1.3 server for the TLS channel tests (Python's ssl module over OpenSSL).

Usage: tls_peer.py CERT KEY [CLIENT_CA]. Listens on 127.0.0.1 (port picked by the system), prints
"port N". With CLIENT_CA a client certificate is requested and must verify. Session tickets are on
(the default), so every connection starts with ticket records the client must read past. The
client's first line says what to do:
  SPLIT   answer an HTTP-like header whose pieces go out as separate TLS records, then a body
  WHO     answer the client certificate's common name (or "none") and a CR LF
  CLOSE   send "bye" CR LF, then the close-notify, then wait for the client to close
  ECHO    echo every line until the client closes
  LATE    wait a moment (the tickets reach the client alone), then send "late" CR LF
  TAIL    send "tail" without a line end, then close the TCP connection without a close-notify
"""
import socket
import ssl
import sys
import threading
import time


def serve(raw, context):
    try:
        conn = context.wrap_socket(raw, server_side=True)
    except (ssl.SSLError, OSError):
        raw.close()
        return
    try:
        f = conn.makefile("rb")
        line = f.readline().decode().strip()
        if line == "SPLIT":
            for piece in (b"HTTP/1.1 200 OK\r", b"\nContent-Length: 4\r\n", b"X-A: b\r\n\r", b"\nbody"):
                conn.sendall(piece)
                time.sleep(0.05)
        elif line == "WHO":
            cert = conn.getpeercert()
            name = "none"
            if cert:
                for rdn in cert.get("subject", ()):
                    for key, value in rdn:
                        if key == "commonName":
                            name = value
            conn.sendall(name.encode() + b"\r\n")
        elif line == "CLOSE":
            conn.sendall(b"bye\r\n")
            time.sleep(0.05)
            conn = conn.unwrap()
        elif line == "TAIL":
            conn.sendall(b"tail")
            time.sleep(0.05)
            raw.shutdown(socket.SHUT_RDWR)
            return
        elif line == "LATE":
            time.sleep(0.3)
            conn.sendall(b"late\r\n")
        elif line == "ECHO":
            while True:
                data = f.readline()
                if not data:
                    break
                conn.sendall(data)
        while conn.recv(4096):
            pass
    except (ssl.SSLError, OSError, ValueError):
        pass
    finally:
        conn.close()


def main():
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.minimum_version = ssl.TLSVersion.TLSv1_3
    context.load_cert_chain(sys.argv[1], sys.argv[2])
    if len(sys.argv) > 3:
        context.verify_mode = ssl.CERT_REQUIRED
        context.load_verify_locations(sys.argv[3])
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print("port %d" % listener.getsockname()[1], flush=True)

    def loop():
        while True:
            raw, _ = listener.accept()
            threading.Thread(target=serve, args=(raw, context), daemon=True).start()

    threading.Thread(target=loop, daemon=True).start()
    sys.stdin.read()


if __name__ == "__main__":
    main()
