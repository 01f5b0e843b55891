#!/usr/bin/env python3
"""Scripted SMTP server for the session tests.

usage: smtp_peer.py SCENARIO DIR
Prints "port N", serves until stdin closes. Every line received goes to DIR/wire.log (with the
connection number), every message to DIR/msg-N.eml. Recipients whose address holds "refuse" get
550, those holding "odd" get 251. Credentials: user "user", password "secret" unless the user name
is long (then the password is the user name reversed).
"""
import base64, hashlib, hmac, os, socket, sys, threading, time

scenario, folder = sys.argv[1], sys.argv[2]
lock = threading.Lock()
counter = {"conn": 0, "msg": 0}


def log(conn, text):
    with lock:
        with open(os.path.join(folder, "wire.log"), "ab") as f:
            f.write(b"%d %s\n" % (conn, text))


def password_for(user):
    return user[::-1] if len(user) > 100 else "secret"


def serve(sock):
    with lock:
        counter["conn"] += 1
        conn = counter["conn"]
    f = sock.makefile("rb")

    def send(text):
        data = text.encode()
        if scenario == "split":
            for i in range(0, len(data), 3):
                sock.sendall(data[i:i + 3])
                time.sleep(0.002)
        else:
            sock.sendall(data)

    def readline():
        line = f.readline()
        if line:
            log(conn, line.rstrip(b"\r\n"))
        return line

    if scenario in ("pop3", "imap"):
        send("+OK POP3 ready\r\n" if scenario == "pop3" else "* OK IMAP4 ready\r\n")
        n = 0
        while True:
            line = readline()
            if not line:
                return
            n += 1
            # Token round: a continuation with a token, then the verdict on the last token.
            if n == 1:
                send("+ " + base64.b64encode(b"server-token").decode() + "\r\n")
            elif line.strip() == base64.b64encode(b"final-good"):
                send("+OK logged in\r\n")
            else:
                send("-ERR denied\r\n")
    send("220 peer ready\r\n")
    while True:
        line = readline()
        if not line:
            return
        cmd = line.decode("latin-1").rstrip("\r\n")
        up = cmd.upper()
        if up.startswith("EHLO"):
            if scenario == "noehlo":
                send("502 no EHLO here\r\n")
                continue
            auth = {"digest": "250-AUTH DIGEST-MD5\r\n", "authequals": "250-AUTH=LOGIN PLAIN\r\n"}.get(
                scenario, "250-AUTH LOGIN PLAIN CRAM-MD5\r\n")
            if scenario == "plainonly":
                auth = "250-AUTH PLAIN\r\n"
            send("250-peer\r\n250-DSN\r\n" + auth + "250 SIZE 100000000\r\n")
        elif up.startswith("HELO"):
            send("250 peer\r\n")
        elif up == "AUTH LOGIN":
            send("334 VXNlcm5hbWU6\r\n")
            user = base64.b64decode(readline().strip()).decode()
            send("334 UGFzc3dvcmQ6\r\n")
            pw = base64.b64decode(readline().strip()).decode()
            send("235 ok\r\n" if pw == password_for(user) else "535 bad credentials\r\n")
        elif up.startswith("AUTH PLAIN "):
            parts = base64.b64decode(cmd[11:]).decode().split("\0")
            ok = len(parts) == 3 and parts[2] == password_for(parts[1])
            send("235 ok\r\n" if ok else "535 bad credentials\r\n")
        elif up == "AUTH CRAM-MD5":
            challenge = b"<12345.%d@peer>" % conn
            send("334 " + base64.b64encode(challenge).decode() + "\r\n")
            user, digest = base64.b64decode(readline().strip()).decode().rsplit(" ", 1)
            want = hmac.new(password_for(user).encode(), challenge, hashlib.md5).hexdigest()
            send("235 ok\r\n" if digest == want else "535 bad credentials\r\n")
        elif up.startswith("MAIL FROM:"):
            send("250 sender ok\r\n")
        elif up.startswith("RCPT TO:"):
            if "refuse" in cmd:
                send("550 no such user\r\n")
            elif "odd" in cmd:
                send("251 user not local; will forward\r\n")
            else:
                send("250 recipient ok\r\n")
        elif up == "DATA":
            send("354 go ahead\r\n")
            data = b""
            while True:
                l = f.readline()
                if not l:
                    return
                if scenario == "hangdata" and len(data) > 0:
                    time.sleep(30)
                    return
                if l == b".\r\n":
                    break
                data += l
            with lock:
                counter["msg"] += 1
                n = counter["msg"]
            with open(os.path.join(folder, "msg-%d.eml" % n), "wb") as out:
                out.write(data)
            send("250 queued\r\n")
        elif up == "RSET":
            send("250 reset\r\n")
        elif up == "QUIT":
            send("221 bye\r\n")
            return
        else:
            send("500 what\r\n")


def main():
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(16)
    print("port %d" % listener.getsockname()[1], flush=True)

    def accept():
        while True:
            s, _ = listener.accept()
            threading.Thread(target=lambda s=s: (serve(s), s.close()), daemon=True).start()

    threading.Thread(target=accept, daemon=True).start()
    sys.stdin.read()


main()
