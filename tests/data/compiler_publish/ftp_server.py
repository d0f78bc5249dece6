"""A local FTP server for the upload tests: ftp_server.py ROOT USER PASSWORD PORTFILE.

Listens on 127.0.0.1 on a free port, which it writes to PORTFILE once it accepts
connections, and serves ROOT to USER with PASSWORD until it is terminated.
"""
import os
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


def main():
    root, user, password, port_file = sys.argv[1:5]
    authorizer = DummyAuthorizer()
    authorizer.add_user(user, password, root, perm="elradfmwMT")
    handler = FTPHandler
    handler.authorizer = authorizer
    server = FTPServer(("127.0.0.1", 0), handler)
    with open(port_file + ".part", "w") as f:
        f.write(str(server.socket.getsockname()[1]))
    os.rename(port_file + ".part", port_file)
    server.serve_forever()


if __name__ == "__main__":
    main()
