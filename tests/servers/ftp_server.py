#!/usr/bin/python3
"""Real FTP server for the tests (pyftpdlib; run with /usr/bin/python3).

Users: anonymous (any password) and alice/secret, both with the whole
--root as home and every permission. Passive and active mode; PORT may name
any address (the client may sit on 127.0.0.1 while this server listens on
127.0.0.2).
"""
import argparse
import logging
import os
import warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

ALL_PERMS = "elradfmwMT"


class Handler(FTPHandler):
    """pyftpdlib knows "TYPE A" but not the format argument of "TYPE A N"
    (ASCII, non-print), which real servers accept and clients send."""

    def ftp_TYPE(self, line):
        if line.upper().replace(" ", "") == "AN":
            line = "A"
        return FTPHandler.ftp_TYPE(self, line)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--address", default="127.0.0.2")
    ap.add_argument("--port", type=int, default=21)
    ap.add_argument("--root", required=True)
    ap.add_argument("--pidfile")
    ap.add_argument("--log")
    ap.add_argument("--throttle", type=int, default=0,
                    help="bytes per second on each data connection (0: no limit)")
    args = ap.parse_args()

    logging.basicConfig(filename=args.log, level=logging.INFO,
                        format="%(asctime)s %(message)s")
    root = os.path.abspath(args.root)

    authorizer = DummyAuthorizer()
    with warnings.catch_warnings():
        # pyftpdlib warns about write permission for anonymous: wanted here.
        warnings.simplefilter("ignore")
        authorizer.add_anonymous(root, perm=ALL_PERMS)
    authorizer.add_user("alice", "secret", root, perm=ALL_PERMS)

    handler = Handler
    handler.authorizer = authorizer
    handler.permit_foreign_addresses = True
    handler.banner = "OrbNet test FTP server ready."
    handler.timeout = 120
    handler.auth_failed_timeout = 0.1

    if args.throttle > 0:
        dtp = ThrottledDTPHandler
        dtp.read_limit = args.throttle
        dtp.write_limit = args.throttle
        handler.dtp_handler = dtp
        handler.use_sendfile = False  # sendfile would bypass the limit

    server = FTPServer((args.address, args.port), handler)
    server.max_cons = 64
    if args.pidfile:
        with open(args.pidfile, "w") as f:
            f.write("%d\n" % os.getpid())
    try:
        server.serve_forever(handle_exit=True)
    finally:
        server.close_all()


if __name__ == "__main__":
    main()
