#!/usr/bin/env python3
"""aiosmtpd server with AUTH LOGIN and PLAIN (user "user", password "secret") that keeps messages.
Recipients whose address holds "refuse" get 550, those holding "odd" get 251.

usage: aiosmtpd_peer.py DIR. Prints "port N", serves until stdin closes. Messages go to
DIR/msg-N.eml; envelope and commands seen to DIR/wire.log.
"""
import os, socket, sys

try:
    from aiosmtpd.controller import Controller
    from aiosmtpd.smtp import AuthResult
except ImportError:
    print("port 0", flush=True)
    sys.exit(0)

folder = sys.argv[1]
count = [0]


def wire(text):
    with open(os.path.join(folder, "wire.log"), "a") as f:
        f.write(text + "\n")


class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        # Addresses holding "refuse" are unknown; those holding "odd" get 251 (forwarded).
        if "refuse" in address:
            return "550 no such user"
        envelope.rcpt_tos.append(address)
        return "251 user not local; will forward" if "odd" in address else "250 OK"

    async def handle_RSET(self, server, session, envelope):
        wire("RSET")
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        count[0] += 1
        wire("MAIL FROM:%s RCPT:%s" % (envelope.mail_from, ",".join(envelope.rcpt_tos)))
        with open(os.path.join(folder, "msg-%d.eml" % count[0]), "wb") as f:
            f.write(envelope.original_content)
        return "250 Message accepted"


def authenticator(server, session, envelope, mechanism, auth_data):
    ok = auth_data.login == b"user" and auth_data.password == b"secret"
    wire("AUTH %s %s" % (mechanism, "ok" if ok else "refused"))
    # Not "handled": aiosmtpd then answers a refused login itself instead of leaving the client waiting.
    return AuthResult(success=ok, handled=False)


s = socket.socket()
s.bind(("127.0.0.1", 0))
port = s.getsockname()[1]
s.close()
controller = Controller(Handler(), hostname="127.0.0.1", port=port, authenticator=authenticator,
                        auth_require_tls=False, auth_required=False)
controller.start()
print("port %d" % port, flush=True)
sys.stdin.read()
controller.stop()
