#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""What the metrics endpoint costs a wear run, by hand:

    bench/metrics_scrape.py [--ctl KVT730CTL] [--sim KVT730-SIM] [--cycles N] [--rounds R]
                            [--motion-ms MS] [--every-ms MS]

On one kvt730-sim (moves of --motion-ms, default 0: as fast as the line goes), each round
runs `kvt730ctl wear --cycles N --path ic,rf,front-hold --every N/10` twice, once alone and
once with --metrics 127.0.0.1:0 while a scraper fetches /metrics every --every-ms (default
100, ten times Prometheus' usual pace). The time per motion is taken between the first and
the last summary line, so the program's start and end (the endpoint's start and stop) are
left out. Prints for each round the time per motion of both runs and their ratio, the
median motion time the run itself measured, and the time each scrape took to answer
(median, 95th percentile, largest).
"""
import os
import re
import statistics
import subprocess
import sys
import threading
import time
import urllib.request

import kvt_bench


def wear(ctl, device, cycles, metrics, every_ms):
    """Milliseconds per motion between the first and the last summary (process start and
    end left out), the median motion time the run measured, and the scrapes' times."""
    every = max(cycles // 10, 1)
    args = [ctl, "--port", device, "wear", "--cycles", str(cycles), "--path", "ic,rf,front-hold",
            "--every", str(every)]
    if metrics:
        args += ["--metrics", "127.0.0.1:0"]
    run = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    scrapes = []
    scraper = None
    stop = threading.Event()
    if metrics:
        url = re.search(r"(http://\S+)", run.stderr.readline()).group(1)

        def scrape():
            while not stop.is_set():
                t = time.monotonic()
                try:
                    urllib.request.urlopen(url, timeout=5).read()
                    scrapes.append((time.monotonic() - t) * 1000)
                except OSError:
                    pass
                stop.wait(every_ms / 1000.0)

        scraper = threading.Thread(target=scrape)
        scraper.start()
    marks, medians = [], []
    for line in run.stdout:
        m = re.match(r"Cycle (\d+): ic: ", line)
        if m:
            marks.append((int(m.group(1)), time.monotonic()))
        m = re.match(r"Summary after .*min/median/p95/max [\d.]+/([\d.]+)/", line)
        if m:
            medians.append(float(m.group(1)))
            stop.set()  # the run is over: what follows is the program's end
    run.wait()
    stop.set()
    if scraper:
        scraper.join()
    (c0, t0), (c1, t1) = marks[0], marks[-1]
    return (t1 - t0) / ((c1 - c0) * 3) * 1000, statistics.median(medians), scrapes


def main():
    ap = kvt_bench.parser()
    ap.add_argument("--cycles", type=int, default=5000)
    ap.add_argument("--rounds", type=int, default=3)
    ap.add_argument("--motion-ms", type=int, default=0)
    ap.add_argument("--every-ms", type=int, default=100)
    a = ap.parse_args()
    sim = subprocess.Popen([a.sim, "--motion-ms", str(a.motion_ms)], stdout=subprocess.PIPE, text=True)
    device = sim.stdout.readline().split()[1]
    ratios, scrapes = [], []
    try:
        for r in range(a.rounds):
            plain, plain_median, _ = wear(a.ctl, device, a.cycles, False, a.every_ms)
            served, served_median, s = wear(a.ctl, device, a.cycles, True, a.every_ms)
            scrapes += s
            ratios.append(served / plain)
            print("round %d: %.4f ms/motion alone, %.4f ms/motion with --metrics (ratio %.3f); run's median motion "
                  "%.3f / %.3f ms; %d scrapes" % (r + 1, plain, served, served / plain, plain_median, served_median,
                                                  len(s)))
    finally:
        sim.terminate()
        sim.wait()
    scrapes.sort()
    print("ratio with/without --metrics: median %.3f, largest %.3f" % (statistics.median(ratios), max(ratios)))
    if scrapes:
        print("scrape answered in: median %.2f ms, p95 %.2f ms, largest %.2f ms (%d scrapes)" %
              (statistics.median(scrapes), scrapes[int(0.95 * (len(scrapes) - 1))], scrapes[-1], len(scrapes)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
