#!/usr/bin/env python3
"""A stand-in of the photo-sharing service's REST interface for the tests, on 127.0.0.1 only.

Checks every call's "api_sig" with its own computation (MD5 of the secret and the fields sorted by
name, A-Z folded to a-z, equal names in the order sent), hands out frobs, approves a frob when its
authorization address is fetched, gives a token for an approved frob, takes uploads, and answers
with scripted failures when told to. Prints "port N" on the first line of its output, then serves.

Control (not logged):
  GET /_control/script?upload=ok,refuse,500&rest=404&frob=TEXT&fullname=TEXT
      upload: the outcome of each coming upload in turn (ok, refuse = status 200 with
              stat="fail", 500 = HTTP 500); afterwards uploads succeed.
      rest:   the outcome of the coming REST calls in turn (404, 500, nofrob = an "ok" reply
              without the value, ok = the normal answer).
      frob:   the frob the next getFrob hands out. fullname: the user's full name in tokens.
  GET /_control/reset
      forgets the requests so far and every script (frobs and tokens stay valid).
  GET /_control/requests
      every request so far, one block each:
        request <verb> <path> sig=<ok|bad|none> status=<code>
        target <the request target as sent>
        param <name> <value>          (in the order sent)
        file <field> <size> <sha1> <file name>
        end
      values with "\\", CR and LF escaped as "\\\\", "\\r", "\\n".
"""
import argparse
import email.parser
import email.policy
import hashlib
import sys
import threading
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

FOLD = str.maketrans("ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz")


class Service:
    def __init__(self, key, secret, tokens):
        self.key = key
        self.secret = secret
        self.lock = threading.Lock()
        self.log = []
        self.upload_script = []
        self.rest_script = []
        self.next_frob = None
        self.fullname = "Test User"
        self.frobs = {}  # frob -> approved
        self.tokens = set(tokens)
        self.count = 0

    def signature(self, params):
        fields = sorted((p for p in params if p[0] != "api_sig"), key=lambda p: p[0].translate(FOLD))
        text = self.secret + "".join(name + value for name, value in fields)
        return hashlib.md5(text.encode("utf-8")).hexdigest().upper()

    def check(self, params):
        sent = [v for n, v in params if n == "api_sig"]
        if not sent:
            return "none"
        return "ok" if len(sent) == 1 and sent[0] == self.signature(params) else "bad"


def escape(text):
    return text.replace("\\", "\\\\").replace("\r", "\\r").replace("\n", "\\n")


def rsp_ok(inner):
    return '<?xml version="1.0" encoding="utf-8" ?>\n<rsp stat="ok">\n%s\n</rsp>\n' % inner


def rsp_fail(code, msg):
    return '<?xml version="1.0" encoding="utf-8" ?>\n<rsp stat="fail">\n\t<err code="%d" msg="%s" />\n</rsp>\n' % (code, msg)


