"""Processes of the benchmark: start, wait with their CPU time, and the CPU of
the Wine session around them.

A program under Wine is one Linux process (the wine loader becomes the
program, same pid), and the process's own rusage counts all its threads. Part
of its work is done by the wineserver (every wait, message and handle call
goes through it) and, for windows, by Wine's explorer.exe; those processes
live for the whole session. The CPU attributable to one run is therefore the
run's own rusage plus the growth, over the run, of the CPU time of every
other process of the session's Wine prefix that lives on (wineserver,
explorer.exe, services.exe, ...). Processes the run starts and that are gone
by its end (the setup program started by the updater) are not counted.
"""
import os
import signal
import subprocess
import time

_TICK = os.sysconf("SC_CLK_TCK")


def _prefix_pids(prefix):
    marker = ("WINEPREFIX=" + prefix).encode()
    pids = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % name, "rb") as f:
                if marker in f.read().split(b"\0"):
                    pids.append(int(name))
        except OSError:
            pass
    return pids


def _cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / _TICK  # utime, stime


def session_cpu(prefix, exclude=()):
    """Returns {pid: CPU seconds} of the prefix's processes, those in exclude left out."""
    result = {}
    for pid in _prefix_pids(prefix):
        if pid in exclude:
            continue
        try:
            result[pid] = _cpu_seconds(pid)
        except OSError:
            pass
    return result


def session_growth(before, after):
    """Returns the CPU seconds the processes alive in both snapshots spent in between."""
    return sum(after[pid] - before[pid] for pid in after if pid in before)


def peak_memory_kib(pid):
    """Returns VmHWM (peak resident set) of a running process, in KiB."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise RuntimeError("no VmHWM for %d" % pid)


class Run:
    """One started process; finish() reaps it and gives its wall and CPU time."""

    def __init__(self, command, env=None, stdout=subprocess.DEVNULL):
        self.start = time.monotonic()
        self.process = subprocess.Popen(command, env=env, stdout=stdout, stderr=subprocess.DEVNULL)
        self.pid = self.process.pid

    def finish(self, timeout):
        """Waits up to timeout seconds (then kills); returns (exit status, wall seconds, CPU seconds)."""
        deadline = time.monotonic() + timeout
        while True:
            pid, status, usage = os.wait4(self.pid, os.WNOHANG)
            if pid:
                break
            if time.monotonic() > deadline:
                os.kill(self.pid, signal.SIGKILL)
                pid, status, usage = os.wait4(self.pid, 0)
                break
            time.sleep(0.005)
        wall = time.monotonic() - self.start
        self.process.returncode = os.waitstatus_to_exitcode(status)
        return self.process.returncode, wall, usage.ru_utime + usage.ru_stime
