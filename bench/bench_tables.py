"""Whole loop tables in bulk: one cold 1,024-row table, every table of the catalogue, a
player of 2,048 sources starting, and the gallery's build, each in a fresh interpreter so
that nothing is cached, each beside a baseline measured in the same run.

    PYTHONPATH=build/bench .venv/bin/python bench/bench_tables.py

Targets: a 1,024-row table <= 20 us cold, every table <= 0.1 s, the player <= 50 ms,
the gallery <= 0.5 s.
"""

import json
import os
import statistics
import subprocess
import sys

RUNS = 5

# Each probe prints a JSON object of seconds; it runs in a fresh interpreter (cold caches).
PROBES = {
    "table": """
import statistics, time, numpy as np, velmora, velmora_kit as vk
names = [e["name"] for e in velmora.catalogue() if e["period_pips"] == 1024]
source = np.ones((1024, 3))
firsts, floors = [], []
for name in names[:11]:  # each table asked for the first time: built from rows never read
    start = time.perf_counter(); vk.table(name); firsts.append(time.perf_counter() - start)
    start = time.perf_counter(); source.copy(); floors.append(time.perf_counter() - start)
print(json.dumps({"measured": statistics.median(firsts[1:]), "baseline": statistics.median(floors[1:]),
                  "first": firsts[0]}))
""",
    "catalogue": """
import itertools, time, numpy as np, velmora, velmora_kit as vk
names = [e["name"] for e in velmora.catalogue()]
start = time.perf_counter()
for name in names:
    vk.table(name)
took = time.perf_counter() - start
# The same tables asked of the module one pip per call (how the kit built them before).
start = time.perf_counter()
for e in velmora.catalogue():
    np.fromiter(itertools.chain.from_iterable(map(velmora.Offset3.as_tuple, map(velmora.sample,
                itertools.repeat(e["name"], e["period_pips"]), range(e["period_pips"])))), np.float64)
print(json.dumps({"measured": took, "baseline": time.perf_counter() - start}))
""",
    "player": """
import itertools, time, numpy as np, velmora, velmora_kit as vk
names = [e["name"] for e in velmora.catalogue()]
sources = {f"light{i}": name for i, name in zip(range(2048), itertools.cycle(names))}
start = time.perf_counter()
player = vk.Player(sources, tempo=vk.TempoMap(120.0), rate_hz=60.0, sinks=[])
took = time.perf_counter() - start
# The stacked tables alone: what any player must at least copy once.
tables = [vk.table(name) for name in sources.values()]
start = time.perf_counter(); np.concatenate(tables); floor = time.perf_counter() - start
print(json.dumps({"measured": took, "baseline": floor}))
""",
    "gallery": """
import tempfile, time
from velmora_kit.gallery import build_site
with tempfile.TemporaryDirectory() as first, tempfile.TemporaryDirectory() as again:
    start = time.perf_counter(); build_site(first); took = time.perf_counter() - start
    # The same build once more in this process: the tables are cached now.
    start = time.perf_counter(); build_site(again); warm = time.perf_counter() - start
print(json.dumps({"measured": took, "baseline": warm}))
""",
}

TARGETS = {"table": 20e-6, "catalogue": 0.1, "player": 0.05, "gallery": 0.5}
WHAT = {
    "table": ("a 1,024-row table asked for the first time (median of 10)", "numpy copy of (1024, 3)"),
    "catalogue": ("every table of the catalogue, fresh interpreter", "one velmora.sample per pip"),
    "player": ("Player of 2,048 sources, constructed", "concatenating its 2,048 tables"),
    "gallery": ("gallery build, fresh interpreter", "the same build again, tables cached"),
}


def probe(code: str) -> dict[str, float]:
    out = subprocess.run([sys.executable, "-c", "import json\n" + code], capture_output=True, text=True,
                         check=True, env=dict(os.environ)).stdout
    return json.loads(out)


def main() -> None:
    with open("/proc/loadavg") as f:
        print(f"load average before: {f.read().split()[:3]}")
    for key, code in PROBES.items():
        runs = [probe(code) for _ in range(RUNS)]
        measured = statistics.median(r["measured"] for r in runs)
        baseline = statistics.median(r["baseline"] for r in runs)
        what, against = WHAT[key]
        verdict = "ok" if measured <= TARGETS[key] else "OVER"
        print(f"{what}: {measured * 1e3:.3f} ms (target {TARGETS[key] * 1e3:g} ms, {verdict}); "
              f"{measured / baseline:.2f}x {against} ({baseline * 1e3:.3f} ms)")
        if "first" in runs[0]:
            first = statistics.median(r["first"] for r in runs)
            print(f"  the process's very first table, one-time costs of the first call included: {first * 1e3:.3f} ms")
    with open("/proc/loadavg") as f:
        print(f"load average after: {f.read().split()[:3]}")


if __name__ == "__main__":
    main()