def xml_attr(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;"))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    service = None

    def log_message(self, *args):
        pass

    # The answer is only kept here: a request is logged before its answer goes out, so that a
    # test that has its answer always finds it in the log.
    def reply(self, status, text, ctype="text/xml; charset=utf-8"):
        self.pending = (status, text, ctype)
        return status

    def flush(self):
        status, text, ctype = self.pending
        body = text.encode("utf-8")
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.close_connection = True

    def record(self, verb, path, params, files, sig, status):
        with self.service.lock:
            self.service.log.append((verb, path, self.path, params, files, sig, status))

    def do_GET(self):
        path, _, query = self.path.partition("?")
        params = urllib.parse.parse_qsl(query, keep_blank_values=True)
        if path == "/_control/script":
            self.control_script(dict(params))
            return self.flush()
        if path == "/_control/reset":
            with self.service.lock:
                self.service.log = []
                self.service.upload_script = []
                self.service.rest_script = []
                self.service.next_frob = None
                self.service.fullname = "Test User"
            self.reply(200, "reset", "text/plain")
            return self.flush()
        if path == "/_control/requests":
            self.reply(200, self.requests_text(), "text/plain; charset=utf-8")
            return self.flush()
        sig = self.service.check(params)
        if path == "/services/rest/":
            status = self.rest(params, sig)
        elif path == "/services/auth/":
            status = self.authorize(params, sig)
        else:
            status = self.reply(404, "no such page")
        self.record("GET", path, params, [], sig, status)
        self.flush()

    def do_POST(self):
        length = int(self.headers.get("Content-Length", "0"))
        data = self.rfile.read(length)
        path = self.path.partition("?")[0]
        params, files = [], []
        ctype = self.headers.get("Content-Type", "")
        if ctype.startswith("multipart/form-data"):
            message = email.parser.BytesParser(policy=email.policy.HTTP).parsebytes(
                b"Content-Type: " + ctype.encode() + b"\r\n\r\n" + data)
            for part in message.iter_parts():
                name = part.get_param("name", header="content-disposition")
                payload = part.get_payload(decode=True) or b""
                filename = part.get_filename()
                if filename is not None:
                    files.append((name, filename, len(payload), hashlib.sha1(payload).hexdigest()))
                else:
                    params.append((name, payload.decode("utf-8", "replace")))
        sig = self.service.check(params)
        if path in ("/services/upload", "/services/upload/"):
            status = self.upload(params, files, sig)
        else:
            status = self.reply(404, "no such page")
        self.record("POST", path, params, files, sig, status)
        self.flush()

    def control_script(self, args):
        s = self.service
        with s.lock:
            if "upload" in args:
                s.upload_script = [x for x in args["upload"].split(",") if x]
            if "rest" in args:
                s.rest_script = [x for x in args["rest"].split(",") if x]
            if "frob" in args:
                s.next_frob = args["frob"]
            if "fullname" in args:
                s.fullname = args["fullname"]
        return self.reply(200, "scripted", "text/plain")

    def requests_text(self):
        lines = []
        with self.service.lock:
            for verb, path, target, params, files, sig, status in self.service.log:
                lines.append("request %s %s sig=%s status=%d" % (verb, path, sig, status))
                lines.append("target " + escape(target))
                lines += ["param %s %s" % (escape(n), escape(v)) for n, v in params]
                lines += ["file %s %d %s %s" % (escape(n or "-"), size, digest, escape(f)) for n, f, size, digest in files]
                lines.append("end")
        return "".join(line + "\n" for line in lines)

    def rest(self, params, sig):
        s = self.service
        with s.lock:
            scripted = s.rest_script.pop(0) if s.rest_script else "ok"
        if scripted in ("404", "500"):
            return self.reply(int(scripted), "scripted failure %s" % scripted, "text/plain")
        fields = dict(params)
        if fields.get("api_key") != s.key:
            return self.reply(200, rsp_fail(100, "Invalid API Key (Key not found)"))
        if sig != "ok":
            return self.reply(200, rsp_fail(96, "Invalid signature"))
        method = fields.get("method")
        if method == "flickr.auth.getFrob":
            if scripted == "nofrob":
                return self.reply(200, rsp_ok(""))
            with s.lock:
                s.count += 1
                frob = s.next_frob if s.next_frob is not None else "72157%012d-frob%d" % (s.count, s.count)
                s.next_frob = None
                s.frobs[frob] = False
            return self.reply(200, rsp_ok("<frob>%s</frob>" % xml_attr(frob)))
        if method == "flickr.auth.getToken":
            with s.lock:
                approved = s.frobs.get(fields.get("frob"))
                if approved:
                    s.count += 1
                    token = "72157%012d-token%d" % (s.count, s.count)
                    s.tokens.add(token)
                    del s.frobs[fields.get("frob")]
                fullname = s.fullname
            if not approved or scripted == "nofrob":
                return self.reply(200, rsp_fail(108, "Invalid frob"))
            return self.reply(200, rsp_ok(
                '<auth>\n<token>%s</token>\n<perms>write</perms>\n<user nsid="12037949754@N01" username="pelmar" '
                'fullname="%s" />\n</auth>' % (token, xml_attr(fullname))))
        return self.reply(200, rsp_fail(112, "Method \"%s\" not found" % method))

    def authorize(self, params, sig):
        s = self.service
        fields = dict(params)
        with s.lock:
            known = fields.get("frob") in s.frobs
            good = sig == "ok" and fields.get("api_key") == s.key and fields.get("perms") == "write" and known
            if good:
                s.frobs[fields["frob"]] = True
        if not good:
            return self.reply(400, "<html><body>Oops! The authorization request is not valid.</body></html>",
                              "text/html; charset=utf-8")
        return self.reply(200, "<html><body>You have authorized the application.</body></html>",
                          "text/html; charset=utf-8")

    def upload(self, params, files, sig):
        s = self.service
        with s.lock:
            scripted = s.upload_script.pop(0) if s.upload_script else "ok"
            s.count += 1
            photo_id = 2400000000 + s.count
        if scripted == "500":
            return self.reply(500, "scripted server error", "text/plain")
        if scripted == "refuse":
            return self.reply(200, rsp_fail(5, "Filetype was not recognised"))
        fields = dict(params)
        if fields.get("api_key") != s.key:
            return self.reply(200, rsp_fail(100, "Invalid API Key (Key not found)"))
        if sig != "ok":
            return self.reply(200, rsp_fail(96, "Invalid signature"))
        with s.lock:
            token_ok = fields.get("auth_token") in s.tokens
        if not token_ok:
            return self.reply(200, rsp_fail(98, "Invalid auth token"))
        needed = ["tags", "is_public", "is_friend", "is_family", "content_type", "hidden"]
        if any(n not in fields for n in needed) or [f[0] for f in files] != ["photo"]:
            return self.reply(200, rsp_fail(2, "No photo specified"))
        return self.reply(200, rsp_ok("<photoid>%d</photoid>" % photo_id))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--key", required=True)
    parser.add_argument("--secret", required=True)
    parser.add_argument("--token", action="append", default=[])
    args = parser.parse_args()
    Handler.service = Service(args.key, args.secret, args.token)
    server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    server.daemon_threads = True
    print("port %d" % server.server_address[1], flush=True)
    server.serve_forever()


if __name__ == "__main__":
    main()
