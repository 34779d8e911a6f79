"""Python call costs, measured in one process: velmora's calls against the cheapest
pybind11-bound call that returns a new Offset3 (velmora_floor.offset3), plus import
time and module size.

    PYTHONPATH=build/bench python bench/bench_module.py
"""

import os
import statistics
import subprocess
import sys
import timeit

import velmora
import velmora_floor

ROUNDS = 15
CALLS = 200_000


def median_ns(statement, setup_globals):
    timer = timeit.Timer(statement, globals=setup_globals)
    runs = timer.repeat(repeat=ROUNDS, number=CALLS)
    return statistics.median(runs) / CALLS * 1e9


def import_ms():
    code = "import time; t = time.perf_counter(); import velmora; print((time.perf_counter() - t) * 1e3)"
    env = dict(os.environ)
    samples = [float(subprocess.run([sys.executable, "-c", code], capture_output=True, text=True,
                                    env=env, check=True).stdout) for _ in range(11)]
    return statistics.median(samples)


def main():
    floor = median_ns("offset3(1000)", {"offset3": velmora_floor.offset3})
    rows = [("velmora.bounce(p)", median_ns("bounce(1000)", {"bounce": velmora.bounce}), 1.15)]
    prerendered = next((e["name"] for e in velmora.catalogue()[15:]), None)
    sample = velmora.sample
    bounce_ns = rows[0][1]
    print(f"{'call':34} {'median ns':>10} {'x floor':>8} {'target':>8}")
    print(f"{'floor: velmora_floor.offset3(p)':34} {floor:10.1f} {1.0:8.2f}")
    for label, ns, target in rows:
        print(f"{label:34} {ns:10.1f} {ns / floor:8.2f} {target:8.2f}")
    if prerendered:
        ns = median_ns("sample(name, 1000)", {"sample": sample, "name": prerendered})
        print(f"{'velmora.sample(' + prerendered + ', p)':34} {ns:10.1f} {ns / floor:8.2f}"
              f"   = {ns / bounce_ns:.2f} x bounce (target 1.25)")
    cat_runs = timeit.Timer("catalogue()", globals={"catalogue": velmora.catalogue}).repeat(ROUNDS, 20)
    print(f"velmora.catalogue(): {statistics.median(cat_runs) / 20 * 1e3:.3f} ms for "
          f"{len(velmora.catalogue())} entries (target 2 ms)")
    print(f"import velmora: {import_ms():.2f} ms median of 11 fresh interpreters (target 20 ms)")
    print(f"module file: {os.path.getsize(velmora.__file__):,} bytes ({velmora.__file__})")


if __name__ == "__main__":
    main()
