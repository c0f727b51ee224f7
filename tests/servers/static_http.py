#!/usr/bin/python3
"""Plain HTTP/1.0 file server for the demonstration: serves --root on
--address at a free port, which it writes to --portfile once it listens.
With --cert and --key (PEM; the certificate file holds the chain) it serves
https instead."""
import argparse
import functools
import http.server
import os
import ssl
import sys

sys.dont_write_bytecode = True


class Handler(http.server.SimpleHTTPRequestHandler):
    protocol_version = "HTTP/1.0"
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                          **{".htm": "text/html", ".txt": "text/plain", ".pdf": "application/pdf"})

    def log_message(self, fmt, *args):
        sys.stderr.write("%s %s\n" % (self.address_string(), fmt % args))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--address", default="127.0.0.1")
    ap.add_argument("--root", required=True)
    ap.add_argument("--portfile", required=True)
    ap.add_argument("--cert")
    ap.add_argument("--key")
    args = ap.parse_args()
    handler = functools.partial(Handler, directory=os.path.abspath(args.root))
    server = http.server.ThreadingHTTPServer((args.address, 0), handler)
    if args.cert:
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.minimum_version = ssl.TLSVersion.TLSv1_2
        context.load_cert_chain(args.cert, args.key)
        # A client that gives up the handshake only ends its own connection.
        server.socket = context.wrap_socket(server.socket, server_side=True)
    with open(args.portfile + ".tmp", "w") as f:
        f.write("%d\n" % server.server_address[1])
    os.replace(args.portfile + ".tmp", args.portfile)
    server.serve_forever()


if __name__ == "__main__":
    main()
