"""Script files and timed writes shared by the scripted test servers.

A script is a JSON file, read again for every new connection (a test may
rewrite it between cases). Bytes to send are given as "writes": a string, or
a list whose items are joined into one TCP write until a pause item:
  "text"                       the characters as bytes (latin-1: "\\u00ff" is 0xFF)
  {"repeat": "a", "times": N}  the text N times
  {"hex": "00ff0d0a"}          raw bytes
  {"file": "name"}             a file's bytes (relative to the script's folder)
  {"pause": 0.3}               send what came before, then wait 0.3 s
  {"endless": "a"}             the text again and again until the peer stops
                               reading or closes (nothing after it is sent)
"""
import json
import os
import socket
import struct
import time

MAX_PAUSE = 10.0


def load_script(path):
    """The script as a dict; {} when the file is missing or not valid JSON."""
    try:
        with open(path, "r", encoding="utf-8") as f:
            script = json.load(f)
        return script if isinstance(script, dict) else {}
    except (OSError, ValueError):
        return {}


def _piece(item, base):
    if isinstance(item, str):
        return item.encode("latin-1", "replace")
    if "repeat" in item:
        return str(item["repeat"]).encode("latin-1", "replace") * int(item.get("times", 1))
    if "hex" in item:
        return bytes.fromhex(item["hex"])
    if "file" in item:
        with open(os.path.join(base, item["file"]), "rb") as f:
            return f.read()
    return b""


def send_writes(sock, writes, base, subst=None):
    """Sends writes (see above); subst maps "{key}" texts to replacements."""
    if writes is None:
        return
    if not isinstance(writes, list):
        writes = [writes]
    buf = b""
    for item in writes:
        if isinstance(item, dict) and "endless" in item:
            if buf:
                sock.sendall(buf)
            chunk = str(item["endless"]).encode("latin-1", "replace") or b"x"
            chunk *= max(1, 65536 // len(chunk))
            try:
                while True:
                    sock.sendall(chunk)
            except OSError:
                return
        if isinstance(item, dict) and "pause" in item:
            if buf:
                sock.sendall(buf)
                buf = b""
            time.sleep(min(float(item["pause"]), MAX_PAUSE))
            continue
        piece = _piece(item, base)
        for key, value in (subst or {}).items():
            piece = piece.replace(("{%s}" % key).encode(), value.encode())
        buf += piece
    if buf:
        sock.sendall(buf)


def nodelay(sock):
    """Each write goes out as its own segment."""
    sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)


def reset(sock):
    """Closes with a reset (RST) instead of an orderly end."""
    try:
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    except OSError:
        pass
    sock.close()


def close(sock):
    try:
        sock.shutdown(socket.SHUT_WR)
    except OSError:
        pass
    sock.close()


def append(path, data):
    if path:
        with open(path, "ab") as f:
            f.write(data)


def write_ready(path, text):
    if path:
        tmp = path + ".tmp"
        with open(tmp, "w") as f:
            f.write(text + "\n")
        os.replace(tmp, path)
