"""Plot a groove of the grid: its drum score as event lanes, above the x, y and z traces of
its sixteen motion patterns, one PNG per groove.

    PYTHONPATH=<build> .venv/bin/python tools/plot_groove.py KEY [KEY ...] -o plots/

The score comes from the built generator (`velmora_generator --score KEY`), found beside
the module in <build>/tools/generator unless --generator names it; the traces come from
the module itself (`velmora.sample`)."""

import argparse
import os
import subprocess
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402

import velmora  # noqa: E402

from velmora_kit.catalogue import builtin_facts  # noqa: E402

# The grid's motions in the generator's order.
MOTIONS = list(dict.fromkeys(facts.motion for facts in builtin_facts() if facts.motion))
LANE_ORDER = ["kick", "snare", "clap", "rim", "closed_hat", "open_hat", "shaker", "ride", "bell", "clave",
              "high_tom", "low_tom", "percussion", "bass"]
LANE_COLOURS = {"kick": "tab:red", "snare": "tab:blue", "clap": "tab:cyan", "bass": "tab:purple"}
AXIS_COLOURS = {"x": "tab:red", "y": "tab:green", "z": "tab:blue"}


def default_generator():
    for entry in os.environ.get("PYTHONPATH", "").split(os.pathsep):
        candidate = os.path.join(entry, "tools", "generator", "velmora_generator")
        if entry and os.access(candidate, os.X_OK):
            return candidate
    return None


def read_score(generator, key):
    """(period, {lane: [(pip, velocity), ...]}) as the generator lists the score."""
    listing = subprocess.run([generator, "--score", key], check=True, capture_output=True, text=True).stdout
    lines = listing.splitlines()
    header = lines[0].split()
    period = int(header[header.index("period") + 1])
    lanes = {}
    for line in lines[1:]:
        lane, pip, velocity = line.split()
        lanes.setdefault(lane, []).append((float(pip), float(velocity)))
    return period, lanes


def traces(name, period):
    samples = [velmora.sample(name, p).as_tuple() for p in range(period)]
    return [[s[axis] for s in samples] for axis in range(3)]


def plot_groove(key, generator, out_dir):
    period, lanes = read_score(generator, key)
    names = {entry["name"]: entry for entry in velmora.catalogue()}
    lane_names = [lane for lane in LANE_ORDER if lane in lanes]

    figure = plt.figure(figsize=(18, 15))
    grid = figure.add_gridspec(5, 4, height_ratios=[0.9, 1, 1, 1, 1], hspace=0.45, wspace=0.18, top=0.94)
    score_axes = figure.add_subplot(grid[0, :])
    for row, lane in enumerate(lane_names):
        pips = [pip for pip, _ in lanes[lane]]
        sizes = [12 + 70 * velocity for _, velocity in lanes[lane]]
        score_axes.scatter(pips, [row] * len(pips), s=sizes, color=LANE_COLOURS.get(lane, "0.3"), zorder=3)
    score_axes.set_yticks(range(len(lane_names)), lane_names)
    score_axes.set_ylim(-0.7, len(lane_names) - 0.3)
    score_axes.invert_yaxis()
    score_axes.set_xlim(0, period)
    score_axes.set_xticks(range(0, period + 1, 64))
    for beat in range(0, period + 1, 64):
        score_axes.axvline(beat, color="0.6" if beat % 256 else "0.2", linewidth=0.6, zorder=1)
    score_axes.set_title(f"{key}: score over {period} pips (marker size = velocity)")

    kicks = [pip for pip, _ in lanes.get("kick", [])]
    backbeats = [pip for pip, _ in lanes.get("snare", []) + lanes.get("clap", [])]
    for index, motion in enumerate(MOTIONS):
        axes = figure.add_subplot(grid[1 + index // 4, index % 4])
        name = f"beat_{key}_{motion}"
        if name not in names:
            axes.set_title(f"{motion}: not rendered", fontsize=9)
            continue
        for pip in kicks:
            axes.axvline(pip, color="tab:red", alpha=0.18, linewidth=0.8)
        for pip in backbeats:
            axes.axvline(pip, color="tab:blue", alpha=0.18, linewidth=0.8, linestyle="--")
        for axis, values in zip("xyz", traces(name, period)):
            axes.plot(range(period), values, color=AXIS_COLOURS[axis], linewidth=0.9, label=axis)
        axes.set_xlim(0, period)
        axes.set_ylim(-1, 1)
        axes.set_xticks(range(0, period + 1, 128 if period <= 512 else 256))
        axes.tick_params(labelsize=7)
        axes.set_title(f"{motion} (dims {names[name]['dimensions']})", fontsize=9)
        if index == 0:
            axes.legend(loc="upper right", fontsize=7)
    figure.suptitle(f"beat_{key}_*: kicks red, snares and claps dashed blue", fontsize=12)
    path = os.path.join(out_dir, f"groove_{key}.png")
    figure.savefig(path, dpi=80, bbox_inches="tight")
    plt.close(figure)
    return path


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("keys", nargs="+", metavar="KEY", help="groove keys, e.g. house_classic")
    parser.add_argument("-o", "--out-dir", default="plots")
    parser.add_argument("--generator", default=default_generator(), help="path of the built velmora_generator")
    args = parser.parse_args(argv)
    if args.generator is None:
        parser.error("no velmora_generator found beside the module; pass --generator")
    os.makedirs(args.out_dir, exist_ok=True)
    for key in args.keys:
        print(plot_groove(key, args.generator, args.out_dir))
    return 0


if __name__ == "__main__":
    sys.exit(main())
