#!/usr/bin/python3
"""Scripted FTP server: answers each command as a script says.

Every command line received is appended to --transcript (one line each, as
received, without its line end). The script (JSON, read again for every new
connection; "writes" as in scripted_io) is:

{
  "greeting": writes,                  default "220 Scripted server ready.\\r\\n"
  "commands": {
    "VERB": reply,                     every use of VERB in a connection
    "VERB": [reply, reply, ...]        first use, second use, ...; the last repeats
  }
}

A reply is writes for the control connection, or an object:
  "send":        writes (for a transfer: the preliminary reply, e.g. "150 ...")
  "data":        writes sent over the data connection (makes it a transfer)
  "receive":     file name (in the script's folder) that gets the bytes read
                 from the data connection (makes it a transfer)
  "reset_after": receive: reset the data connection after this many bytes
  "close_after": receive: after this many bytes, end the data connection
                 with an orderly close (FIN) while the client still sends
  "final_after": receive: after this many bytes, send "final" at once, stop
                 reading for 1 s, then read on to the end ("final" is not
                 sent again)
  "control_end_after": receive: after this many bytes, close the control
                 connection ("control_reset": true: reset it), stop reading,
                 and reset the data connection 1 s later
  "reset_data":  true: end the data connection with a reset, not a close
  "final":       writes after the transfer (default "226 Transfer complete.\\r\\n")
  "final_first": true: send "final" while the data connection is still open,
                 wait 0.5 s, then end it
  "during":      writes sent on the control connection while the data
                 connection is in use (from its start, alongside)
  "close_during": true: close the control connection after "during"
  "receive_delay": seconds to wait before reading a receive's data
  "receive_rate": receive: read at most this many bytes a second, with a
                 small receive buffer (a slow server)
  "stranger_first": address: before connecting back (PORT), connect from
                 this other address and send "stranger_data" (default
                 "stranger's bytes") on that connection
  "stranger_only": address: as stranger_first, but the server itself never
                 connects: 0.3 s later "final" comes, nothing is received
  "close":       true: close the control connection after this reply
  "reset":       true: reset the control connection after this reply

PASV opens a data listener on the server's address and, unless scripted,
answers "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)."; a scripted PASV
reply may use "{pasv}" for those six numbers and "{pasvport}" for p1,p2. PORT records the address to
connect back to. Unscripted verbs get the defaults below.
"""
import argparse
import os
import socket
import socketserver
import sys
import threading
import time

sys.dont_write_bytecode = True  # no cache files in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import scripted_io as sio  # noqa: E402

DEFAULTS = {
    "USER": "331 Password required.\r\n",
    "PASS": "230 Logged in.\r\n",
    "TYPE": "200 Type set.\r\n",
    "PWD": "257 \"/\" is the current directory.\r\n",
    "CWD": "250 Directory changed.\r\n",
    "MKD": "257 \"new\" created.\r\n",
    "SYST": "215 UNIX Type: L8\r\n",
    "NOOP": "200 OK.\r\n",
    "QUIT": {"send": "221 Goodbye.\r\n", "close": True},
    "PASV": "227 Entering Passive Mode ({pasv}).\r\n",
    "PORT": "200 PORT command successful.\r\n",
    "LIST": {"send": "150 Here comes the listing.\r\n", "data": ""},
    "NLST": {"send": "150 Here comes the listing.\r\n", "data": ""},
    "RETR": "550 No such file.\r\n",
    "STOR": {"send": "150 Ok to send data.\r\n", "receive": "stored.bin"},
}
MAX_LINE = 4096
TIMEOUT = 10.0


