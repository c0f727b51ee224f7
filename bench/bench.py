#!/usr/bin/python3
"""Times whole-process file transfers by three clients and prints one table.

Run by bench/run.sh, which has installed and built everything, started the
FTP and HTTP(S) servers and the Wine server, trusted the test certificate
authority in the Wine prefix, and passes where they are. Clients:
  library  the library through nethost.exe under Wine
  WinINet  Wine's WinINet through wininet_client.exe
  curl     native curl
Every transfer is one process run, timed by wall clock; /usr/bin/time gives
its peak resident memory. Each transferred file is compared with its source.
"""

import argparse
import filecmp
import math
import os
import re
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

MIB = 1024 * 1024
CLIENTS = ["library", "WinINet", "curl"]
# (protocol, direction) in table order; HTTP and HTTPS only receive.
CASES = [
    ("ftp-passive", "receive"),
    ("ftp-active", "receive"),
    ("http", "receive"),
    ("https", "receive"),
    ("ftp-passive", "store"),
    ("ftp-active", "store"),
]
FTP_USER, FTP_PASSWORD = "anonymous", "bench@orbnet"
# A run of a cell is not started once the cell has used this long and the
# next run would go past it.
CELL_SECONDS = 90
# Smallest rate assumed when giving a transfer its time limit.
SLOWEST_RATE = 1.5 * MIB
BASE_TIMEOUT = 30
# Transfers in one process for the cost of a transfer in a running process.
WARM_REPEAT = 11
# Below this, time minus fixed cost is mostly the noise of process start.
NET_MIN_SECONDS = 0.1
# A ratio whose library figure failed.
LIBRARY_FAILED = "n/a (fails)"


def parse_size(text):
    m = re.fullmatch(r"(\d+)\s*([BKMG]?)(?:i?B)?", text.strip(), re.IGNORECASE)
    if not m:
        raise argparse.ArgumentTypeError("bad size %r (examples: 1M, 64M, 256M)" % text)
    unit = {"": 1, "B": 1, "K": 1024, "M": MIB, "G": 1024 * MIB}[m.group(2).upper()]
    size = int(m.group(1)) * unit
    if size < 2:
        raise argparse.ArgumentTypeError("size %r too small (the 1-byte transfer is always measured)" % text)
    return size


