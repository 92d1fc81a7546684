#!/usr/bin/python3
"""The Python module's speed beside the batch tool's, in one run.

    PYTHONPATH=build-release/python bench/python_throughput.py [--cli build-release/bin/vardenix-cli]
        [--rows 1000000] [--dask-rows 4000000] [--repeat 3] [--no-dask]

1. vardenix.analyse on ROWS rows of all five sections with n, S0 and h,
   against vardenix-cli --geometry exact on the same rows as CSV: rows per
   CPU second of each (the machine is shared, so CPU time, not wall time),
   and the peak resident memory of each.
2. A local dask.distributed cluster of one worker, then of two (one thread
   each), on DASK_ROWS rows made on the workers themselves: rows per second
   of wall time, and the ratio. Run it when the machine is otherwise idle.
"""

import argparse
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
import pandas as pd

import vardenix


def make_rows(rows, seed):
    """All five sections in turn, each with plausible sizes, n, S0 and h;
    one row in twelve without h."""
    rng = np.random.default_rng(seed)
    kind = np.arange(rows) % 6
    nan = np.full(rows, np.nan)
    pick = lambda kinds, values: np.where(np.isin(kind, kinds), values, nan)
    t = {
        "type": np.array([1, 2, 3, 4, 5, 3])[kind],
        "Q": np.round(0.5 + rng.random(rows) * 40, 3),
        "R": pick([0], np.round(0.5 + rng.random(rows) * 3, 2)),
        "b": pick([1, 2, 4], np.round(1 + rng.random(rows) * 10, 2)),
        "W": pick([5], np.round(1 + rng.random(rows) * 10, 2)),
        "s1": pick([2, 3, 5], np.ones(rows)),
        "s2": pick([2, 3, 5], np.round(0.5 + rng.random(rows) * 2, 2)),
        "wall": pick([4], np.round(1 + rng.random(rows) * 2, 2)),
        "angle": pick([4], np.round(60 + rng.random(rows) * 120, 1)),
        "n": np.round(0.011 + rng.random(rows) * 0.02, 4),
        "S0": np.round(0.0001 + rng.random(rows) * 0.01, 5),
        "h": np.round(0.1 + rng.random(rows) * 2, 3),
    }
    t["h"][np.arange(rows) % 12 == 3] = np.nan
    return pd.DataFrame(t)


def children_cpu():
    usage = resource.getrusage(resource.RUSAGE_CHILDREN)
    return usage.ru_utime + usage.ru_stime


def bench_single(cli, rows, repeat):
    frame = make_rows(rows, 1)
    with tempfile.TemporaryDirectory() as tmp:
        path = os.path.join(tmp, "rows.csv")
        frame.to_csv(path, index=False)
        tool = []
        report = os.path.join(tmp, "time")
        for _ in range(repeat):
            before = children_cpu()
            with open(path, "rb") as rows_in:
                subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report, cli, "--geometry", "exact"], stdin=rows_in,
                               stdout=subprocess.DEVNULL, check=True)
            tool.append(children_cpu() - before)
        with open(report) as kib:
            tool_peak = int(kib.read().split()[-1])
    module = []
    rss_before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    for _ in range(repeat):
        start = time.process_time()
        result = vardenix.analyse(frame)
        module.append(time.process_time() - start)
        del result
    module_peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    frame_mib = frame.memory_usage(deep=True).sum() / 2**20
    tool_rate, module_rate = rows / min(tool), rows / min(module)
    print(f"{rows} rows with n, S0 and h, best of {repeat} (CPU seconds: tool {sorted(tool)}, module {sorted(module)})")
    print(f"  vardenix-cli --geometry exact: {tool_rate:,.0f} rows per CPU second, peak resident {tool_peak / 1024:.0f} MiB")
    print(f"  vardenix.analyse:              {module_rate:,.0f} rows per CPU second, peak resident "
          f"{module_peak / 1024:.0f} MiB (input frame {frame_mib:.0f} MiB, process before the calls "
          f"{rss_before / 1024:.0f} MiB)")
    print(f"  module / tool: {module_rate / tool_rate:.1%} (target at least 80 %)")