class Handler(socketserver.BaseRequestHandler):
    def setup(self):
        opts = self.server.opts
        self.script = sio.load_script(opts.script)
        self.base = os.path.dirname(os.path.abspath(opts.script))
        self.uses = {}
        self.listener = None
        self.port_addr = None
        self.strangers = []
        self.final_sent = False    # the transfer's final reply went early
        self.control_gone = False  # ... or the control connection was ended
        self.request.settimeout(120)
        sio.nodelay(self.request)

    def handle(self):
        try:
            self.converse()
        except OSError:
            pass

    def converse(self):
        sio.send_writes(self.request, self.script.get(
            "greeting", "220 Scripted server ready.\r\n"), self.base)
        buf = b""
        while True:
            chunk = self.request.recv(4096)
            if not chunk:
                return
            buf += chunk
            while b"\n" in buf:
                line, buf = buf.split(b"\n", 1)
                if not self.command(line.rstrip(b"\r")):
                    return
            if len(buf) > MAX_LINE:
                if not self.command(buf):
                    return
                buf = b""

    def finish(self):
        if self.listener:
            self.listener.close()
        for other in self.strangers:
            other.close()

    def reply_for(self, verb):
        scripted = self.script.get("commands", {}).get(verb)
        if scripted is None:
            scripted = DEFAULTS.get(verb, "502 Command not implemented.\r\n")
        if isinstance(scripted, list):
            n = self.uses.get(verb, 0)
            self.uses[verb] = n + 1
            scripted = scripted[min(n, len(scripted) - 1)] if scripted else ""
        return scripted if isinstance(scripted, dict) else {"send": scripted}

    def command(self, line):
        """Answers one command line; False ends the connection."""
        sio.append(self.server.opts.transcript, line + b"\n")
        verb = line.split(b" ", 1)[0].decode("latin-1").upper()
        arg = line[len(verb) + 1:].decode("latin-1")
        reply = self.reply_for(verb)
        subst = {}
        if verb == "PASV":
            subst["pasv"] = self.open_listener()
            subst["pasvport"] = ",".join(subst["pasv"].split(",")[4:])
        elif verb == "PORT":
            self.port_addr = self.parse_port(arg)
        sio.send_writes(self.request, reply.get("send"), self.base, subst)
        if "data" in reply or "receive" in reply:
            self.final_sent = False
            self.control_gone = False
            self.transfer(reply)
            if reply.get("close_during") or self.control_gone:
                return False
        if reply.get("reset"):
            sio.reset(self.request)
            return False
        if reply.get("close"):
            sio.close(self.request)
            return False
        return True

    def open_listener(self):
        if self.listener:
            self.listener.close()
        host = self.request.getsockname()[0]
        self.listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.listener.bind((host, 0))
        self.listener.listen(1)
        self.listener.settimeout(TIMEOUT)
        self.port_addr = None
        port = self.listener.getsockname()[1]
        return ",".join(host.split(".") + [str(port >> 8), str(port & 255)])

    @staticmethod
    def parse_port(arg):
        try:
            n = [int(x) for x in arg.strip().split(",")]
            if len(n) == 6 and all(0 <= x <= 255 for x in n):
                return (".".join(map(str, n[:4])), n[4] * 256 + n[5])
        except ValueError:
            pass
        return None

    def data_connection(self, reply):
        try:
            if self.port_addr:
                # As real servers do: from the address the client talks to,
                # after a stranger's connection first when scripted.
                own = self.request.getsockname()[0]
                stranger = reply.get("stranger_first") or reply.get("stranger_only")
                if stranger:
                    try:
                        other = socket.create_connection(self.port_addr, timeout=TIMEOUT,
                                                         source_address=(stranger, 0))
                        self.strangers.append(other)
                        sio.send_writes(other, reply.get("stranger_data", "stranger's bytes"),
                                        self.base)
                    except OSError:
                        pass
                if reply.get("stranger_only"):
                    return None
                return socket.create_connection(self.port_addr, timeout=TIMEOUT,
                                                source_address=(own, 0))
            if self.listener:
                conn, _ = self.listener.accept()
                self.listener.close()
                self.listener = None
                conn.settimeout(TIMEOUT)
                return conn
        except OSError:
            pass
        return None

    def transfer(self, reply):
        final = reply.get("final", "226 Transfer complete.\r\n")
        data = self.data_connection(reply)
        if data is None and reply.get("stranger_only"):
            time.sleep(0.3)
            sio.send_writes(self.request, final, self.base)
            return
        if data is None:
            sio.send_writes(self.request, "425 Can't open data connection.\r\n", self.base)
            return
        sio.nodelay(data)
        reset = bool(reply.get("reset_data"))
        alongside = None
        if "during" in reply:
            alongside = threading.Thread(target=self.control_during, args=(reply,), daemon=True)
            alongside.start()
        try:
            if "receive" in reply:
                ending = self.receive(data, reply)
                if ending == "close":
                    # An orderly end while the client still sends.
                    data.shutdown(socket.SHUT_WR)
                    time.sleep(0.5)
                reset = ending == "reset" or reset
            else:
                sio.send_writes(data, reply["data"], self.base)
        except OSError:
            pass
        if self.control_gone:
            sio.reset(data)
            return
        if reply.get("final_first"):
            sio.send_writes(self.request, final, self.base)
            sio.send_writes(data, [{"pause": 0.5}], self.base)
        if reset:
            sio.reset(data)
        else:
            sio.close(data)
        if alongside:
            alongside.join()
            if reply.get("close_during"):
                return
        if not reply.get("final_first") and not self.final_sent:
            sio.send_writes(self.request, final, self.base)

    def control_during(self, reply):
        try:
            sio.send_writes(self.request, reply["during"], self.base)
            if reply.get("close_during"):
                sio.close(self.request)
        except OSError:
            pass

    def receive(self, data, reply):
        """Reads the data connection into the named file; returns how the
        server ends it early: "reset", "close", or None (at the client's end)."""
        limit = reply.get("reset_after")
        ends = [(limit, "reset"), (reply.get("close_after"), "close"),
                (reply.get("control_end_after"), "control")]
        final_after = reply.get("final_after")
        time.sleep(min(float(reply.get("receive_delay", 0)), sio.MAX_PAUSE))
        rate = float(reply.get("receive_rate", 0))
        if rate > 0:
            data.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 65536)
        start = time.monotonic()
        got = bytearray()
        ending = None
        try:
            while True:
                ending = next((how for at, how in ends if at is not None and len(got) >= at), None)
                if ending:
                    break
                if final_after is not None and not self.final_sent and len(got) >= final_after:
                    sio.send_writes(self.request, reply.get("final", "226 Transfer complete.\r\n"),
                                    self.base)
                    self.final_sent = True
                    time.sleep(1)
                chunk = data.recv(16384 if rate > 0 else 65536)
                if not chunk:
                    break
                got += chunk
                if rate > 0:
                    time.sleep(max(0.0, start + len(got) / rate - time.monotonic()))
        except OSError:
            pass  # the client reset it: what came is kept
        if ending == "control":
            if reply.get("control_reset"):
                sio.reset(self.request)
            else:
                sio.close(self.request)
            self.control_gone = True
            time.sleep(1)
            ending = "reset"
        name = os.path.basename(str(reply["receive"])) or "stored.bin"
        with open(os.path.join(self.base, name), "wb") as f:
            f.write(got if limit is None else got[:limit])
        return ending


class Server(socketserver.ThreadingTCPServer):
    allow_reuse_address = True
    daemon_threads = True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--address", default="127.0.0.3")
    ap.add_argument("--port", type=int, default=21)
    ap.add_argument("--script", required=True)
    ap.add_argument("--transcript")
    ap.add_argument("--ready", help="file written once listening")
    opts = ap.parse_args()
    server = Server((opts.address, opts.port), Handler)
    server.opts = opts
    sio.write_ready(opts.ready, "%s %d" % server.server_address)
    server.serve_forever()


if __name__ == "__main__":
    main()
