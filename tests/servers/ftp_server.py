#!/usr/bin/python3
"""Real FTP server for the tests (pyftpdlib; run with /usr/bin/python3).

Users: anonymous (any password) and alice/secret, both with the whole
--root as home and every permission. Passive and active mode; PORT may name
any address (the client may sit on 127.0.0.1 while this server listens on
127.0.0.2).

--announce-size: the reply to RETR names the file's size, as vsftpd and
ProFTPD do ("150 Opening BINARY mode data connection for a.bin (42 bytes).").
--sparse: a stored file's blocks of zeros become holes, so that a file of
some gigabytes that is mostly zeros takes little disk.

--homes: each user has an area of its own instead of the whole root:
anonymous <root>/public, alice/secret <root>/home/alice, and a user whose
name and password hold the characters a URL must encode,
"carol@example.org" / "p@ss:w/rd% x", <root>/home/carol.
"""
import argparse
import logging
import os
import warnings

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.filesystems import AbstractedFS
from pyftpdlib.handlers import FTPHandler, ThrottledDTPHandler
from pyftpdlib.servers import FTPServer

ALL_PERMS = "elradfmwMT"
# The --homes user whose login a URL can carry only encoded.
CAROL = ("carol@example.org", "p@ss:w/rd% x")


class Handler(FTPHandler):
    """pyftpdlib knows "TYPE A" but not the format argument of "TYPE A N"
    (ASCII, non-print), which real servers accept and clients send."""

    announce_size = False
    _retr_size = None

    def ftp_TYPE(self, line):
        if line.upper().replace(" ", "") == "AN":
            line = "A"
        return FTPHandler.ftp_TYPE(self, line)

    def ftp_RETR(self, file):
        if self.announce_size:
            try:
                self._retr_size = (os.path.basename(file), os.path.getsize(file))
            except OSError:
                self._retr_size = None
        try:
            return FTPHandler.ftp_RETR(self, file)
        finally:
            self._retr_size = None

    def respond(self, resp, *args, **kwargs):
        if self._retr_size and resp[:4] in ("150 ", "125 "):
            name, size = self._retr_size
            resp = "%s Opening BINARY mode data connection for %s (%d bytes)." % (resp[:3], name, size)
            self._retr_size = None
        return FTPHandler.respond(self, resp, *args, **kwargs)


class SparseFile:
    """A file opened for writing whose blocks of zeros are skipped over
    (holes); its length is set when it is closed."""

    def __init__(self, f):
        self._f = f
        self.name = f.name

    @property
    def closed(self):
        return self._f.closed

    def write(self, chunk):
        if chunk.count(0) == len(chunk):
            self._f.seek(len(chunk), os.SEEK_CUR)
        else:
            self._f.write(chunk)
        return len(chunk)

    def close(self):
        if not self._f.closed:
            self._f.truncate(self._f.tell())
            self._f.close()

    def __getattr__(self, name):
        return getattr(self._f, name)


class SparseFS(AbstractedFS):
    def open(self, filename, mode):
        f = AbstractedFS.open(self, filename, mode)
        return SparseFile(f) if ("w" in mode or "a" in mode) else f


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--address", default="127.0.0.2")
    ap.add_argument("--port", type=int, default=21)
    ap.add_argument("--root", required=True)
    ap.add_argument("--pidfile")
    ap.add_argument("--log")
    ap.add_argument("--throttle", type=int, default=0,
                    help="bytes per second on each data connection (0: no limit)")
    ap.add_argument("--announce-size", action="store_true")
    ap.add_argument("--sparse", action="store_true")
    ap.add_argument("--homes", action="store_true", help="an area of its own for each user")
    args = ap.parse_args()

    logging.basicConfig(filename=args.log, level=logging.INFO,
                        format="%(asctime)s %(message)s")
    root = os.path.abspath(args.root)

    authorizer = DummyAuthorizer()
    homes = {"anonymous": root, "alice": root}
    if args.homes:
        homes = {"anonymous": os.path.join(root, "public"), "alice": os.path.join(root, "home", "alice")}
        authorizer.add_user(CAROL[0], CAROL[1], os.path.join(root, "home", "carol"), perm=ALL_PERMS)
    with warnings.catch_warnings():
        # pyftpdlib warns about write permission for anonymous: wanted here.
        warnings.simplefilter("ignore")
        authorizer.add_anonymous(homes["anonymous"], perm=ALL_PERMS)
    authorizer.add_user("alice", "secret", homes["alice"], perm=ALL_PERMS)

    handler = Handler
    handler.authorizer = authorizer
    handler.permit_foreign_addresses = True
    handler.banner = "OrbNet test FTP server ready."
    handler.timeout = 120
    handler.auth_failed_timeout = 0.1
    handler.announce_size = args.announce_size
    if args.sparse:
        handler.abstracted_fs = SparseFS

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