def bench_gil(rows):
    """The longest pause of another Python thread while analyse computes: a
    few milliseconds when the GIL is released, the whole call when not."""
    import threading
    frame = make_rows(rows, 2)
    done = threading.Event()
    gaps = []

    def call():
        vardenix.analyse(frame)
        done.set()

    worker = threading.Thread(target=call)
    start = last = time.perf_counter()
    worker.start()
    while not done.is_set():
        time.sleep(0.001)
        now = time.perf_counter()
        gaps.append(now - last)
        last = now
    worker.join()
    print(f"GIL: during a call of {last - start:.2f} s on {rows} rows, another Python thread woke "
          f"{len(gaps)} times, its longest pause {max(gaps) * 1000:.0f} ms")


def partition(seed, rows):
    return make_rows(rows, seed)


def bench_dask(rows, repeat, partitions=8):
    import dask.dataframe as dd
    from distributed import Client, LocalCluster, wait
    import vardenix.dask

    def peak_mib():
        return resource.getrusage(resource.RUSAGE_SELF).ru_maxrss / 1024

    def cpu_seconds():
        usage = resource.getrusage(resource.RUSAGE_SELF)
        return usage.ru_utime + usage.ru_stime

    seconds = {1: [], 2: []}
    worker_cpu = {1: [], 2: []}
    peaks = {}
    # One worker and two in turn, so that a busy spell of the machine falls on both.
    for _ in range(repeat):
        for workers in (1, 2):
            with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                              dashboard_address=None) as cluster, Client(cluster) as client:
                # The partitions are made on the workers in turn, so that each holds its share.
                addresses = sorted(client.scheduler_info()["workers"])
                parts = [client.submit(partition, i, rows // partitions, workers=[addresses[i % workers]], pure=False)
                         for i in range(partitions)]
                wait(parts)
                ddf = dd.from_delayed(parts, meta=make_rows(0, 0))
                cpu_before = client.run(cpu_seconds)
                start = time.perf_counter()
                result = vardenix.dask.analyse(ddf).persist()
                wait(result)
                seconds[workers].append(time.perf_counter() - start)
                cpu_after = client.run(cpu_seconds)
                worker_cpu[workers].append(sorted(round(cpu_after[w] - cpu_before[w], 2) for w in cpu_after))
                assert len(result) == rows // partitions * partitions
                peaks[workers] = max(client.run(peak_mib).values())
    one, two = (rows / min(seconds[w]) for w in (1, 2))
    print(f"Dask local cluster, {rows} rows in {partitions} partitions, best of {repeat} "
          f"(wall seconds: one worker {sorted(round(s, 2) for s in seconds[1])}, "
          f"two {sorted(round(s, 2) for s in seconds[2])})")
    print(f"  one worker:  {one:,.0f} rows/s, worker peak resident {peaks[1]:.0f} MiB")
    print(f"  two workers: {two:,.0f} rows/s, worker peak resident {peaks[2]:.0f} MiB")
    print(f"  CPU seconds of each worker in each run: one worker {worker_cpu[1]}, two {worker_cpu[2]}")
    print(f"  scaling: {two / one:.2f}x (target at least 1.6x); median "
          f"{statistics.median(seconds[1]) / statistics.median(seconds[2]):.2f}x")


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--cli", default="build/bin/vardenix-cli")
    parser.add_argument("--rows", type=int, default=1_000_000)
    parser.add_argument("--dask-rows", type=int, default=4_000_000)
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--no-dask", action="store_true")
    args = parser.parse_args()
    print(f"load average {os.getloadavg()[0]:.2f} on {os.cpu_count()} cores")
    bench_single(args.cli, args.rows, args.repeat)
    bench_gil(args.rows)
    if not args.no_dask:
        print(f"load average {os.getloadavg()[0]:.2f}")
        bench_dask(args.dask_rows, args.repeat)
    return 0


if __name__ == "__main__":
    sys.exit(main())
