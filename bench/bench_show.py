"""A long show exported to one CSV per fixture, streamed in blocks: time, peak resident
memory, and both against baselines measured in the same run (the same export of one
minute, whose peak the hour's must match, and `export` of one fixture alone for the
per-row cost). Each export runs in a fresh interpreter, so each peak is its own.

    .venv/bin/python bench/bench_show.py                      # 1,024 fixtures, one hour at 60 fps
    .venv/bin/python bench/bench_show.py --fixtures 64 --seconds 600

The files go to a temporary folder beside --folder (default: the system's temporary
folder) and are removed afterwards; the hour at 1,024 fixtures needs about 20 GB free.
"""

from __future__ import annotations

import argparse
import json
import os
import shutil
import subprocess
import sys
import tempfile

CHILD = r"""
import json, resource, sys, time
import velmora_kit as vk
fixtures, seconds, folder, alone = int(sys.argv[1]), float(sys.argv[2]), sys.argv[3], sys.argv[4] == "alone"
names = [e.name for e in vk.catalogue_entries()]
sources = [vk.Layer(names[i % len(names)], rate="3/2", phase=i) if i % 2 else names[i % len(names)] for i in range(fixtures)]
before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
start = time.perf_counter()
if alone:
    vk.export(sources[1], folder + "/alone.csv", tempo=128, fps=60, seconds=seconds)
else:
    vk.export_fixtures(sources, folder, tempo=128, fps=60, seconds=seconds)
elapsed = time.perf_counter() - start
peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
print(json.dumps({"seconds": elapsed, "peak_kib": peak, "before_kib": before}))
"""


def run(fixtures: int, seconds: float, folder: str, alone: bool = False) -> dict[str, float]:
    out = subprocess.run([sys.executable, "-c", CHILD, str(fixtures), str(seconds), folder, "alone" if alone else "all"],
                         capture_output=True, text=True, check=True).stdout
    result: dict[str, float] = json.loads(out)
    written = sum(os.path.getsize(os.path.join(folder, name)) for name in os.listdir(folder))
    result["bytes"] = written
    for name in os.listdir(folder):
        os.unlink(os.path.join(folder, name))
    return result


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--fixtures", type=int, default=1024)
    parser.add_argument("--seconds", type=float, default=3600.0)
    parser.add_argument("--folder", default=None)
    args = parser.parse_args()
    folder = tempfile.mkdtemp(prefix="velmora-show-", dir=args.folder)
    try:
        load = open("/proc/loadavg").read().split()[:3]
        short = run(args.fixtures, 60.0, folder)
        alone = run(2, args.seconds, folder, alone=True)  # exports the second, a layer
        show = run(args.fixtures, args.seconds, folder)
        load_after = open("/proc/loadavg").read().split()[:3]
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    frames = round(args.seconds * 60)
    samples = args.fixtures * frames
    per_row = show["seconds"] / samples * 1e6
    alone_row = alone["seconds"] / frames * 1e6
    print(f"show export: {args.fixtures:,} fixtures x {frames:,} frames (60 fps, {args.seconds:g} s) = {samples:,} samples,"
          f" one CSV per fixture (load average {' '.join(load)} before, {' '.join(load_after)} after)")
    print(f"  time: {show['seconds']:.1f} s, {per_row:.2f} us a row; export() of one fixture alone, same length:"
          f" {alone_row:.2f} us a row; ratio {per_row / alone_row:.2f} x")
    print(f"  written: {show['bytes'] / 1e9:.2f} GB")
    print(f"  peak RSS: {show['peak_kib'] / 1024:.0f} MiB for the show; {short['peak_kib'] / 1024:.0f} MiB for one minute"
          f" of it (ratio {show['peak_kib'] / short['peak_kib']:.2f} x); {alone['peak_kib'] / 1024:.0f} MiB for export()"
          f" of one fixture alone; {show['before_kib'] / 1024:.0f} MiB after import")


if __name__ == "__main__":
    main()
