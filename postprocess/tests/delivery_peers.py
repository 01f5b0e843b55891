#!/usr/bin/env python3
"""An SMTP server (aiosmtpd) and an FTP server (pyftpdlib) on 127.0.0.1 for the delivery tests.

usage: delivery_peers.py DIR. Prints "port SMTP" and "ftp FTP" (two lines) once both listen and
serves until stdin closes.

SMTP: AUTH PLAIN/LOGIN for user "mailer", password "secret" (not required). A recipient whose
address starts with "refuse" gets 550. Each message goes to DIR/mail/msg-N.eml; its envelope and
the AUTH results to DIR/mail/wire.log.

FTP: user "uploader", password "secret", home DIR/ftp (full rights). Commands to DIR/ftp.log.
"""
import logging, os, socket, sys, threading

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

folder = sys.argv[1]
mail = os.path.join(folder, "mail")
home = os.path.join(folder, "ftp")
os.makedirs(mail, exist_ok=True)
os.makedirs(home, exist_ok=True)
count = [0]


def wire(text):
    with open(os.path.join(mail, "wire.log"), "a") as f:
        f.write(text + "\n")


class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if address.startswith("refuse"):
            wire("RCPT %s refused" % address)
            return "550 5.1.1 Mailbox unavailable"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        count[0] += 1
        wire("MESSAGE %d FROM:%s TO:%s" % (count[0], envelope.mail_from, ",".join(envelope.rcpt_tos)))
        path = os.path.join(mail, "msg-%d.eml" % count[0])
        with open(path + ".part", "wb") as f:
            f.write(envelope.original_content)
        os.rename(path + ".part", path)
        return "250 Message accepted"


def authenticator(server, session, envelope, mechanism, auth_data):
    ok = auth_data.login == b"mailer" and auth_data.password == b"secret"
    wire("AUTH %s %s" % (mechanism, "ok" if ok else "refused"))
    # Not "handled": the server then answers a refusal with 535 itself.
    return AuthResult(success=ok, handled=False)


def free_port():
    s = socket.socket()
    s.bind(("127.0.0.1", 0))
    port = s.getsockname()[1]
    s.close()
    return port


smtp_port = free_port()
controller = Controller(Handler(), hostname="127.0.0.1", port=smtp_port, authenticator=authenticator,
                        auth_require_tls=False, auth_required=False)
controller.start()

logging.basicConfig(filename=os.path.join(folder, "ftp.log"), level=logging.INFO)
authorizer = DummyAuthorizer()
authorizer.add_user("uploader", "secret", home, perm="elradfmwMT")
handler = FTPHandler
handler.authorizer = authorizer
handler.masquerade_address = "127.0.0.1"
# A refused login is answered at once (the default waits three seconds).
handler.auth_failed_timeout = 0.05
ftp = FTPServer(("127.0.0.1", 0), handler)
ftp_port = ftp.socket.getsockname()[1]
threading.Thread(target=ftp.serve_forever, kwargs={"timeout": 0.2}, daemon=True).start()

print("port %d\nftp %d" % (smtp_port, ftp_port), flush=True)
sys.stdin.read()
ftp.close_all()
controller.stop()
