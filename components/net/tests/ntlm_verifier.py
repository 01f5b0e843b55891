#!/usr/bin/env python3
"""NTLMv2 verifier: an independent server side of the NTLM exchange for the login tests.

Listens on 127.0.0.1 (port picked by the system), prints "port N". Per connection, a line protocol:
  client: NEGOTIATE <base64>      server: CHALLENGE <base64>
  client: AUTH <base64>           server: OK <user> <domain> | DENIED <reason>
Known accounts are fixed below. MD4 is written out here (OpenSSL 3 keeps it in its legacy
provider), HMAC-MD5 comes from the standard library.
"""
import base64
import hashlib
import hmac
import os
import socket
import struct
import sys
import threading
import time

ACCOUNTS = {("USER", "Domain"): "Password", ("JÜRGEN", "Ex"): "pässwörd"}


def md4(data):
    def rotl(x, s):
        return ((x << s) | (x >> (32 - s))) & 0xFFFFFFFF

    msg = bytearray(data) + b"\x80"
    while len(msg) % 64 != 56:
        msg += b"\0"
    msg += struct.pack("<Q", len(data) * 8)
    h = [0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476]
    for off in range(0, len(msg), 64):
        x = struct.unpack("<16I", msg[off:off + 64])
        a, b, c, d = h
        for i in range(16):
            f = (b & c) | (~b & d)
            a, b, c, d = d, rotl((a + f + x[i]) & 0xFFFFFFFF, [3, 7, 11, 19][i % 4]), b, c
        for i, k in enumerate([0, 4, 8, 12, 1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15]):
            g = (b & c) | (b & d) | (c & d)
            a, b, c, d = d, rotl((a + g + x[k] + 0x5A827999) & 0xFFFFFFFF, [3, 5, 9, 13][i % 4]), b, c
        for i, k in enumerate([0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15]):
            hh = b ^ c ^ d
            a, b, c, d = d, rotl((a + hh + x[k] + 0x6ED9EBA1) & 0xFFFFFFFF, [3, 9, 11, 15][i % 4]), b, c
        h = [(v + w) & 0xFFFFFFFF for v, w in zip(h, [a, b, c, d])]
    return struct.pack("<4I", *h)


assert md4(b"abc").hex() == "a448017aaf21d8525fc10ae87aa6729d"


def av_pair(av_id, value):
    return struct.pack("<HH", av_id, len(value)) + value


def field(msg, at):
    length, _, offset = struct.unpack("<HHI", msg[at:at + 8])
    if offset + length > len(msg):
        raise ValueError("field outside the message")
    return msg[offset:offset + length]


def verify(auth, server_challenge, target_info):
    if auth[:8] != b"NTLMSSP\0" or struct.unpack("<I", auth[8:12])[0] != 3:
        return "not an AUTHENTICATE message"
    nt = field(auth, 20)
    domain = field(auth, 28).decode("utf-16-le")
    user = field(auth, 36).decode("utf-16-le")
    password = ACCOUNTS.get((user.upper(), domain))
    if password is None:
        return "unknown account %s\\%s" % (domain, user)
    if len(nt) < 48:
        return "short NT response"
    proof, blob = nt[:16], nt[16:]
    if blob[:8] != b"\x01\x01\0\0\0\0\0\0" or target_info not in blob:
        return "client blob does not carry our target information"
    key = hmac.new(md4(password.encode("utf-16-le")), (user.upper() + domain).encode("utf-16-le"), "md5").digest()
    expected = hmac.new(key, server_challenge + blob, "md5").digest()
    if not hmac.compare_digest(proof, expected):
        return "wrong NT proof"
    return None


def serve(conn):
    f = conn.makefile("rwb")
    server_challenge = os.urandom(8)
    now = (int(time.time()) + 11644473600) * 10000000
    target_info = (av_pair(2, "Domain".encode("utf-16-le")) + av_pair(1, "Server".encode("utf-16-le"))
                   + av_pair(7, struct.pack("<Q", now)) + av_pair(0, b""))
    try:
        for line in f:
            verb, _, payload = line.decode().strip().partition(" ")
            data = base64.b64decode(payload)
            if verb == "NEGOTIATE":
                if data[:8] != b"NTLMSSP\0" or struct.unpack("<I", data[8:12])[0] != 1:
                    f.write(b"DENIED not a NEGOTIATE message\r\n")
                else:
                    name = "Server".encode("utf-16-le")
                    flags = 0x00000001 | 0x00000200 | 0x00800000 | 0x00080000
                    header = (b"NTLMSSP\0" + struct.pack("<I", 2) + struct.pack("<HHI", len(name), len(name), 48)
                              + struct.pack("<I", flags) + server_challenge + b"\0" * 8
                              + struct.pack("<HHI", len(target_info), len(target_info), 48 + len(name)))
                    f.write(b"CHALLENGE " + base64.b64encode(header + name + target_info) + b"\r\n")
            elif verb == "AUTH":
                try:
                    failure = verify(data, server_challenge, target_info)
                except (ValueError, UnicodeDecodeError, struct.error) as e:
                    failure = str(e)
                f.write(("DENIED %s\r\n" % failure if failure else "OK\r\n").encode())
            f.flush()
    except OSError:
        pass
    finally:
        conn.close()


def main():
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print("port %d" % listener.getsockname()[1], flush=True)

    def loop():
        while True:
            conn, _ = listener.accept()
            threading.Thread(target=serve, args=(conn,), daemon=True).start()

    threading.Thread(target=loop, daemon=True).start()
    sys.stdin.read()


if __name__ == "__main__":
    main()
