"""Cost of shapes and transforms: making the longest loops, and rendering 1,000,000 random
pips of a shape and of transformed patterns against the plain render of the same pips
(median of 7 rounds).

    .venv/bin/python bench/bench_shapes.py
"""

from __future__ import annotations

import statistics
import time
from collections.abc import Callable

import numpy as np

from velmora_kit import Layer, Transform, render, shapes

COUNT = 1_000_000
ROUNDS = 7
LONGEST = "65535/64"  # beats: the longest loop a shape can hold


def median_ms(work: Callable[[], object]) -> float:
    work()
    times = []
    for _ in range(ROUNDS):
        start = time.perf_counter()
        work()
        times.append(time.perf_counter() - start)
    return statistics.median(times) * 1e3


def main() -> None:
    pips = np.random.default_rng(7).integers(-(2**31), 2**31 - 1, size=COUNT, endpoint=True)
    print(f"making a shape, median of {ROUNDS} rounds")
    for label, make in [
        ("star(), 256 pips", lambda: shapes.star()),
        ("lissajous(3, 2), 65,535 pips at constant speed", lambda: shapes.lissajous(3, 2, beats=LONGEST)),
        ("spiral(5, direction='out'), 65,535 pips at constant speed", lambda: shapes.spiral(5, direction="out", beats=LONGEST)),
        ("smooth_random(64), 65,535 pips", lambda: shapes.smooth_random(64, beats=LONGEST)),
    ]:
        print(f"  {label:<62} {median_ms(make):8.2f} ms")
    star = shapes.star()
    cases: list[tuple[str, Callable[[], object]]] = [
        ("render('helix') (the floor for this table)", lambda: render("helix", pips)),
        ("render(star())", lambda: render(star, pips)),
        ("Transform('helix', axes='zyx', mirror='x')", lambda: render(Transform("helix", axes="zyx", mirror="x"), pips)),
        ("Transform('helix', rotate=30, about=(1, 1, 0), scale=0.9)", lambda: render(Transform("helix", rotate=30, about=(1, 1, 0), scale=0.9), pips)),
        ("Transform(Layer(star(), rate='3/2'), rotate=30)", lambda: render(Transform(Layer(star, rate="3/2"), rotate=30), pips)),
    ]
    print(f"rendering {COUNT:,} pips, median of {ROUNDS} rounds (a new source each round)")
    floor = None
    for label, work in cases:
        ms = median_ms(work)
        floor = floor or ms
        print(f"  {label:<62} {ms:8.1f} ms  {ms / floor:6.1f}x")


if __name__ == "__main__":
    main()
