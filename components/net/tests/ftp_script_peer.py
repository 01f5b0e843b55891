#!/usr/bin/env python3
# A scripted FTP server for the FTP client tests. Prints "port N", serves one session at a time
# until stdin closes. Each session reads the script file named on the command line, a JSON object:
#   "greeting": raw bytes of the greeting (may hold several replies),
#   "greetings": a list of greetings, one per session in order (the last one repeats),
#   "replies":  {VERB: [raw reply, ...]} used in order (the last one repeats),
#   "listing":  body sent on the data connection of LIST or MLSD,
#   "listings": {VERB or full command: body} for bodies that depend on the command,
#   "final":    reply after a transfer ("CLOSE" drops the connection instead),
#   "tls":      {"cert": PEM, "key": PEM}: "AUTH TLS" is answered 234 and the control connection
#               turns TLS; after "PROT P" every data connection is TLS too.
# "{pasv}" in a reply becomes the numbers of a fresh data listener ("{pasvx}" the same port with a
# foreign host). A PORT command makes the next transfer connect to the client instead. Every
# command line received is appended to the script file's name + ".log", and after it an upload's
# data as "DATA <bytes>" when it is short. Sessions are counted in the name + ".sessions".
import json, socket, ssl, sys, threading

script_path = sys.argv[1]
count_lock = threading.Lock()


def session_number():
    with count_lock:
        try:
            with open(script_path + ".sessions") as f:
                n = len(f.read())
        except OSError:
            n = 0
        with open(script_path + ".sessions", "a") as f:
            f.write("x")
    return n


def pick(items, n):
    return items[min(n, len(items) - 1)]


def serve(conn):
    with open(script_path) as f:
        script = json.load(f)
    number = session_number()
    log = open(script_path + ".log", "a")
    replies = {k: list(v) for k, v in script.get("replies", {}).items()}
    data_listener = None
    active_target = None
    protect = False
    context = None
    if "tls" in script:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(script["tls"]["cert"], script["tls"]["key"])
    rfile = conn.makefile("rb")
    greeting = pick(script["greetings"], number) if "greetings" in script else script.get("greeting", "220 ready\r\n")
    conn.sendall(greeting.encode("latin-1"))
    try:
        while True:
            line = rfile.readline()
            if not line:
                break
            text = line.decode("latin-1").rstrip("\r\n")
            log.write(text + "\n"); log.flush()
            verb = text.split(" ", 1)[0].upper()
            queue = replies.get(verb)
            if queue:
                reply = queue.pop(0) if len(queue) > 1 else queue[0]
            else:
                reply = {"QUIT": "221 bye\r\n", "TYPE": "200 ok\r\n", "NOOP": "200 ok\r\n", "PORT": "200 ok\r\n",
                         "PBSZ": "200 ok\r\n", "PROT": "200 ok\r\n"}.get(verb, "502 no\r\n")
            if verb == "PORT" and reply.startswith("2"):
                n = [int(x) for x in text[5:].split(",")]
                active_target = ("%d.%d.%d.%d" % tuple(n[:4]), n[4] * 256 + n[5])
            if verb == "PROT":
                protect = text.upper() == "PROT P" and context is not None
            if "{pasv}" in reply or "{pasvx}" in reply:
                data_listener = socket.socket()
                data_listener.bind(("127.0.0.1", 0))
                data_listener.listen(1)
                p = data_listener.getsockname()[1]
                reply = reply.replace("{pasv}", "127,0,0,1,%d,%d" % (p // 256, p % 256))
                reply = reply.replace("{pasvx}", "10,255,255,1,%d,%d" % (p // 256, p % 256))
                active_target = None
            if verb in ("LIST", "MLSD", "STOR", "APPE") and reply.startswith("150") and (
                    data_listener is not None or active_target is not None):
                conn.sendall(reply.encode("latin-1"))
                if data_listener is not None:
                    d, _ = data_listener.accept()
                    data_listener.close()
                    data_listener = None
                else:
                    d = socket.create_connection(active_target)
                    active_target = None
                if protect:
                    d = context.wrap_socket(d, server_side=True)
                if verb in ("STOR", "APPE"):
                    received = b""
                    while True:
                        chunk = d.recv(65536)
                        if not chunk:
                            break
                        received += chunk
                    if len(received) <= 64:
                        log.write("DATA " + received.decode("latin-1") + "\n"); log.flush()
                else:
                    bodies = script.get("listings", {})
                    body = bodies.get(text, bodies.get(verb, script.get("listing", "")))
                    d.sendall(body.encode("utf-8"))
                    if protect:
                        try:
                            d = d.unwrap()
                        except (ssl.SSLError, OSError):
                            pass
                d.close()
                reply = script.get("final", "226 done\r\n")
            if reply == "":
                continue
            if reply == "CLOSE":
                break
            conn.sendall(reply.encode("latin-1"))
            if verb == "AUTH" and reply.startswith("234") and context is not None:
                conn = context.wrap_socket(conn, server_side=True)
                rfile = conn.makefile("rb")
            if verb == "QUIT":
                break
    except (OSError, ssl.SSLError, ValueError):
        pass
    conn.close()


def main():
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", 0))
    s.listen(8)
    print("port %d" % s.getsockname()[1], flush=True)
    def accept_loop():
        while True:
            c, _ = s.accept()
            threading.Thread(target=serve, args=(c,), daemon=True).start()
    threading.Thread(target=accept_loop, daemon=True).start()
    sys.stdin.read()

main()
