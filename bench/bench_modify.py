"""Cost of layered and sequenced motion against the plain render of the same pips:
1,000,000 random pips over the whole signed 32-bit range (median of 7 rounds).

    .venv/bin/python bench/bench_modify.py
"""

from __future__ import annotations

import statistics
import time
from collections.abc import Callable

import numpy as np

from velmora_kit import Layer, Sequence, fan, render

COUNT = 1_000_000
ROUNDS = 7


def median_ms(work: Callable[[], object]) -> float:
    work()
    times = []
    for _ in range(ROUNDS):
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return statistics.median(times) * 1e3


def main() -> None:
    rng = np.random.default_rng(7)
    pips = rng.integers(-(2**31), 2**31 - 1, size=COUNT, endpoint=True)
    floats = pips.astype(np.float64) + rng.random(COUNT)
    floats = np.clip(floats, -(2.0**31), 2.0**31 - 2)
    cases: list[tuple[str, Callable[[], object]]] = [
        ("render('helix') (the floor for this table)", lambda: render("helix", pips)),
        ("Layer('helix', phase=37)", lambda: render(Layer("helix", phase=37), pips)),
        ("Layer('helix', rate='3/2')", lambda: render(Layer("helix", rate="3/2"), pips)),
        ("Layer('helix', rate='3/2', swing=0.6, scale=0.8)", lambda: render(Layer("helix", rate="3/2", swing=0.6, scale=0.8), pips)),
        ("  same, interpolation='linear', integer pips", lambda: render(Layer("helix", rate="3/2", swing=0.6), pips.astype(np.float64), interpolation="linear")),
        ("  same, interpolation='linear', fractional pips", lambda: render(Layer("helix", rate="3/2", swing=0.6), floats, interpolation="linear")),
        ("Layer('helix', rate='1000003/999983', swing=0.66) (int64)", lambda: render(Layer("helix", rate="1000003/999983", swing=0.66), pips)),
        ("Layer('bounce', rate='2147483647/2147483629', swing=0.66) (Python ints)", lambda: render(Layer("bounce", rate="2147483647/2147483629", swing=0.66), pips)),
        ("Sequence of 3 steps, crossfade 1 beat", lambda: render(Sequence([("helix", 4), (Layer("flam", rate=2), 2), ("sway", 2)], crossfade_beats=1), pips)),
        ("fan('helix', 16, 16, 62,500 pips)", lambda: fan("helix", 16, 16, pips[: COUNT // 16])),
    ]
    print(f"layered motion, {COUNT:,} pips, median of {ROUNDS} rounds")
    floor = None
    for label, work in cases:
        ms = median_ms(work)
        floor = floor or ms
        print(f"  {label:<74} {ms:8.1f} ms  {ms / floor:6.1f}x")


if __name__ == "__main__":
    main()
