"""Reading MIDI files against mido's own parse of the same file.

`TempoMap.from_midi(path)` and `recording_from_midi(path, ...)` each read the file once
with mido and walk its tracks; the bar is 1.5 times `mido.MidiFile(path)` for both. Files:
the largest real MIDI file that music21 ships, and two generated ones of 1,000,000 events,
one of controller moves (4 bytes an event) and one of tempo changes, written as raw
Standard MIDI File bytes into a temporary folder. Each figure is the median of a few
rounds, parse and reading alternated so that load drifts hit both alike.

    .venv/bin/python bench/bench_midi.py [--events 1000000] [--rounds 3]
"""

from __future__ import annotations

import argparse
import glob
import importlib.util
import os
import statistics
import struct
import tempfile
import time
import warnings
from collections.abc import Callable

import mido

from velmora_kit import TempoMap, recording_from_midi

BAR = 1.5
TICKS_PER_BEAT = 480


def smf(track: bytes) -> bytes:
    """A type 0 file of one track, ending with its end-of-track event."""
    body = track + b"\x00\xff\x2f\x00"
    return struct.pack(">4sLHHH", b"MThd", 6, 0, 1, TICKS_PER_BEAT) + struct.pack(">4sL", b"MTrk", len(body)) + body


def controller_file(events: int) -> bytes:
    # One tick apart, controller 1 on channel 0, the value sweeping up and down.
    return smf(b"".join(bytes((1, 0xB0, 1, abs(k % 254 - 127))) for k in range(events)))


def tempo_file(events: int) -> bytes:
    # One tick apart, tempos between 400,000 and 600,000 µs a beat.
    return smf(b"".join(b"\x01\xff\x51\x03" + (400_000 + 97 * k % 200_000).to_bytes(3, "big") for k in range(events)))


def largest_real_file() -> str | None:
    spec = importlib.util.find_spec("music21")
    if spec is None or not spec.submodule_search_locations:
        return None
    paths = glob.glob(os.path.join(spec.submodule_search_locations[0], "**", "*.mid"), recursive=True)
    return max(paths, key=os.path.getsize) if paths else None


def controllers_of(path: str) -> list[int | str]:
    held: set[int | str] = set()
    for track in mido.MidiFile(path).tracks:
        for message in track:
            if message.type == "control_change":
                held.add(int(message.control))
            elif message.type == "pitchwheel":
                held.add("pitchwheel")
    return sorted(held, key=lambda c: (isinstance(c, str), c))


def alternated(rounds: int, works: list[Callable[[], object]]) -> list[float]:
    times: list[list[float]] = [[] for _ in works]
    for _ in range(rounds):
        for work, spent in zip(works, times):
            start = time.perf_counter()
            work()
            spent.append(time.perf_counter() - start)
    return [statistics.median(spent) for spent in times]


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--events", type=int, default=1_000_000, help="events in each generated file")
    parser.add_argument("--rounds", type=int, default=3, help="rounds per figure (median)")
    args = parser.parse_args()
    warnings.simplefilter("ignore")  # tempo changes inside a recording: expected here
    with open("/proc/loadavg") as load:
        print(f"load average at start: {load.read().split()[0]}")
    with tempfile.TemporaryDirectory() as folder:
        files: list[tuple[str, str, list[int | str]]] = []
        real = largest_real_file()
        if real is not None:
            files.append((f"{os.path.basename(real)} (music21, largest)", real, controllers_of(real)))
        for label, make, controllers in (
            (f"{args.events:,} controller events", controller_file, [1]),
            (f"{args.events:,} tempo events", tempo_file, []),
        ):
            path = os.path.join(folder, label.split()[1] + ".mid")
            with open(path, "wb") as out:
                out.write(make(args.events))
            files.append((label, path, controllers))

        print(f"bar: each reading within {BAR}x of mido.MidiFile(path); median of {args.rounds} rounds")
        for label, path, controllers in files:
            works: list[Callable[[], object]] = [lambda: mido.MidiFile(path), lambda: TempoMap.from_midi(path)]
            if controllers:
                works.append(lambda: recording_from_midi(path, controllers))
            if os.path.getsize(path) < 2**20:
                alternated(1, works)  # a small file: first calls (imports, caches) left out
            spent = alternated(args.rounds, works)
            size = os.path.getsize(path)
            print(f"{label}, {size:,} bytes: mido.MidiFile {spent[0]:.3f} s")
            names = ["TempoMap.from_midi", f"recording_from_midi {controllers}"]
            for name, seconds in zip(names, spent[1:]):
                ratio = seconds / spent[0]
                verdict = "ok" if ratio <= BAR else "MISSED"
                print(f"  {name:<40} {seconds:8.3f} s  {ratio:5.2f}x  {verdict}")
    with open("/proc/loadavg") as load:
        print(f"load average at end: {load.read().split()[0]}")


if __name__ == "__main__":
    main()
