# The update server for the tests: serves the files of the folder given as argument and appends
# every request path to "requests.log" there. Prints its port first.
import http.server
import os
import socketserver
import sys

root = sys.argv[1]


class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        with open(os.path.join(root, "requests.log"), "a") as log:
            log.write(self.path + "\n")
        name = os.path.join(root, self.path.lstrip("/").replace("/", "_"))
        if not os.path.isfile(name):
            self.send_response(404)
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        with open(name, "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True


server = Server(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
