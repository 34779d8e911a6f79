"""How different the groove grid's motions are from score to score, and how much they move:
the measures of the grid's review, over the catalogue's beat_ tables.

    PYTHONPATH=kit python bench/groove_variety.py [--pairs]

- near pairs: among the beat_ patterns of one motion, the pairs whose RMS distance
  (per-pip Euclidean distance, root mean square over the loop, both loops repeated to a
  common length) is below 0.05 at the best cyclic shift, with x mirrored or not;
- extent: each pattern's range (max − min) on its main axis (the widest), target ≥ 0.5;
- idle axes: axes whose range is under 0.15 while the catalogue counts them as used.
"""

from __future__ import annotations

import argparse
import math
import sys

import numpy as np

import velmora
import velmora_kit as vk
from velmora_kit.catalogue import builtin_facts

NEAR = 0.05


def best_rms(a: np.ndarray, b: np.ndarray) -> float:
    """The RMS distance of two loops of one length at the best cyclic shift of b, x mirrored or not."""
    n = a.shape[0]
    fa = np.fft.rfft(a, axis=0)
    best = math.inf
    for mirror in (1.0, -1.0):
        c = b * np.array([mirror, 1.0, 1.0])
        corr = np.fft.irfft(np.conj(fa) * np.fft.rfft(c, axis=0), n=n, axis=0).sum(axis=1)
        squared = (np.sum(a * a) + np.sum(c * c) - 2.0 * corr.max()) / n
        best = min(best, math.sqrt(max(squared, 0.0)))
    return best


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--pairs", action="store_true", help="list every near pair")
    args = parser.parse_args()
    cells = [(entry["name"], entry["dimensions"], f) for entry, f in zip(velmora.catalogue(), builtin_facts()) if f.motion]
    total_near = 0
    short: list[tuple[str, float]] = []
    idle: list[tuple[str, str, float]] = []
    print(f"{'motion':<10} {'near pairs':>10} {'closest':>8} {'extent min':>10}")
    for motion in vk.motions():
        mine = [(name, dims, vk.table(name)) for name, dims, f in cells if f.motion == motion]
        near: list[tuple[float, str, str]] = []
        closest = math.inf
        for i in range(len(mine)):
            for j in range(i + 1, len(mine)):
                a, b = mine[i][2], mine[j][2]
                length = math.lcm(a.shape[0], b.shape[0])
                d = best_rms(np.tile(a, (length // a.shape[0], 1)), np.tile(b, (length // b.shape[0], 1)))
                closest = min(closest, d)
                if d < NEAR:
                    near.append((d, mine[i][0], mine[j][0]))
        extents = []
        for name, dims, table in mine:
            ranges = table.max(axis=0) - table.min(axis=0)
            extents.append(float(ranges.max()))
            if ranges.max() < 0.5:
                short.append((name, float(ranges.max())))
            for axis in range(dims):
                if ranges[axis] < 0.15:
                    idle.append((name, "xyz"[axis], float(ranges[axis])))
        total_near += len(near)
        print(f"{motion:<10} {len(near):>10} {closest:>8.3f} {min(extents):>10.3f}")
        if args.pairs:
            for d, a_name, b_name in sorted(near):
                print(f"    {d:.3f} {a_name} {b_name}")
    print(f"near pairs (RMS < {NEAR}): {total_near} (target ≤ 20)")
    print(f"patterns with extent < 0.5 on their main axis: {len(short)} (target 0)")
    for name, extent in sorted(short, key=lambda item: item[1])[:12]:
        print(f"    {extent:.3f} {name}")
    print(f"axes counted as used but ranging < 0.15: {len(idle)} (target 0)")
    for name, axis, extent in sorted(idle, key=lambda item: item[2])[:12]:
        print(f"    {extent:.3f} {name} {axis}")


if __name__ == "__main__":
    sys.exit(main())