def size_label(size):
    for unit, name in ((1024 * MIB, "GiB"), (MIB, "MiB"), (1024, "KiB")):
        if size >= unit and size % unit == 0:
            return "%d %s" % (size // unit, name)
    return "%d B" % size


def file_name(size):
    return "f" + size_label(size).replace(" ", "").replace("i", "")


def ratio(a, b):
    """a/b with two significant digits however small."""
    r = a / b
    return "%.*f" % (max(2, 1 - math.floor(math.log10(r))), r)


def windows_path(path):
    """Wine's drive Z: is the Unix root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class Cell:
    """The runs of one client, case and size."""

    def __init__(self, client, case, size):
        self.client, self.case, self.size = client, case, size
        self.times = []          # seconds of the successful runs
        self.rss_kib = []        # peak resident memory of every finished run
        self.checks_failed = 0
        self.status = None       # None: measured; else a short word for the table
        self.note = ""

    def median(self):
        return statistics.median(self.times) if self.times else None


class Bench:
    def __init__(self, args):
        self.args = args
        self.root = args.root                  # served by both servers
        self.out = args.out                    # received files
        self.upload = os.path.join(self.root, "upload")
        self.log = open(args.log, "w")
        self.deadline = time.monotonic() + args.budget * 60
        self.cells = {}

    # ---- the three clients ----------------------------------------------

    def command(self, client, case, name, target, repeat=1):
        """Argument list for one transfer of `name`, received into or stored as `target`
        (repeat: that many transfers, one after another, in the one process)."""
        protocol, direction = case
        host = self.args.ftp_host
        passive = protocol == "ftp-passive"
        url = None
        if protocol == "http":
            url = "http://127.0.0.1:%d/%s" % (self.args.http_port, name)
        elif protocol == "https":
            # The server certificate names localhost, not 127.0.0.1.
            url = "https://localhost:%d/%s" % (self.args.https_port, name)
        source = os.path.join(self.root, name)
        remote = "/upload/" + os.path.basename(target)
        if client == "library":
            cmd = [self.args.wineloader, self.args.nethost, "--answer", "ok", "init", "code=en"]
            login = "login=%s:%s:%d" % (FTP_USER, FTP_PASSWORD, 1 if passive else 0)
            if url:
                one = ["retrieve", "url=" + url, "local=" + windows_path(target)]
            elif direction == "receive":
                one = ["retrieve", "url=ftp://%s/%s" % (host, name), "local=" + windows_path(target), login]
            else:
                one = ["store", "url=ftp://%s%s" % (host, remote), "local=" + windows_path(source), login]
            return cmd + one * repeat + ["clean"]
        if client == "WinINet":
            cmd = [self.args.wineloader, self.args.wininet]
            if repeat > 1:
                cmd += ["--repeat", str(repeat)]
            mode = "passive" if passive else "active"
            if url:
                return cmd + ["http-get", url, windows_path(target)]
            if direction == "receive":
                return cmd + ["ftp-get", host, "21", "/" + name, windows_path(target), mode, FTP_USER, FTP_PASSWORD]
            return cmd + ["ftp-put", host, "21", windows_path(source), remote, mode, FTP_USER, FTP_PASSWORD]
        cmd = ["curl", "-sS", "--max-time", "3600"]
        if url:
            if protocol == "https":
                cmd += ["--cacert", self.args.ca]
            return cmd + ["-f"] + ["-o", target, url] * repeat
        cmd += ["-u", "%s:%s" % (FTP_USER, FTP_PASSWORD)]
        cmd += ["--ftp-pasv"] if passive else ["--ftp-port", host]
        if direction == "receive":
            return cmd + ["-o", target, "ftp://%s/%s" % (host, name)] * repeat
        return cmd + ["-T", source, "ftp://%s%s" % (host, remote)] * repeat

    def target(self, client, case, name):
        """Where the transfer's result lands (a received file or a stored one)."""
        suffix = "%s.%s.%s" % (name, client, case[0])
        if case[1] == "receive":
            return os.path.join(self.out, suffix)
        return os.path.join(self.upload, suffix)

    # ---- one run -----------------------------------------------------------

    def run_once(self, client, case, size, timeout, repeat=1):
        """One timed process (repeat transfers): (status, seconds, rss_kib, check_ok, note).

        status is "ok", "failed" or "timeout"."""
        name = file_name(size)
        target = self.target(client, case, name)
        if os.path.exists(target):
            os.remove(target)
        cmd = self.command(client, case, name, target, repeat)
        rss_file = os.path.join(self.args.scratch, "rss.txt")
        full = ["/usr/bin/time", "-f", "%M", "-o", rss_file, "--"] + cmd
        # Output into files, not pipes: a process that Wine starts on the
        # way (its desktop process) keeps the run's descriptors open, and a
        # pipe would make the run last as long as that process.
        with tempfile.TemporaryFile(dir=self.args.scratch) as out_f, \
                tempfile.TemporaryFile(dir=self.args.scratch) as err_f:
            start = time.perf_counter()
            proc = subprocess.Popen(full, stdin=subprocess.DEVNULL, stdout=out_f, stderr=err_f,
                                    start_new_session=True)
            # A blocking wait, exact to the end of the process (a wait with a
            # timeout polls in steps of up to 50 ms); a timer ends it on time.
            timed_out = threading.Event()
            def kill():
                timed_out.set()
                try:
                    os.killpg(proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
            timer = threading.Timer(timeout, kill)
            timer.start()
            proc.wait()
            seconds = time.perf_counter() - start
            timer.cancel()
            timed_out = timed_out.is_set()
            out_f.seek(0)
            err_f.seek(0)
            out = out_f.read().decode(errors="replace")
            err = err_f.read().decode(errors="replace")
        rss = None
        try:
            with open(rss_file) as f:
                lines = [l for l in f.read().split() if l.isdigit()]
            rss = int(lines[-1]) if lines else None
            os.remove(rss_file)
        except OSError:
            pass

        self.log.write("== %s %s %s %s: %.3f s, exit %s%s\n$ %s\n" % (
            client, case[0], case[1], size_label(size), seconds, proc.returncode,
            " (timeout)" if timed_out else "", " ".join(cmd)))
        if out.strip():
            self.log.write(out if out.endswith("\n") else out + "\n")
        if err.strip():
            self.log.write("stderr: " + err[-2000:] + ("" if err.endswith("\n") else "\n"))
        self.log.flush()

        if timed_out:
            status, note = "timeout", "no end within %g s" % timeout
        elif client == "library":
            export = "NETRetrieveFile" if case[1] == "receive" else "NETStoreFile"
            results = re.findall(r"^%s: (-?\d+)" % export, out, re.MULTILINE)
            if len(results) == repeat and all(r == "0" for r in results):
                status, note = "ok", ""
            else:
                status = "failed"
                bad = [r for r in results if r != "0"]
                note = "%s %s" % (export, bad[0]) if bad else "nethost exit %s" % proc.returncode
                box = re.search(r'^MESSAGEBOX caption="[^"]*" text="([^"]*)"', out, re.MULTILINE)
                if box:
                    note += ': "%s"' % box.group(1)[:60]
        elif proc.returncode == 0:
            status, note = "ok", ""
        else:
            status = "failed"
            note = "exit %d" % proc.returncode
            if err.strip():
                note += ": " + err.strip().splitlines()[-1][:60]

        check = None
        if status == "ok":
            source = os.path.join(self.root, name)
            check = (os.path.exists(target) and os.path.getsize(target) == size
                     and filecmp.cmp(source, target, shallow=False))
            if not check:
                self.log.write("check: %s differs from %s\n" % (target, source))
        if os.path.exists(target):
            os.remove(target)
        return status, seconds, rss, check, note

    # ---- cells -------------------------------------------------------------

    def timeout_for(self, size):
        return min(self.args.timeout, BASE_TIMEOUT + size / SLOWEST_RATE)

    def measure(self, client, case, size, runs):
        cell = Cell(client, case, size)
        self.cells[(client, case, size)] = cell
        # Sizes not worth starting: above one that ran out of time, or one
        # that a measured size at most 8 times smaller projects past the
        # time limit (transfer part scaled, plus the fixed cost).
        timeout = self.timeout_for(size)
        fixed = self.cells.get((client, case, 1))
        fixed_s = fixed.median() if fixed is not None and fixed.times else 0.0
        expected = 0.0
        smaller = [c for (cl, ca, s), c in self.cells.items() if cl == client and ca == case and 1 < s < size]
        if smaller:
            prev = max(smaller, key=lambda c: c.size)
            if prev.status in ("timeout", "timeout*"):
                cell.status = "timeout*"
                cell.note = "not run: %s %s" % (size_label(prev.size),
                                                "timed out" if prev.status == "timeout" else "was not run either")
                return self.report(cell)
            if prev.times and prev.size * 8 >= size:
                expected = max(prev.median() - fixed_s, 0.0) * size / prev.size + fixed_s
                if expected > timeout:
                    cell.status = "timeout*"
                    cell.note = "not run: %s projects %.0f s" % (size_label(prev.size), expected)
                    return self.report(cell)
        spent = 0.0
        for i in range(runs):
            if cell.times:
                expected = cell.times[-1]
            if i > 0 and spent + expected > CELL_SECONDS:
                cell.note = "runs cut to %d (slow)" % i
                break
            if time.monotonic() + expected > self.deadline:
                if not cell.times:
                    cell.status = "skipped"
                cell.note = "time budget used up"
                break
            status, seconds, rss, check, note = self.run_once(client, case, size, timeout)
            spent += seconds
            if rss is not None:
                cell.rss_kib.append(rss)
            if status != "ok":
                cell.status, cell.note = status, note
                cell.times = []
                break
            cell.times.append(seconds)
            if not check:
                cell.checks_failed += 1
        return self.report(cell)

    def report(self, cell):
        client, case, size = cell.client, cell.case, cell.size
        line = "%-8s %-11s %-7s %-8s " % (client, case[0], case[1], size_label(size))
        if cell.status:
            line += "%s %s" % (cell.status, cell.note)
        else:
            line += "median %.3f s over %d runs%s" % (
                cell.median(), len(cell.times), ", CHECK FAILED" if cell.checks_failed else "")
        print("  " + line, flush=True)
        return cell

    def measure_warm(self, runs):
        """Cost of one more 1-byte transfer inside a process that is already
        running (as in a host application that has been open a while):
        (time of REPEAT transfers - time of 1) / (REPEAT - 1), best of runs."""
        self.warm = {}
        for client in CLIENTS:
            for case in CASES:
                best = {}
                for repeat in (1, WARM_REPEAT):
                    times = []
                    for _ in range(max(runs, 3)):
                        status, seconds, _, check, note = self.run_once(client, case, 1, BASE_TIMEOUT, repeat)
                        if status != "ok" or not check:
                            times = []
                            break
                        times.append(seconds)
                    best[repeat] = min(times) if times else None
                if best[1] is None or best[WARM_REPEAT] is None:
                    self.warm[(client, case)] = None
                    print("  %-8s %-11s %-7s failed" % (client, case[0], case[1]), flush=True)
                    continue
                per = max(best[WARM_REPEAT] - best[1], 0.0) / (WARM_REPEAT - 1)
                self.warm[(client, case)] = per
                print("  %-8s %-11s %-7s %.1f ms per transfer" % (client, case[0], case[1], per * 1000), flush=True)

    def warm_table(self):
        head = ["protocol", "direction"] + ["%s ms" % c for c in CLIENTS] + ["lib/WinINet", "lib/curl"]
        rows = []
        for case in CASES:
            row = [case[0], case[1]]
            vals = {c: self.warm.get((c, case)) for c in CLIENTS}
            for c in CLIENTS:
                row.append("%.1f" % (vals[c] * 1000) if vals[c] is not None else "failed")
            for other in ("WinINet", "curl"):
                a, b = vals["library"], vals[other]
                if a is None and b is not None:
                    row.append(LIBRARY_FAILED)
                else:
                    row.append("%.2f" % (a / b) if a is not None and b else "")
            rows.append(row)
        widths = [max(len(r[i]) for r in [head] + rows) for i in range(len(head))]
        fmt = lambda r: "  ".join(v.ljust(w) for v, w in zip(r, widths)).rstrip()
        return "\n".join([fmt(head), fmt(["-" * w for w in widths])] + [fmt(r) for r in rows])

    def warm_up(self):
        """One untimed small transfer per client, so no client pays for a cold page cache."""
        for client in CLIENTS:
            self.run_once(client, CASES[0], 1, BASE_TIMEOUT)

    def run(self, sizes, runs):
        print("warming up ...", flush=True)
        self.warm_up()
        print("cost of one more 1-byte transfer in a running process:", flush=True)
        self.measure_warm(runs)
        print("fixed cost (1-byte transfers):", flush=True)
        for client in CLIENTS:
            for case in CASES:
                self.measure(client, case, 1, runs)
        # The library comes last, so a slow library cannot take the time of
        # the others.
        print("transfers:", flush=True)
        for client in ["curl", "WinINet", "library"]:
            for size in sizes:
                for case in CASES:
                    self.measure(client, case, size, runs)

    # ---- the table ---------------------------------------------------------

    def rate(self, cell, fixed):
        """(raw MiB/s, net MiB/s, slowest raw, fastest raw) or None."""
        if cell is None or cell.status or not cell.times:
            return None
        med = cell.median()
        raw = cell.size / med / MIB
        lo, hi = cell.size / max(cell.times) / MIB, cell.size / min(cell.times) / MIB
        net = None
        if fixed is not None and not fixed.status and fixed.times and med - fixed.median() >= NET_MIN_SECONDS:
            net = cell.size / (med - fixed.median()) / MIB
        return raw, net, lo, hi

    def table(self, sizes, runs):
        rows = []
        head = ["protocol", "direction", "size", "client", "runs", "median s", "min-max s",
                "MiB/s raw", "raw min-max", "MiB/s net", "lib/WinINet raw", "lib/WinINet net",
                "lib/curl raw", "lib/curl net",
                "peak RSS MiB", "check", "note"]
        for case in CASES:
            for size in [1] + sizes:
                rates = {}
                for client in CLIENTS:
                    rates[client] = self.rate(self.cells.get((client, case, size)),
                                              self.cells.get((client, case, 1)))
                for client in CLIENTS:
                    cell = self.cells.get((client, case, size))
                    if cell is None:
                        continue
                    row = [case[0], case[1], size_label(size), client]
                    if cell.status:
                        row += [str(len(cell.times)), cell.status, "", "", "", ""]
                    else:
                        row += [str(len(cell.times)), "%.3f" % cell.median(),
                                "%.3f-%.3f" % (min(cell.times), max(cell.times))]
                        r = rates[client]
                        if size == 1:
                            row += ["(fixed)", "", ""]
                        else:
                            row += ["%.1f" % r[0], "%.1f-%.1f" % (r[2], r[3]),
                                    "%.1f" % r[1] if r[1] is not None else "n/a"]
                    for other in ("WinINet", "curl"):
                        mine, theirs = rates["library"], rates[other]
                        if client == "library" and size > 1 and cell.status == "failed" and theirs:
                            row += [LIBRARY_FAILED, LIBRARY_FAILED]
                            continue
                        if client != "library" or size == 1 or not mine or not theirs:
                            row += ["", ""]
                            continue
                        row.append(ratio(mine[0], theirs[0]))
                        row.append(ratio(mine[1], theirs[1]) if mine[1] and theirs[1] else "n/a")
                    row.append("%.1f" % (max(cell.rss_kib) / 1024) if cell.rss_kib else "")
                    if not cell.times:
                        row.append("-")
                    elif cell.checks_failed:
                        row.append("BAD %d/%d" % (cell.checks_failed, len(cell.times)))
                    else:
                        row.append("ok")
                    row.append(cell.note)
                    rows.append(row)
        widths = [max(len(r[i]) for r in [head] + rows) for i in range(len(head))]
        def fmt(r):
            return "  ".join(v.ljust(w) for v, w in zip(r, widths)).rstrip()
        lines = [fmt(head), fmt(["-" * w for w in widths])]
        last = None
        for r in rows:
            if last is not None and r[:3] != last[:3]:
                lines.append("")
            lines.append(fmt(r))
            last = r
        return "\n".join(lines)


LEGEND = """\
Each figure is a whole process run (start, connect, transfer, end), wall clock, median of the runs.
  size 1 B         the fixed cost of that client, protocol and direction (process start + connect)
  MiB/s raw        size / median time; raw min-max from the slowest and fastest run
  MiB/s net        size / (median time - median fixed cost of the same client, protocol and direction);
                   n/a where that difference is under 0.1 s (within the noise of process start)
  lib/X raw, net   library MiB/s divided by client X's MiB/s (above 1: the library is faster)
  peak RSS MiB     largest max RSS of the client process over the runs (/usr/bin/time %M; for the
                   Windows clients the wine loader process; the shared wineserver is not counted)
  check            every transferred file compared byte for byte with its source
  https            the same nginx and files over TLS on another port, as https://localhost/ (the
                   server certificate names localhost); its test certificate authority is trusted
                   in the bench's Wine prefix only, and given to curl with --cacert
  n/a (fails)      a ratio whose library figure failed (the library's row says why)
  failed           the transfer reported failure (see note); timeout: no end within the time limit;
  timeout*         not run because a smaller size timed out or projects past the limit;
  skipped          not run because the time budget of the whole run was used up
In a running process: one process makes 1, another {n} 1-byte transfers one after another; the
figure is (time of {n} - time of 1) / {m}, best of the runs: what one more transfer costs a host
application that is already running (no process start, no first load of libraries and fonts).""".format(
    n=WARM_REPEAT, m=WARM_REPEAT - 1)


def main():
    p = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    p.add_argument("--runs", type=int, default=5)
    p.add_argument("--sizes", type=lambda t: sorted({parse_size(s) for s in t.split(",") if s.strip()}),
                   default=[MIB, 64 * MIB, 256 * MIB])
    p.add_argument("--timeout", type=float, default=180, help="longest single transfer, seconds")
    p.add_argument("--budget", type=float, default=12, help="minutes for all measurements")
    p.add_argument("--check-args", action="store_true", help="only check the arguments")
    p.add_argument("--make-files", action="store_true", help="only create the source files in --root")
    p.add_argument("--root"); p.add_argument("--out"); p.add_argument("--scratch")
    p.add_argument("--ftp-host", default="127.0.0.9"); p.add_argument("--http-port", type=int)
    p.add_argument("--https-port", type=int)
    p.add_argument("--ca", help="PEM of the certificate authority of the HTTPS server (for curl)")
    p.add_argument("--wineloader"); p.add_argument("--nethost"); p.add_argument("--wininet")
    p.add_argument("--log"); p.add_argument("--results"); p.add_argument("--header", default="")
    args = p.parse_args()
    if args.runs < 1:
        p.error("--runs must be at least 1")
    if args.check_args:
        return 0
    if args.make_files:
        for size in [1] + args.sizes:
            path = os.path.join(args.root, file_name(size))
            if os.path.exists(path) and os.path.getsize(path) == size:
                continue
            with open(path + ".part", "wb") as f:
                left = size
                while left:
                    chunk = os.urandom(min(left, 4 * MIB))
                    f.write(chunk)
                    left -= len(chunk)
            os.chmod(path + ".part", 0o644)
            os.replace(path + ".part", path)
        return 0

    bench = Bench(args)
    load_before = os.getloadavg()[0]
    started = time.monotonic()
    bench.run(args.sizes, args.runs)
    # Other work on the machine shows in the figures: say how busy it was.
    footer = "measured in %.0f s; load average (1 min) %.2f before, %.2f after, on %d cores" % (
        time.monotonic() - started, load_before, os.getloadavg()[0], os.cpu_count())
    text = "%s\n%s\n\none more 1-byte transfer in a running process:\n%s\n\n%s\n%s\n" % (
        args.header, bench.table(args.sizes, args.runs), bench.warm_table(), footer, LEGEND)
    print()
    print(text, end="")
    with open(args.results, "w") as f:
        f.write(text)
    print("\nwritten to %s (each run's command and output: %s)" % (args.results, args.log))
    return 0


if __name__ == "__main__":
    sys.exit(main())
