"""The updater's benchmarks, run inside tools/wine-env.sh by bench/run.sh.

Measures, side by side and interleaved (A, B, A, B ...), the updater against
baselines of our own under the same Wine, and prints the medians as a table:
download throughput and CPU per GiB (against a bare WinINet loop and native
curl), the progress notifications per GiB the updater's window takes, start to visible window and peak memory (against a minimal window
program), the executable's size and its imported DLLs. With a proxy script
configured (one that answers DIRECT, so the same server is asked), it also
measures the updater's download and the script look-up's own time.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import time

from processes import Run, session_cpu, session_growth
from servers import Nginx, ScriptServer, StallingServer
from xwatch import MapWatcher

GIB = 1 << 30
URL_PATH = "/files/ov3/orvinta-setup.exe"


class Bench:
    def __init__(self, args):
        self.args = args
        self.build = os.environ["UPDATER_BUILD_DIR"]
        self.wine = os.environ["UPDATER_WINE"]
        self.prefix = os.environ["WINEPREFIX"]
        self.temp = os.path.join(self.prefix, "drive_c", "Temp")  # the prefix's temporary folder, C:\Temp
        self.work = os.path.join(self.build, "bench-run")
        self.url = "http://127.0.0.1:%d%s" % (args.port, URL_PATH)
        self.results = {}
        shutil.rmtree(self.work, ignore_errors=True)
        os.makedirs(self.work)

    def exe(self, name):
        return os.path.join(self.build, name)

    def record(self, key, value):
        self.results.setdefault(key, []).append(value)

    def clear_temp(self):
        for name in os.listdir(self.temp):
            path = os.path.join(self.temp, name)
            if os.path.isfile(path):
                os.remove(path)

    # ---- start-up and memory -------------------------------------------------

    def show_window(self, exe_name, arguments, close_at):
        """Starts a program, times its window's appearance, closes it by a click; gives its peak memory to its exit."""
        watcher = MapWatcher()
        try:
            run = Run([self.wine, self.exe(exe_name)] + arguments)
            mapped = watcher.wait_for(exe_name, 30)
        finally:
            watcher.close()
        if not mapped:
            run.finish(0)
            raise RuntimeError(exe_name + " showed no window")
        seen, window = mapped
        time.sleep(self.args.settle)  # the same moment for both: the window up and idle (or stalled)
        geometry = dict(line.split("=") for line in subprocess.run(
            ["xdotool", "getwindowgeometry", "--shell", str(window)], capture_output=True, text=True).stdout.split())
        x, y = close_at(int(geometry["X"]), int(geometry["Y"]), int(geometry["WIDTH"]))
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)
        run.finish(15)
        return seen - run.start, run.peak_kib

    def startup_round(self, turn, keep=True):
        pairs = [
            # The updater's close picture sits in the top right corner (at 96 dpi).
            ("updater", "updater.exe", [], lambda x, y, w: (x + w - 12, y + 13)),
            ("window", "minimal-window.exe", [], lambda x, y, w: (x + w // 2, y + 20)),
            ("window+dlls", "minimal-window.exe", ["--with-dlls"], lambda x, y, w: (x + w // 2, y + 20)),
            # The same with the system proxy query that the updater makes before its window.
            ("window+dlls+query", "minimal-window.exe", ["--with-dlls", "--with-proxy-query"],
             lambda x, y, w: (x + w // 2, y + 20)),
        ]
        turn %= len(pairs)
        for name, exe_name, arguments, close_at in pairs[turn:] + pairs[:turn]:  # each first in turn
            self.clear_temp()
            seconds, memory = self.show_window(exe_name, arguments, close_at)
            if keep:
                self.record(("visible", name), seconds)
                self.record(("memory", name), memory)

    # ---- download ------------------------------------------------------------

    def download(self, name, nginx):
        """Runs one client to the end; records transfer time, bytes, attributable CPU seconds and peak memory.

        CPU and memory are read the same way for every client: over its whole
        run, to its exit (the updater's hand-off and close included, as a
        baseline's exit is), since a client that has already exited cannot be
        read at any earlier moment.
        """
        self.clear_temp()
        env = dict(os.environ)
        setup_record = os.path.join(self.temp, "setup-record.txt")
        env["DEMO_SETUP_RECORD"] = "C:\\Temp\\setup-record.txt"
        if name in ("updater", "updater, script"):
            command = [self.wine, self.exe("updater.exe")]
        elif name == "loop":
            command = [self.wine, self.exe("wininet-loop.exe"), self.url, "C:\\Temp\\wininet-loop.bin"]
        elif name == "loop 1 MiB":
            command = [self.wine, self.exe("wininet-loop.exe"), "--piece", "1024", self.url, "C:\\Temp\\wininet-loop.bin"]
        elif name == "async loop":
            command = [self.wine, self.exe("wininet-loop.exe"), "--async", self.url, "C:\\Temp\\wininet-loop.bin"]
        else:
            command = ["curl", "-s", "-o", os.path.join(self.temp, "curl.bin"), self.url]
        wine = name != "curl"
        if name == "updater, script":
            self.set_proxy_script(self.script.url)
        before = session_cpu(self.prefix) if wine else {}
        run = Run(command, env=env)
        result = run.finish(600)
        if name == "updater, script":
            self.set_proxy_script(None)
        status, wall, whole_cpu = result
        after = session_cpu(self.prefix, exclude={run.pid}) if wine else {}
        request = nginx.next_request()
        for _ in range(200):  # nginx logs the request as it hands over the last byte, the client may be quicker
            if request:
                break
            time.sleep(0.01)
            request = nginx.next_request()
        if name in ("updater", "updater, script"):
            # The updater hands the file to the setup program it starts as it exits.
            for _ in range(1000):
                if os.path.exists(setup_record):
                    break
                time.sleep(0.01)
            else:
                raise RuntimeError("the updater started no setup program")
            self.record(("end to end", name), time.monotonic() - run.start)
        if status != 0:
            raise RuntimeError("%s exited with %d" % (name, status))
        if not request or request[2] != 200 or request[1] < self.size:
            raise RuntimeError("%s: incomplete transfer %r" % (name, request))
        seconds, sent, _ = request
        per_gib = GIB / sent
        self.record(("throughput", name), sent / seconds / 1e6)
        self.record(("cpu own", name), whole_cpu * per_gib)
        growth = session_growth(before, after)
        for command, cpu in growth.items():
            self.record(("cpu " + command, name), cpu * per_gib)
        self.record(("cpu", name), (whole_cpu + sum(growth.values())) * per_gib)
        if wine:
            self.record(("download memory", name), run.peak_kib)
        self.record(("process", name), wall)
        self.clear_temp()

    def count_progress_messages(self, nginx):
        """One download by progress-count.exe (the updater with a count of the progress
        notifications its window takes); records them per GiB and the run's throughput."""
        self.clear_temp()
        env = dict(os.environ)
        env["DEMO_SETUP_RECORD"] = "C:\\Temp\\setup-record.txt"
        done = subprocess.run([self.wine, self.exe("progress-count.exe")], env=env, capture_output=True, text=True,
                              timeout=600)
        request = nginx.next_request()
        counts = [line for line in done.stdout.splitlines() if line.startswith("progress messages:")]
        if done.returncode != 0 or not counts or not request or request[2] != 200 or request[1] < self.size:
            raise RuntimeError("progress-count.exe: %r %r" % (done.stdout, request))
        kinds = dict(part.split() for part in counts[0].split(":", 1)[1].split(","))
        per_gib = GIB / request[1]
        self.record(("progress messages", "updater"), sum(int(n) for n in kinds.values()) * per_gib)
        self.record(("progress work messages", "updater"), int(kinds["work"]) * per_gib)
        self.record(("progress count throughput", "updater"), request[1] / request[0] / 1e6)
        print("  progress messages: %s; %.0f per GiB at %.1f MB/s" % (
            counts[0].split(":", 1)[1].strip(), self.results[("progress messages", "updater")][-1],
            self.results[("progress count throughput", "updater")][-1]), flush=True)
        self.clear_temp()

    def download_rounds(self):
        www = os.path.join(self.work, "www")
        os.makedirs(www)
        served = os.path.join(www, "orvinta-setup.exe")
        shutil.copy(self.exe("demo-setup.exe"), served)
        # The stand-in setup program with zero bytes appended (a sparse file:
        # nginx reads it from memory, so the server's disk is out of the race).
        self.size = os.path.getsize(served) + self.args.mib * (1 << 20)
        os.truncate(served, self.size)
        nginx = Nginx(os.path.join(self.work, "nginx"), self.args.port, URL_PATH, served)
        self.script = ScriptServer('function FindProxyForURL(url, host) { return "DIRECT"; }')
        try:
            clients = ["updater", "updater, script", "loop", "loop 1 MiB", "async loop", "curl"]
            for i in range(self.args.runs):
                turn = i % len(clients)
                for name in clients[turn:] + clients[:turn]:  # each goes first in turn
                    self.download(name, nginx)
                    print("  download %d/%d %-8s %7.1f MB/s" % (i + 1, self.args.runs, name,
                                                                 self.results[("throughput", name)][-1]), flush=True)
            self.count_progress_messages(nginx)
            self.script_lookups()
        finally:
            self.set_proxy_script(None)
            self.script.stop()
            nginx.stop()
            os.remove(served)

    # ---- proxy script ----------------------------------------------------------

    def set_proxy_script(self, url):
        """Sets (or with None removes) the current user's proxy script address, AutoConfigURL."""
        key = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings"
        command = ([self.wine, "reg", "add", key, "/v", "AutoConfigURL", "/d", url, "/f"] if url else
                   [self.wine, "reg", "delete", key, "/v", "AutoConfigURL", "/f"])
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def script_lookups(self):
        """Times the client's look-up of the built-in URL's proxy by the script, first and from its cache."""
        for i in range(self.args.runs):
            out = subprocess.run([self.wine, self.exe("proxy-lookup.exe"), self.script.url, self.url],
                                 capture_output=True, text=True, check=True).stdout
            first, cached = [float(line.split(": ")[1].split()[0]) for line in out.splitlines()
                             if line.startswith(("look-up", "cached"))]
            self.record(("script look-up", "updater"), first)
            self.record(("script look-up cached", "updater"), cached)
            print("  script look-up %d/%d %.1f ms, from the cache %.2f ms" % (i + 1, self.args.runs, first, cached),
                  flush=True)

    # ---- publisher check -----------------------------------------------------

    def publisher_check_rounds(self):
        """Times the publisher check (open, WinVerifyTrust through the handle, chain, subject) on a
        100 MB setup signed by a throw-away test CA that the prefix trusts (tests/support/signing-fixtures.sh)."""
        root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
        signing = os.path.join(self.work, "signing")
        setup = os.path.join(self.work, "setup-100mb.exe")
        shutil.copy(self.exe("demo-setup.exe"), setup)
        with open(setup, "ab") as f:
            f.write(bytes(range(256)) * (100 * 1000 * 1000 // 256))
        subprocess.run([os.path.join(root, "tests", "support", "signing-fixtures.sh"), signing,
                        self.exe("updater.exe"), setup], check=True)
        win = lambda path: "Z:" + path.replace("/", "\\")
        check = self.exe("check-publisher.exe")
        subprocess.run([self.wine, check, "--trust-root", win(os.path.join(signing, "certs", "ca.der"))], check=True)
        signed_updater = win(os.path.join(signing, "signed", "updater.exe"))
        signed_setup = os.path.join(signing, "setups", "publisher.exe")
        self.check_size = os.path.getsize(signed_setup)
        for i in range(self.args.runs):
            out = subprocess.run([self.wine, check, signed_updater, win(signed_setup)], capture_output=True,
                                 text=True, check=True).stdout
            ms = float(out.split("check time: ")[1].split()[0])
            self.record(("publisher check", "updater"), ms / 1000)
            print("  publisher check %d/%d %.0f ms (%s)" % (i + 1, self.args.runs, ms,
                                                          out.split("verdict: ")[1].splitlines()[0]), flush=True)
        shutil.rmtree(signing)
        os.remove(setup)

    # ---- everything ----------------------------------------------------------

    def run(self):
        if self.args.only == "check":
            self.publisher_check_rounds()
            self.print_runs()
            return
        load = [_loadavg()]
        busy = _CpuBusy()
        stall = StallingServer(self.args.port)
        try:
            self.startup_round(0, keep=False)  # warms Wine's session processes and the page cache
            for i in range(self.args.runs if self.args.only != "download" else 0):
                self.startup_round(i)
                print("  start-up %d/%d updater %.0f ms, window %.0f ms, window+dlls %.0f ms, "
                      "window+dlls+query %.0f ms" % (
                          i + 1, self.args.runs, 1000 * self.results[("visible", "updater")][-1],
                          1000 * self.results[("visible", "window")][-1],
                          1000 * self.results[("visible", "window+dlls")][-1],
                          1000 * self.results[("visible", "window+dlls+query")][-1]), flush=True)
        finally:
            stall.stop()
        load.append(_loadavg())
        if self.args.only != "startup":
            self.download_rounds()
        if not self.args.only:
            self.publisher_check_rounds()
        load.append(_loadavg())
        if self.args.only:
            self.print_runs()
        else:
            self.print_table(load, busy.share())

    def print_table(self, load, busy):
        median = {key: statistics.median(values) for key, values in self.results.items()}
        exe = self.exe("updater.exe")
        size = os.path.getsize(exe)
        dlls = [line.split(":", 1)[1].strip() for line in subprocess.run(
            ["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True, text=True).stdout.splitlines()
            if "DLL Name:" in line]
        rows = []

        def row(figure, unit, ours, other, ratio, goal, met):
            rows.append((figure, unit, ours, other, ratio, goal, met))

        def pair(figure, unit, key, base, fmt, goal=None, higher_is_better=True):
            ours, other = median[(key, "updater")], median[(key, base)]
            ratio = ours / other
            met = ""
            if goal is not None:
                met = "yes" if (ratio >= goal if higher_is_better else ratio <= goal) else "NO"
            row(figure, unit, fmt % ours, fmt % other, "%.2f" % ratio,
                "" if goal is None else ("≥ %.2f" if higher_is_better else "≤ %.2f") % goal, met)

        pair("throughput ÷ WinINet loop", "MB/s", "throughput", "loop", "%.0f", 0.95)
        pair("throughput ÷ WinINet loop, 1 MiB pieces", "MB/s", "throughput", "loop 1 MiB", "%.0f", 0.95)
        pair("throughput ÷ async WinINet loop", "MB/s", "throughput", "async loop", "%.0f")
        pair("throughput ÷ curl", "MB/s", "throughput", "curl", "%.0f")
        pair("CPU per GiB ÷ WinINet loop", "s", "cpu", "loop", "%.2f", 1.10, False)
        pair("CPU per GiB ÷ WinINet loop, 1 MiB pieces", "s", "cpu", "loop 1 MiB", "%.2f", 1.10, False)
        pair("CPU per GiB ÷ async WinINet loop", "s", "cpu", "async loop", "%.2f")
        pair("CPU per GiB ÷ curl", "s", "cpu", "curl", "%.2f")
        pair("peak memory of a download ÷ WinINet loop", "MiB", "download memory", "loop", "%.1f")
        rows[-1] = rows[-1][:2] + ("%.1f" % (median[("download memory", "updater")] / 1024),
                                   "%.1f" % (median[("download memory", "loop")] / 1024)) + rows[-1][4:]
        pair("start to visible window ÷ minimal window", "ms", "visible", "window", "%.0f", 1.25, False)
        rows[-1] = rows[-1][:2] + ("%.0f" % (1000 * median[("visible", "updater")]),
                                   "%.0f" % (1000 * median[("visible", "window")])) + rows[-1][4:]
        pair("peak memory (ru_maxrss) ÷ minimal window", "MiB", "memory", "window", "%.1f", 1.3, False)
        rows[-1] = rows[-1][:2] + ("%.1f" % (median[("memory", "updater")] / 1024),
                                   "%.1f" % (median[("memory", "window")] / 1024)) + rows[-1][4:]
        pair("start to visible window ÷ window with the updater's DLLs", "ms", "visible", "window+dlls", "%.0f")
        rows[-1] = rows[-1][:2] + ("%.0f" % (1000 * median[("visible", "updater")]),
                                   "%.0f" % (1000 * median[("visible", "window+dlls")])) + rows[-1][4:]
        pair("peak memory ÷ window with the updater's DLLs", "MiB", "memory", "window+dlls", "%.1f")
        rows[-1] = rows[-1][:2] + ("%.1f" % (median[("memory", "updater")] / 1024),
                                   "%.1f" % (median[("memory", "window+dlls")] / 1024)) + rows[-1][4:]
        pair("start to visible window ÷ same DLLs and proxy query", "ms", "visible", "window+dlls+query", "%.0f")
        rows[-1] = rows[-1][:2] + ("%.0f" % (1000 * median[("visible", "updater")]),
                                   "%.0f" % (1000 * median[("visible", "window+dlls+query")])) + rows[-1][4:]
        pair("peak memory ÷ same DLLs and proxy query", "MiB", "memory", "window+dlls+query", "%.1f")
        rows[-1] = rows[-1][:2] + ("%.1f" % (median[("memory", "updater")] / 1024),
                                   "%.1f" % (median[("memory", "window+dlls+query")] / 1024)) + rows[-1][4:]
        row("progress messages per GiB (one counted run)", "", "%.0f" % median[("progress messages", "updater")],
            "", "", "", "")
        row("executable size", "KB", "%.0f" % (size / 1000), "", "", "≤ 300", "yes" if size <= 300000 else "NO")
        row("publisher check, %.0f MB signed setup" % (self.check_size / 1e6), "ms",
            "%.0f" % (1000 * median[("publisher check", "updater")]), "", "", "", "")
        headers = ("figure", "unit", "updater", "baseline", "ratio", "goal", "met")
        widths = [max(len(str(r[i])) for r in rows + [headers]) for i in range(len(headers))]
        line = lambda r: "| " + " | ".join(str(c).ljust(w) for c, w in zip(r, widths)) + " |"
        print()
        print("Medians of %d runs each; %d MiB downloads; interleaved." % (self.args.runs, self.args.mib))
        print(line(headers))
        print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
        for r in rows:
            print(line(r))
        print()
        print("updater.exe: %d bytes; imports: %s" % (size, ", ".join(dlls)))
        print("updater end to end (start to setup started, 1 s hand-off pause included): %.2f s; "
              "process wall times: updater %.2f s, WinINet loop %.2f s, 1 MiB pieces %.2f s, async loop %.2f s, "
              "curl %.2f s" % (median[("end to end", "updater")], median[("process", "updater")],
                               median[("process", "loop")], median[("process", "loop 1 MiB")],
                               median[("process", "async loop")], median[("process", "curl")]))
        print("with a proxy script (answering DIRECT): updater throughput %.0f MB/s (without: %.0f MB/s), end to "
              "end %.2f s (without: %.2f s); the look-up itself %.1f ms, from the per-host cache %.2f ms" % (
                  median[("throughput", "updater, script")], median[("throughput", "updater")],
                  median[("end to end", "updater, script")], median[("end to end", "updater")],
                  median[("script look-up", "updater")], median[("script look-up cached", "updater")]))
        print("load average (1 min) at start / after start-up / at end: %s; other work on the machine: %.0f %% of "
              "its CPUs on average during the run (ours included)" % (" / ".join(load), 100 * busy))
        self.print_runs()

    def print_runs(self):
        for key in sorted(self.results):
            values = self.results[key]
            print("  all runs %-28s median %-8.4g %s" % ("%s/%s:" % key, statistics.median(values),
                                                        " ".join("%.4g" % v for v in values)))


def _loadavg():
    with open("/proc/loadavg") as f:
        return f.read().split()[0]


class _CpuBusy:
    """The share of the machine's CPU time that was busy since creation (all processes)."""

    def __init__(self):
        self._start = self._read()

    @staticmethod
    def _read():
        with open("/proc/stat") as f:
            values = [int(v) for v in f.readline().split()[1:]]
        idle = values[3] + values[4]
        return sum(values), idle

    def share(self):
        total, idle = self._read()
        return 1 - (idle - self._start[1]) / max(1, total - self._start[0])


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--runs", type=int, default=5, help="runs of each program per figure (median taken)")
    parser.add_argument("--mib", type=int, default=1024, help="MiB appended to the served setup program")
    parser.add_argument("--port", type=int, required=True, help="the loopback port of the built-in URL")
    parser.add_argument("--settle", type=float, default=1.0, help="seconds the window stays up before it is closed")
    parser.add_argument("--only", choices=["download", "startup", "check"], help="one part only, all runs printed, no table")
    Bench(parser.parse_args()).run()


if __name__ == "__main__":
    main()
