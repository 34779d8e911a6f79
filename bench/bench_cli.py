"""Wall time of the `velmora` command, start-up included: each subcommand on one pattern,
run through the installed console script as a user runs it (median and slowest of 7).
The target is under one second per command.

    .venv/bin/python bench/bench_cli.py
"""

from __future__ import annotations

import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

ROUNDS = 7
TARGET_S = 1.0


def main() -> int:
    script = os.path.join(os.path.dirname(sys.executable), "velmora")
    if not os.path.exists(script):
        print(f"bench_cli: no console script at {script} (run scripts/setup.sh)", file=sys.stderr)
        return 1
    folder = tempfile.mkdtemp(prefix="velmora_bench_cli_")
    commands = {
        "velmora --help": ["--help"],
        "velmora list (all 1,731, table)": ["list"],
        "velmora list --json": ["list", "--json"],
        "velmora list --match helix": ["list", "--match", "helix"],
        "velmora show helix": ["show", "helix"],
        "velmora show beat_dembow_push_ricochet --loops 4": ["show", "beat_dembow_push_ricochet", "--loops", "4"],
        "velmora export helix -o x.csv (one loop, 60 fps)": ["export", "helix", "-o", os.path.join(folder, "x.csv")],
        "velmora export helix -o x.csv --seconds 60 --rate 3/2 --swing 0.6": [
            "export", "helix", "-o", os.path.join(folder, "y.csv"), "--seconds", "60", "--rate", "3/2", "--swing", "0.6"],
        "velmora export helix -o x.glb --seconds 60": ["export", "helix", "-o", os.path.join(folder, "z.glb"), "--seconds", "60"],
    }
    print(f"velmora command, wall time with start-up, median / slowest of {ROUNDS} runs "
          f"(target < {TARGET_S:g} s), and the median CPU time (user + system) of the process")
    worst = 0.0
    for label, argv in commands.items():
        times, cpu = [], []
        for _ in range(ROUNDS):
            before = resource.getrusage(resource.RUSAGE_CHILDREN)
            start = time.perf_counter()
            subprocess.run([script, *argv], check=True, stdout=subprocess.DEVNULL)
            times.append(time.perf_counter() - start)
            after = resource.getrusage(resource.RUSAGE_CHILDREN)
            cpu.append(after.ru_utime + after.ru_stime - before.ru_utime - before.ru_stime)
        worst = max(worst, max(times))
        print(f"  {label:<68} {statistics.median(times) * 1e3:6.0f} ms / {max(times) * 1e3:5.0f} ms"
              f"   cpu {statistics.median(cpu) * 1e3:5.0f} ms")
    print(f"  slowest run of all: {worst:.2f} s ({'within' if worst < TARGET_S else 'OVER'} the {TARGET_S:g} s target)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
