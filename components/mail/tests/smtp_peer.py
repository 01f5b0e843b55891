#!/usr/bin/env python3
"""Scripted SMTP server for the session tests.

usage: smtp_peer.py SCENARIO [CERT KEY] DIR
Prints "port N", serves until stdin closes. With a certificate and key, STARTTLS is offered (and
announced until the connection is protected). Every line received goes to DIR/wire.log (with the
connection number), every message to DIR/msg-N.eml. Recipients whose address holds "refuse" get
550, those holding "odd" get 251. Credentials: user "user", password "secret" unless the user name
is long (then the password is the user name reversed).
"""
import base64, hashlib, hmac, os, socket, ssl, struct, sys, threading, time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "net", "tests"))
import ntlm_verifier  # noqa: E402  the transport tests' independent NTLM server side

scenario, folder = sys.argv[1], sys.argv[-1]
tls_files = sys.argv[2:4] if len(sys.argv) > 3 else None
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
    starttls_seen = [0]
    in_tls = [False]

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

    if scenario in ("pop3", "pop3deny", "imap"):
        send("* OK IMAP4 ready\r\n" if scenario == "imap" else "+OK POP3 ready\r\n")
        n = 0
        while True:
            line = readline()
            if not line:
                return
            n += 1
            # Token round: a continuation with a token, then the verdict on the last token.
            if n == 1 and scenario == "pop3deny":
                send("-ERR no SPA here\r\n")
            elif n == 1:
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
            if scenario in ("noehlo", "nohelo"):
                send("502 no EHLO here\r\n")
                continue
            auth = {"digest": "250-AUTH DIGEST-MD5\r\n", "authequals": "250-AUTH=LOGIN PLAIN\r\n",
                    "ntlm": "250-AUTH NTLM PLAIN\r\n", "msn": "250-AUTH MSN\r\n"}.get(
                scenario, "250-AUTH LOGIN PLAIN CRAM-MD5\r\n")
            if scenario == "plainonly":
                auth = "250-AUTH PLAIN\r\n"
            offer = "250-STARTTLS\r\n" if tls_files and not in_tls[0] else ""
            send("250-peer\r\n250-DSN\r\n" + offer + auth + "250 SIZE 100000000\r\n")
        elif up == "STARTTLS" and tls_files:
            starttls_seen[0] += 1
            if scenario == "starttls503" and starttls_seen[0] == 1:
                send("503 EHLO first\r\n")
                continue
            send("220 go ahead\r\n")
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(tls_files[0], tls_files[1])
            try:
                sock = context.wrap_socket(sock, server_side=True)
            except (ssl.SSLError, OSError) as e:
                log(conn, b"(TLS refused: %s)" % str(e).encode())
                return
            in_tls[0] = True
            f = sock.makefile("rb")
            log(conn, b"(TLS)")
        elif up == "AUTH NTLM":
            send("334 \r\n")
            negotiate = base64.b64decode(readline().strip())
            if negotiate[:8] != b"NTLMSSP\0" or struct.unpack("<I", negotiate[8:12])[0] != 1:
                send("535 not a NEGOTIATE message\r\n")
                continue
            challenge = os.urandom(8)
            now = (int(time.time()) + 11644473600) * 10000000
            av = ntlm_verifier.av_pair
            target = (av(2, "Domain".encode("utf-16-le")) + av(1, "Server".encode("utf-16-le"))
                      + av(7, struct.pack("<Q", now)) + av(0, b""))
            name = "Server".encode("utf-16-le")
            header = (b"NTLMSSP\0" + struct.pack("<I", 2) + struct.pack("<HHI", len(name), len(name), 48)
                      + struct.pack("<I", 0x00880201) + challenge + b"\0" * 8
                      + struct.pack("<HHI", len(target), len(target), 48 + len(name)))
            send("334 " + base64.b64encode(header + name + target).decode() + "\r\n")
            try:
                failure = ntlm_verifier.verify(base64.b64decode(readline().strip()), challenge, target)
            except (ValueError, UnicodeDecodeError, struct.error) as e:
                failure = str(e)
            send("235 ok\r\n" if not failure else "535 %s\r\n" % failure)
        elif up.startswith("HELO"):
            # "nohelo" only takes its own name (the address it was reached at).
            ok = scenario != "nohelo" or cmd[5:] == "127.0.0.1"
            send("250 peer\r\n" if ok else "501 say my name\r\n")
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
            # A server announcing only DIGEST-MD5 wants a login before mail.
            send("530 authentication required\r\n" if scenario == "digest" else "250 sender ok\r\n")
        elif up.startswith("RCPT TO:"):
            if "refuse" in cmd:
                send("550 no such user\r\n")
            elif "odd" in cmd:
                send("251 user not local; will forward\r\n")
            else:
                send("250 recipient ok\r\n")
        elif up == "DATA" and scenario == "refusedata":
            send("554 no valid recipients\r\n")
        elif up == "DATA":
            send("354 go ahead\r\n")
            data = bytearray()
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
            send("554 message rejected\r\n" if scenario == "refusebody" else "250 queued\r\n")
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
