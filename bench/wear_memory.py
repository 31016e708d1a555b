#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A long wear run and its memory, by hand:

    bench/wear_memory.py [--ctl KVT730CTL] [--sim KVT730-SIM] [--motions N] [--in-process] [--heaptrack]

Starts kvt730-sim (or, with --in-process, kvt730ctl's own --simulate reader) and runs
`kvt730ctl wear --cycles N/3 --path ic,rf,front-hold --every 1000 --report FILE`, reading
kvt730ctl's resident memory (VmRSS) every 20 ms. Prints the resident memory when the
summary of cycle 1,000 came, the largest and the last seen, the growth between, the time
from the verdict line to the end of the program (the report being written) and the size of
the report. With --heaptrack the run goes under heaptrack and the largest holders of memory
at the peak are printed too (to tell kvt730ctl's log holder from the run's own data).
"""
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

import kvt_bench


def rss_kib(pid):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith("VmRSS:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def print_heap_owners(heap, flame):
    """The heap at its peak by owner, from heaptrack's allocation stacks."""
    subprocess.run(["heaptrack_print", "-F", flame, "--flamegraph-cost-type", "peak", heap], capture_output=True)
    owners = {}
    for line in open(flame):
        stack, _, cost = line.rstrip("\n").rpartition(" ")
        if "CollectedLog::traffic" in stack or ("RunOnPort" in stack and "LogEntry" in stack):
            owner = "kvt730ctl's log holder (an entry per log line)"
        elif any(f in stack for f in ("BuildFrame", "Engine::ExecuteCommand", "QtSerialPort::read", "VerifyProbe")):
            owner = "frames and replies (kept alive by the log holder's entries)"
        elif "MotionStats" in stack:
            owner = "the wear run's statistics (times, trend)"
        else:
            owner = "everything else"
        owners[owner] = owners.get(owner, 0) + int(cost)
    print("heap at its peak, by owner:")
    for owner, cost in sorted(owners.items(), key=lambda kv: -kv[1]):
        print("  %10.2f MiB  %s" % (cost / 1048576.0, owner))


def main():
    ap = kvt_bench.parser()
    ap.add_argument("--motions", type=int, default=100000)
    ap.add_argument("--in-process", action="store_true")
    ap.add_argument("--heaptrack", action="store_true")
    a = ap.parse_args()
    work = tempfile.mkdtemp()
    report = os.path.join(work, "wear.html")
    sim = None
    port = ["--simulate"]
    if not a.in_process:
        sim = subprocess.Popen([a.sim], stdout=subprocess.PIPE, text=True)
        port = ["--port", sim.stdout.readline().split()[1]]
    cycles = a.motions // 3
    cmd = [a.ctl] + port + ["wear", "--cycles", str(cycles), "--path", "ic,rf,front-hold", "--every", "1000",
                            "--report", report]
    if a.heaptrack:
        cmd = ["heaptrack", "-o", os.path.join(work, "heap")] + cmd  # writes heap.zst
    start = time.monotonic()
    run = subprocess.Popen(cmd, stdout=subprocess.PIPE, text=True)
    pid = run.pid
    seen = {"at1000": None, "max": 0, "last": 0, "verdict": None}

    def sample():
        while run.poll() is None:
            r = rss_kib(pid)
            if r:
                seen["max"] = max(seen["max"], r)
                seen["last"] = r
            time.sleep(0.02)

    sampler = threading.Thread(target=sample)
    sampler.start()
    for line in run.stdout:
        if line.startswith("Cycle 1000: ") and seen["at1000"] is None:
            seen["at1000"] = rss_kib(pid)
        if line.startswith("Verdict: "):
            seen["verdict"] = time.monotonic()
            seen["verdict_rss"] = rss_kib(pid)
    run.wait()
    end = time.monotonic()
    sampler.join()
    if sim:
        sim.terminate()
        sim.wait()
    size = os.path.getsize(report) if os.path.exists(report) else -1
    print("motions          %d (%d cycles of 3), exit status %d, %.1f s" % (cycles * 3, cycles, run.returncode, end - start))
    if not a.heaptrack:  # under heaptrack the resident memory is not the program's alone
        print("resident at cycle 1,000   %8d KiB" % (seen["at1000"] or -1))
        print("resident at the verdict   %8d KiB" % (seen.get("verdict_rss") or -1))
        print("largest seen              %8d KiB" % seen["max"])
        print("growth 1,000 -> verdict   %8d KiB" % ((seen.get("verdict_rss") or 0) - (seen["at1000"] or 0)))
    if seen["verdict"]:
        print("verdict line to exit      %8.3f s (report written, ports closed)" % (end - seen["verdict"]))
    print("report size               %8d bytes" % size)
    if a.heaptrack:
        print_heap_owners(os.path.join(work, "heap.zst"), os.path.join(work, "flame.txt"))
    if os.environ.get("KVT_BENCH_KEEP"):
        print("kept " + work)
    else:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
