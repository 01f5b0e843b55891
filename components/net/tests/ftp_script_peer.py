#!/usr/bin/env python3
# A scripted FTP server for the FTP client tests. Prints "port N", serves one session at a time
# until stdin closes. Each session reads the script file named on the command line, a JSON object:
#   "greeting": raw bytes of the greeting (may hold several replies),
#   "replies":  {VERB: [raw reply, ...]} used in order (the last one repeats),
#   "listing":  body sent on the data connection of LIST or MLSD.
# "{pasv}" in a reply becomes the numbers of a fresh data listener ("{pasvx}" the same port with a
# foreign host). Every command line received is appended to the script file's name + ".log", and
# after it an upload's data as "DATA <bytes>" when it is short.
import json, socket, sys, threading

script_path = sys.argv[1]

def serve(conn):
    with open(script_path) as f:
        script = json.load(f)
    log = open(script_path + ".log", "a")
    replies = {k: list(v) for k, v in script.get("replies", {}).items()}
    data_listener = None
    rfile = conn.makefile("rb")
    conn.sendall(script.get("greeting", "220 ready\r\n").encode("latin-1"))
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
            reply = {"QUIT": "221 bye\r\n", "TYPE": "200 ok\r\n", "NOOP": "200 ok\r\n"}.get(verb, "502 no\r\n")
        if "{pasv}" in reply or "{pasvx}" in reply:
            data_listener = socket.socket()
            data_listener.bind(("127.0.0.1", 0))
            data_listener.listen(1)
            p = data_listener.getsockname()[1]
            reply = reply.replace("{pasv}", "127,0,0,1,%d,%d" % (p // 256, p % 256))
            reply = reply.replace("{pasvx}", "10,255,255,1,%d,%d" % (p // 256, p % 256))
        if verb in ("LIST", "MLSD", "STOR", "APPE") and data_listener is not None and reply.startswith("150"):
            conn.sendall(reply.encode("latin-1"))
            d, _ = data_listener.accept()
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
                d.sendall(script.get("listing", "").encode("utf-8"))
            d.close()
            data_listener.close()
            data_listener = None
            reply = script.get("final", "226 done\r\n")
        if reply == "":
            continue
        if reply == "CLOSE":
            break
        conn.sendall(reply.encode("latin-1"))
        if verb == "QUIT":
            break
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
