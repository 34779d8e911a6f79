"""Shows a few velmora patterns moving in the terminal, in time with a tempo.

    python examples/demo.py [--bpm 120] [--beats 4] [--patterns bounce circle flam]

Each pattern gets a row: a lane from -1 to 1 with a marker at the pattern's x, and the
x, y, z values. The pip counter advances with the clock, 64 pips per beat.
"""

from __future__ import annotations

import argparse
import sys
import time
from collections.abc import Sequence

import velmora

LANE = 41  # characters from -1 to 1


def lane(value: float, width: int = LANE) -> str:
    cells = [" "] * width
    cells[width // 2] = "|"
    position = round((value + 1.0) / 2.0 * (width - 1))
    cells[min(width - 1, max(0, position))] = "o"
    return "[" + "".join(cells) + "]"


def frame(pip: int, names: Sequence[str]) -> list[str]:
    beat, within = divmod(pip, velmora.PIPS_PER_BEAT)
    lines = [f"beat {beat + 1}  pip {pip:5d}  ({within:2d}/64)"]
    for name in names:
        o = velmora.sample(name, pip)
        lines.append(f"  {name:<18} {lane(o.x)}  x={o.x:+.3f} y={o.y:+.3f} z={o.z:+.3f}")
    return lines


def parse_arguments(argv: Sequence[str] | None) -> argparse.Namespace:
    parser = argparse.ArgumentParser(description="Watch velmora patterns move in time with a tempo.")
    parser.add_argument("--bpm", type=float, default=120.0, help="tempo in beats per minute (default 120)")
    parser.add_argument("--beats", type=int, default=4, help="how many beats to play (default 4)")
    parser.add_argument("--fps", type=int, default=16, help="frames per beat (default 16)")
    parser.add_argument("--patterns", nargs="+", default=["bounce", "sway", "circle", "single_paradiddle", "flam"],
                        help="names of built-in patterns to show")
    arguments = parser.parse_args(argv)
    if not 1.0 <= arguments.bpm <= 999.0:
        parser.error("--bpm must lie between 1 and 999")
    if not 1 <= arguments.beats <= 64:
        parser.error("--beats must lie between 1 and 64")
    if not 1 <= arguments.fps <= 64:
        parser.error("--fps must lie between 1 and 64")
    known = {entry["name"] for entry in velmora.catalogue()}
    unknown = [name for name in arguments.patterns if name not in known]
    if unknown:
        parser.error("unknown pattern(s): " + ", ".join(unknown))
    return arguments


def main(argv: Sequence[str] | None = None) -> None:
    arguments = parse_arguments(argv)
    seconds_per_pip = 60.0 / arguments.bpm / velmora.PIPS_PER_BEAT
    pips_per_frame = velmora.PIPS_PER_BEAT // arguments.fps
    total_pips = arguments.beats * velmora.PIPS_PER_BEAT
    live = sys.stdout.isatty()
    print(f"velmora demo: {len(arguments.patterns)} patterns, {arguments.beats} beats at {arguments.bpm:g} BPM")
    start = time.monotonic()
    height = 0
    for pip in range(0, total_pips + 1, pips_per_frame):
        # Sleep until the clock reaches this pip, so the motion keeps the tempo.
        delay = start + pip * seconds_per_pip - time.monotonic()
        if delay > 0:
            time.sleep(delay)
        lines = frame(pip, arguments.patterns)
        if live:
            if height:
                sys.stdout.write(f"\x1b[{height}F")
            sys.stdout.write("\n".join(line + "\x1b[K" for line in lines) + "\n")
            height = len(lines)
        elif pip % velmora.PIPS_PER_BEAT == 0 or pip % (velmora.PIPS_PER_BEAT // 4) == 0:
            print("\n".join(lines))
        sys.stdout.flush()
    print(f"done: {total_pips} pips in {time.monotonic() - start:.2f} s")


if __name__ == "__main__":
    main()
