"""velmora_kit's rendering costs, each beside its floor measured in the same run: numpy
copying an array the size of the output (1,000,000 x 3 doubles). Rounds alternate between
the floor and the call measured, so both see the same machine; medians of 15 rounds.

    PYTHONPATH=build/bench python bench/bench_kit.py
"""

import statistics
import subprocess
import sys
import time

import numpy as np
import velmora

import velmora_kit

ROUNDS = 15
COUNT = 1_000_000
PATTERN = "path_torus_knot"  # a 1,024-sample built-in


def timed(call):
    start = time.perf_counter()
    call()
    return time.perf_counter() - start


def side_by_side(call, floor):
    """Medians in ms of `call` and of `floor`, measured in alternating rounds."""
    call()
    floor()
    mine, base = [], []
    for _ in range(ROUNDS):
        mine.append(timed(call))
        base.append(timed(floor))
    return statistics.median(mine) * 1e3, statistics.median(base) * 1e3


FIRST_TABLE = """
import time
start = time.perf_counter()
import velmora_kit
imported = time.perf_counter() - start
start = time.perf_counter()
velmora_kit.table({name!r})
print((time.perf_counter() - start) * 1e3, imported * 1e3)
"""


def fresh(code):
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, check=True).stdout
    return [float(v) for v in out.split()]


def main():
    rng = np.random.default_rng(2026)
    pips = rng.integers(-2**31, 2**31, COUNT, dtype=np.int64)
    real = rng.uniform(-2.0**31, 2.0**31 - 1, COUNT)
    output_sized = np.ones((COUNT, 3))
    native = "native gather"
    odd = next(e["name"] for e in velmora.catalogue() if e["period_pips"] & (e["period_pips"] - 1))
    velmora_kit.table(PATTERN)
    velmora_kit.table(odd)

    def floor():
        output_sized.copy()

    step, step_floor = side_by_side(lambda: velmora_kit.render(PATTERN, pips), floor)
    print(f"render 1,000,000 int64 pips ({PATTERN}, {native}): {step:.3f} ms, copy floor {step_floor:.3f} ms, "
          f"{step / step_floor:.2f} x floor")
    narrow = pips.astype(np.int32)
    ms, base = side_by_side(lambda: velmora_kit.render(PATTERN, narrow), floor)
    print(f"render 1,000,000 int32 pips: {ms:.3f} ms, copy floor {base:.3f} ms, {ms / base:.2f} x floor")
    ms, base = side_by_side(lambda: velmora_kit.render(odd, pips), floor)
    print(f"render 1,000,000 int64 pips, period {velmora_kit.period_of(odd)} ({odd}): {ms:.3f} ms, "
          f"copy floor {base:.3f} ms, {ms / base:.2f} x floor")
    ms, base = side_by_side(lambda: np.take(velmora_kit.table(PATTERN), pips & 1023, axis=0), floor)
    print(f"numpy.take of the same rows (mask included): {ms:.3f} ms, {ms / base:.2f} x floor")
    linear, linear_floor = side_by_side(lambda: velmora_kit.render(PATTERN, real, interpolation="linear"), floor)
    print(f"render 1,000,000 float pips, linear: {linear:.3f} ms, copy floor {linear_floor:.3f} ms, "
          f"{linear / linear_floor:.2f} x floor")

    # A Python loop of velmora.sample over the same pips (a tenth of them, scaled up).
    sample = velmora.sample
    some = pips[: COUNT // 10].tolist()
    loop = statistics.median(timed(lambda: [sample(PATTERN, p) for p in some]) for _ in range(5)) * 10 * 1e3
    print(f"Python loop of velmora.sample over the same pips: {loop:.1f} ms, {loop / step:.0f} x render")

    runs = [fresh(FIRST_TABLE.format(name=PATTERN)) for _ in range(7)]
    print(f"first table() of a 1,024-sample built-in: {statistics.median(r[0] for r in runs):.3f} ms "
          f"(fresh interpreter; median of 7)")
    print(f"import velmora_kit (numpy, velmora and the catalogue's periods): "
          f"{statistics.median(r[1] for r in runs):.1f} ms")


if __name__ == "__main__":
    main()
