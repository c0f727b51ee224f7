#!/usr/bin/python3
"""Scripted HTTP server: sends each request target its scripted bytes.

Each raw request (request line and headers up to the empty line) is appended
to --transcript as received. The script (JSON, read again for every new
connection; "writes" as in scripted_io) is:

{
  "paths": {
    "/x.htm": response,               keyed by the exact request target, so
    "http://host/x.htm": response     an absolute URL (proxy form) is its own key
  },
  "default": response                 default: a 404 response
}

A response is writes (the whole response, status line included, or none at
all), or {"send": writes, "reset": true} to end with a reset instead of a
close. The connection always ends after the response.

With --cert and --key each connection is TLS (1.2 or newer) from its start,
the certificate file holding the server's certificate and then its CA's; a
connection whose handshake fails ends there, nothing in the transcript. An
orderly end sends the TLS close alert before the close.
"""
import argparse
import os
import select
import socketserver
import ssl
import sys

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scripted_io as sio  # noqa: E402

NOT_FOUND = ("HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n"
             "<html><body>Not found</body></html>\r\n")
MAX_REQUEST = 65536


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        opts = self.server.opts
        self.request.settimeout(10)
        sio.nodelay(self.request)
        if self.server.tls:
            try:
                self.request = self.server.tls.wrap_socket(self.request, server_side=True)
            except (OSError, ValueError):
                return
        script = sio.load_script(opts.script)
        base = os.path.dirname(os.path.abspath(opts.script))
        request = b""
        try:
            while b"\r\n\r\n" not in request and b"\n\n" not in request \
                    and len(request) < MAX_REQUEST:
                chunk = self.request.recv(4096)
                if not chunk:
                    break
                request += chunk
        except OSError:
            pass
        sio.append(opts.transcript, request)
        line = request.split(b"\n", 1)[0].decode("latin-1").split()
        target = line[1] if len(line) >= 2 else ""
        response = script.get("paths", {}).get(target, script.get("default", NOT_FOUND))
        if not isinstance(response, dict):
            response = {"send": response}
        try:
            sio.send_writes(self.request, response.get("send"), base)
        except OSError:
            return
        if response.get("reset"):
            sio.reset(self.request)
        else:
            if self.server.tls:
                close_notify(self.request)
            sio.close(self.request)


def close_notify(sock):
    """Sends the TLS close alert, without waiting for the client's."""
    sock.setblocking(False)
    for _ in range(100):
        try:
            sock.unwrap()
            break
        except ssl.SSLWantWriteError:
            select.select([], [sock], [], 0.1)
        except (OSError, ValueError):
            break  # sent (now waiting for the client's), or the connection is gone


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--address", default="127.0.0.1")
    ap.add_argument("--port", type=int, default=0)
    ap.add_argument("--script", required=True)
    ap.add_argument("--transcript")
    ap.add_argument("--portfile", help="gets the port once listening")
    ap.add_argument("--cert", help="TLS: certificate chain file (PEM)")
    ap.add_argument("--key", help="TLS: the certificate's private key (PEM)")
    opts = ap.parse_args()
    if bool(opts.cert) != bool(opts.key):
        ap.error("--cert and --key go together")
    server = Server((opts.address, opts.port), Handler)
    server.opts = opts
    server.tls = None
    if opts.cert:
        server.tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        server.tls.minimum_version = ssl.TLSVersion.TLSv1_2
        server.tls.load_cert_chain(opts.cert, opts.key)
    sio.write_ready(opts.portfile, str(server.server_address[1]))
    server.serve_forever()


if __name__ == "__main__":
    main()
