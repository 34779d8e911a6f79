#!/usr/bin/env python3
"""Plot built-in patterns to PNG so their shapes can be looked at.

Each argument is either an exact pattern name or a name prefix (a family such as
``euclid_`` or ``noise_drift``). An exact name gives one PNG: x, y and z against the
pip over one loop, with the beat lines marked, beside the XY path. A prefix gives one
grid per prefix: a row per member with the same two views.

    PYTHONPATH=build/dev .venv/bin/python tools/plot_patterns.py lfo_morph euclid_ -o plots/

Options: ``--one-per-pattern`` writes one PNG per member even for prefixes;
``--loops N`` draws N loops (default 1) to show the joins.
"""

from __future__ import annotations

import argparse
import pathlib
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import velmora  # noqa: E402

PIPS_PER_BEAT = 64
AXIS_COLOURS = {"x": "tab:blue", "y": "tab:orange", "z": "tab:green"}


def catalogue_by_name() -> dict[str, dict]:
    return {entry["name"]: entry for entry in velmora.catalogue()}


def resolve(arguments: list[str], entries: dict[str, dict]) -> list[tuple[str, list[dict]]]:
    """Each argument becomes (label, entries): an exact name alone, or every member of a prefix."""
    groups = []
    for argument in arguments:
        if argument in entries:
            groups.append((argument, [entries[argument]]))
            continue
        members = [entry for name, entry in entries.items() if name.startswith(argument)]
        if not members:
            raise SystemExit(f"no pattern named or starting with {argument!r}")
        groups.append((argument.rstrip("_") or argument, members))
    return groups


def samples(name: str, period: int, loops: int) -> tuple[list[int], list[list[float]]]:
    pips = list(range(period * loops + 1))  # one sample past the end shows the join
    points = [velmora.sample(name, pip).as_tuple() for pip in pips]
    return pips, [[point[axis] for point in points] for axis in range(3)]


def draw_pattern(time_axes, path_axes, entry: dict, loops: int) -> None:
    name, period, dims = entry["name"], entry["period_pips"], entry["dimensions"]
    pips, (xs, ys, zs) = samples(name, period, loops)
    for label, values in zip("xyz", (xs, ys, zs)):
        if label == "x" or any(values):
            time_axes.plot(pips, values, label=label, color=AXIS_COLOURS[label], linewidth=1.2)
    for beat in range(0, period * loops + 1, PIPS_PER_BEAT):
        time_axes.axvline(beat, color="0.85", linewidth=0.6, zorder=0)
    for loop in range(1, loops):
        time_axes.axvline(loop * period, color="0.5", linewidth=0.8, linestyle="--", zorder=0)
    time_axes.axhline(0, color="0.7", linewidth=0.6, zorder=0)
    time_axes.set_xlim(0, period * loops)
    time_axes.set_ylim(-1.05, 1.05)
    time_axes.set_title(f"{name}  (P={period}, dims={dims})\n{entry['description']}", fontsize=8, loc="left")
    time_axes.legend(loc="upper right", fontsize=7)
    time_axes.tick_params(labelsize=7)

    path_axes.plot(xs, ys, color="tab:purple", linewidth=1.0)
    path_axes.plot(xs[0], ys[0], "o", color="black", markersize=3)
    path_axes.set_xlim(-1.05, 1.05)
    path_axes.set_ylim(-1.05, 1.05)
    path_axes.set_aspect("equal")
    path_axes.set_title("x-y path", fontsize=8)
    path_axes.tick_params(labelsize=6)


def plot_group(members: list[dict], out_path: pathlib.Path, loops: int) -> None:
    rows = len(members)
    figure, axes = plt.subplots(
        rows, 2, figsize=(13, 2.6 * rows), gridspec_kw={"width_ratios": [4, 1]}, squeeze=False
    )
    for row, entry in enumerate(members):
        draw_pattern(axes[row][0], axes[row][1], entry, loops)
    figure.tight_layout()
    figure.savefig(out_path, dpi=80)
    plt.close(figure)


def main(argv: list[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("names", nargs="+", help="pattern names or name prefixes")
    parser.add_argument("-o", "--out-dir", default="plots", help="where the PNGs go (default plots/)")
    parser.add_argument("--loops", type=int, default=1, help="loops drawn per pattern (default 1)")
    parser.add_argument("--one-per-pattern", action="store_true", help="one PNG per member instead of a grid")
    options = parser.parse_args(argv)
    if options.loops < 1:
        parser.error("--loops must be at least 1")

    out_dir = pathlib.Path(options.out_dir)
    out_dir.mkdir(parents=True, exist_ok=True)
    for label, members in resolve(options.names, catalogue_by_name()):
        if options.one_per_pattern or len(members) == 1:
            for entry in members:
                path = out_dir / f"{entry['name']}.png"
                plot_group([entry], path, options.loops)
                print(path)
        else:
            path = out_dir / f"{label}.png"
            plot_group(members, path, options.loops)
            print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
