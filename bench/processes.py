"""Processes of the benchmark: start, wait with their CPU time, and the CPU of
the Wine session around them.

A program under Wine is one Linux process (the wine loader becomes the
program, same pid), and the process's own rusage counts all its threads. Part
of its work is done by the wineserver (every wait, message and handle call
goes through it) and, for windows, by Wine's explorer.exe; those processes
live for the whole session. The CPU attributable to one run is therefore the
run's own rusage plus the growth, over the run, of the CPU time of every
other process of the session's Wine prefix that lives on (wineserver,
explorer.exe, services.exe, ...) and of the session's X server (Xvfb), which
draws what the windows paint. Processes the run starts and that are gone
by its end (the setup program started by the updater) are not counted.
"""
import os
import signal
import subprocess
import time

_TICK = os.sysconf("SC_CLK_TCK")


def _session_pids(prefix):
    """The processes of the prefix and the session's X server (a sibling of ours under tools/wine-env.sh)."""
    marker = ("WINEPREFIX=" + prefix).encode()
    parent = os.getppid()
    pids = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/environ" % name, "rb") as f:
                ours = marker in f.read().split(b"\0")
            with open("/proc/%s/stat" % name) as f:
                head, tail = f.read().rsplit(")", 1)
            command = head.split("(", 1)[1]
            if ours or (command == "Xvfb" and int(tail.split()[1]) == parent):
                pids[int(name)] = command
        except OSError:
            pass
    return pids


def _cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / _TICK  # utime, stime


def session_cpu(prefix, exclude=()):
    """Returns {pid: (command, CPU seconds)} of the session's processes, those in exclude left out."""
    result = {}
    for pid, command in _session_pids(prefix).items():
        if pid in exclude or pid == os.getpid():
            continue
        try:
            result[pid] = (command, _cpu_seconds(pid))
        except OSError:
            pass
    return result


def session_growth(before, after):
    """Returns {command: CPU seconds} the processes alive in both snapshots spent in between."""
    growth = {}
    for pid, (command, seconds) in after.items():
        if pid in before:
            growth[command] = growth.get(command, 0) + seconds - before[pid][1]
    return growth


class Run:
    """One started process; finish() reaps it and gives its wall and CPU time.

    Once reaped, peak_kib holds its peak resident set over its whole life, its
    close included (ru_maxrss of wait4, in KiB on Linux): the same reading for
    every program, whatever it was doing when.
    """

    def __init__(self, command, env=None, stdout=subprocess.DEVNULL):
        self.start = time.monotonic()
        self.process = subprocess.Popen(command, env=env, stdout=stdout, stderr=subprocess.DEVNULL)
        self.pid = self.process.pid

    def exited(self):
        """Reaps the process if it has ended; returns (exit status, wall seconds, CPU seconds) or None."""
        pid, status, usage = os.wait4(self.pid, os.WNOHANG)
        if not pid:
            return None
        return self._finished(status, usage)

    def _finished(self, status, usage):
        wall = time.monotonic() - self.start
        self.peak_kib = usage.ru_maxrss
        self.process.returncode = os.waitstatus_to_exitcode(status)
        return self.process.returncode, wall, usage.ru_utime + usage.ru_stime

    def finish(self, timeout):
        """Waits up to timeout seconds (then kills); returns (exit status, wall seconds, CPU seconds)."""
        deadline = time.monotonic() + timeout
        while True:
            result = self.exited()
            if result:
                return result
            if time.monotonic() > deadline:
                os.kill(self.pid, signal.SIGKILL)
                _, status, usage = os.wait4(self.pid, 0)
                return self._finished(status, usage)
            time.sleep(0.005)
