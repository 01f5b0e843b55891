#!/usr/bin/env python3
# A real FTP server (Debian's python3-pyftpdlib) for the FTP client tests: anonymous with every
# permission in the folder named on the command line, MLST/MLSD, SIZE, REST, APPE and ALLO, times
# in UTC. Prints "port N" and serves until stdin closes.
import logging, sys, threading, warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer

logging.basicConfig(level=logging.WARNING, stream=sys.stderr)
warnings.simplefilter("ignore")  # write permission for anonymous users is what the tests want

authorizer = DummyAuthorizer()
authorizer.add_anonymous(sys.argv[1], perm="elradfmwMT")


class Handler(FTPHandler):
    pass


Handler.authorizer = authorizer
Handler.use_gmt_times = True
Handler.permit_foreign_addresses = False

server = FTPServer(("127.0.0.1", 0), Handler)
print("port %d" % server.address[1], flush=True)
threading.Thread(target=server.serve_forever, kwargs={"handle_exit": False}, daemon=True).start()
sys.stdin.read()
server.close_all()
