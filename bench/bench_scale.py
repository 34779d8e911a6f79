"""Costs that must stay linear in the work, each against a baseline timed in the same run
(rounds alternate between a case and its baseline; medians of the calling thread's CPU
time, so that the time the scheduler gives other work on a shared machine is not counted):

- a Sequence without a loop table (fractional pips, or a loop too long to table), from 2 to
  512 steps, against the plain render of the same pips;
- fan of 64 copies against one render of the same total output;
- fractional pips through a Layer and a Sequence against the plain linear render, and the
  memory they take beyond their output;
- frames() for constant tempos whose exact fractions outgrow int64, against the best case.

    .venv/bin/python bench/bench_scale.py
"""

from __future__ import annotations

import statistics
import time
import tracemalloc
from collections.abc import Callable
from fractions import Fraction

import numpy as np

from velmora_kit import Layer, Sequence, fan, frames, render

COUNT = 1_000_000
ROUNDS = 9


def paired(work: Callable[[], object], baseline: Callable[[], object], rounds: int = ROUNDS) -> tuple[float, float]:
    """Median CPU seconds of `work` and of `baseline` (this thread's), timed alternately."""
    work(), baseline()
    spent: tuple[list[float], list[float]] = ([], [])
    for _ in range(rounds):
        for times, call in zip(spent, (work, baseline)):
            start = time.thread_time()
            call()
            times.append(time.thread_time() - start)
    return statistics.median(spent[0]), statistics.median(spent[1])


def row(label: str, target: str, ratio: float, limit: float | None, detail: str) -> None:
    verdict = "" if limit is None else ("ok" if ratio <= limit else "MISSED")
    print(f"  {label:<58} {target:>10} {ratio:8.2f}x  {verdict:<6} {detail}")


def load() -> str:
    with open("/proc/loadavg") as f:
        return " ".join(f.read().split()[:3])


def extra_bytes(work: Callable[[], np.ndarray]) -> float:
    """Peak bytes a sample beyond the output, as numpy reports its buffers to tracemalloc."""
    work()
    tracemalloc.start()
    out = work()
    peak = tracemalloc.get_traced_memory()[1]
    tracemalloc.stop()
    return (peak - out.nbytes) / COUNT


def main() -> None:
    rng = np.random.default_rng(7)
    pips = rng.integers(-(2**31), 2**31 - 1, size=COUNT, endpoint=True)
    floats = np.clip(pips.astype(np.float64) + rng.random(COUNT), -(2.0**31), 2.0**31 - 2)
    print(f"linear costs, {COUNT:,} pips unless stated, median of {ROUNDS} alternating rounds (load average {load()})")
    print(f"  {'case':<58} {'target':>10} {'ratio':>9}")

    names = ["bounce", "sway", "circle", "helix"]
    per_sample: dict[int, float] = {}
    for steps in (2, 8, 128, 512):
        seq = Sequence([(names[i % 4], Fraction(1 + i % 7, 64) + 1) for i in range(steps)])
        spent, base = paired(lambda: render(seq, floats, interpolation="linear"),
                             lambda: render("helix", floats, interpolation="linear"))
        per_sample[steps] = spent / COUNT * 1e9
        row(f"Sequence of {steps} steps, fractional pips / render", "(report)", spent / base, None,
            f"{per_sample[steps]:.0f} vs {base / COUNT * 1e9:.1f} ns a sample")
    long_loop = Sequence([(names[i % 4], 4096 + i) for i in range(512)])  # 2**21 pips: never tabled
    spent, base = paired(lambda: render(long_loop, pips), lambda: render("helix", pips))
    row("Sequence of 512 steps, 2**21-pip loop, integer pips / render", "(report)", spent / base, None,
        f"{spent / COUNT * 1e9:.0f} vs {base / COUNT * 1e9:.1f} ns a sample")
    growth = per_sample[512] / per_sample[2]
    row("Sequence cost a sample, 512 steps / 2 steps", "<= 9 x", growth, 9.0, "log2(512) / log2(2) = 9")

    for width in (1, 100, 15_625):
        sub = pips[:width]
        whole = pips[: 64 * width]
        spent, base = paired(lambda: fan("helix", 64, 16, sub), lambda: render("helix", whole), rounds=ROUNDS * 3)
        row(f"fan('helix', 64 copies, {width:,} pips) / one render of {64 * width:,}", "<= 2 x", spent / base, 2.0,
            f"{spent * 1e6:.0f} vs {base * 1e6:.0f} us")
    layered = Layer("helix", rate="3/2", swing=0.6)
    spent, base = paired(lambda: fan(layered, 64, 16, pips[:15_625]), lambda: render(layered, pips[: 64 * 15_625]))
    row("fan(Layer, 64 copies, 15,625 pips) / one render of 1,000,000", "<= 2 x", spent / base, 2.0,
        f"{spent * 1e3:.1f} vs {base * 1e3:.1f} ms")

    sequence = Sequence([("helix", 4), (Layer("flam", rate=2), 2), ("sway", 2)], crossfade_beats=1)
    for label, source in (("Layer('helix', rate='3/2', swing=0.6)", layered), ("Sequence of 3 steps, crossfade", sequence)):
        spent, base = paired(lambda: render(source, floats, interpolation="linear"),
                             lambda: render("helix", floats, interpolation="linear"))
        row(f"{label}, fractional pips / render", "<= 4 x", spent / base, 4.0,
            f"{spent * 1e3:.1f} vs {base * 1e3:.1f} ms")
        extra = extra_bytes(lambda: render(source, floats, interpolation="linear"))
        row(f"{label}, fractional pips: memory beyond the output", "<= 32 B", extra / 32.0, 1.0,
            f"{extra:.1f} bytes a sample (ratio to 32 B)")

    best = lambda: frames(120, 60, 3600)  # noqa: E731  exact fractions in int64
    for label, call in (
        ("frames(127.3456789, 60, 3600, start 0.0123456789)",
         lambda: frames(127.3456789, 60, 3600, start_seconds=0.0123456789)),
        ("frames(120, 1000/16.6667, 3600)", lambda: frames(120, 1000 / 16.6667, 3600)),
        ("frames(120, 29.970029970029973, 7200)", lambda: frames(120, 29.970029970029973, 7200)),
        ("frames(120, 29.97, 7200)", lambda: frames(120, 29.97, 7200)),
    ):
        spent, base = paired(call, best, rounds=ROUNDS * 5)  # a few ms each: more rounds against the machine's noise
        row(f"{label} / frames(120, 60, 3600)", "<= 2 x", spent / base, 2.0, f"{spent * 1e3:.1f} vs {base * 1e3:.1f} ms")
    print(f"  (load average after: {load()})")


if __name__ == "__main__":
    main()
