"""Live playing: lateness against deadlines, values received, a jittery MIDI clock, CPU.

1. 16 sources at 60 Hz for 10 s to OSC: the lateness of each send after its deadline
   (p50, p99, max), skipped ticks, and every received value against `render` at the pip
   the bundle carries. The receiver is another process (a UDP socket that keeps every
   datagram), so it takes no time from the player; python-osc parses the bundles after.
2. A MIDI clock at 125 BPM whose messages arrive with ±2 ms of uniform jitter, followed by
   the player at 60 Hz: the largest distance in pips between a sent pip and the true one,
   after the first beat.
3. CPU of the player (`time.process_time`) at 60 Hz with 64 sources (a quarter of them
   layers), with no sink and with an OSC sink, against the wall time played; and with a
   followed clock instead of a tempo, where no tick can be rendered ahead.
4. The rig at scale: 512 `Layer(..., rate="3/2", phase=7)` sources at 60 Hz, and 512
   sequences of such a layer and a pattern (lateness after the last sink, against 16
   plain sources in the same run); 4,096 moving heads
   (pan/tilt 16-bit, 32 universes) at 240 Hz to Art-Net and to sACN, and 16,384 (128
   universes) at 44 Hz to Art-Net: CPU as a share of one core, skipped ticks, packets
   received; OSC with 4,096 sources at 60 Hz in bundles of at most 1,472 bytes, every
   value of every received tick checked to be there exactly once.

`python bench/bench_live.py rig` runs only the fourth, the rig at scale.

Run with the module and velmora_kit importable (scripts/bench.sh does); it prints one
table, bars beside the measured values.
"""

from __future__ import annotations

import random
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time
from collections.abc import Iterator
from pathlib import Path
from typing import Any

import mido
import numpy as np
import velmora

from velmora_kit import ArtNetSink, DmxPatch, Frame, Layer, OscSink, Player, SacnSink, Sequence, TempoMap, render

RATE = 60.0


def receive(out_path: str) -> None:
    """Receiver process: prints its port, keeps datagrams until b"stop", writes them."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8 << 20)
    sock.bind(("127.0.0.1", 0))
    print(sock.getsockname()[1], flush=True)
    datagrams = []
    while True:
        data = sock.recv(65536)
        if data == b"stop":
            break
        datagrams.append(data)
    with open(out_path, "wb") as out:
        for data in datagrams:
            out.write(struct.pack("<I", len(data)) + data)


class Receiver:
    def __init__(self) -> None:
        self._out = Path(tempfile.mkdtemp()) / "datagrams.bin"
        self._process = subprocess.Popen(
            [sys.executable, __file__, "--receive", str(self._out)], stdout=subprocess.PIPE, text=True
        )
        assert self._process.stdout is not None
        self.port = int(self._process.stdout.readline())

    def datagrams(self) -> list[bytes]:
        with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as sock:
            sock.sendto(b"stop", ("127.0.0.1", self.port))
        self._process.wait(timeout=30)
        data = self._out.read_bytes()
        result, index = [], 0
        while index < len(data):
            (size,) = struct.unpack_from("<I", data, index)
            result.append(data[index + 4 : index + 4 + size])
            index += 4 + size
        return result


class Timed:
    """Wraps a sink and notes how late after its deadline each send finished."""

    def __init__(self, inner: Any) -> None:
        self.inner = inner
        self.lateness: list[float] = []
        self.frames: list[Frame] = []

    def open(self, names: tuple[str, ...]) -> None:
        self.inner.open(names)

    def send(self, frame: Frame) -> None:
        self.inner.send(frame)
        self.lateness.append(time.perf_counter() - frame.deadline)
        self.frames.append(frame)

    def close(self) -> None:
        self.inner.close()


class Null:
    def open(self, names: tuple[str, ...]) -> None:
        pass

    def send(self, frame: Frame) -> None:
        pass

    def close(self) -> None:
        pass


def sources(count: int) -> dict[str, Any]:
    names = [entry["name"] for entry in velmora.catalogue()]
    chosen: dict[str, Any] = {}
    for index in range(count):
        name = names[(index * 97) % len(names)]
        # Every fourth source is a layer, rendered on its own rather than from the stacked tables.
        chosen[f"s{index}"] = Layer(name, phase=index * 5, rate="3/2") if index % 4 == 3 else name
    return chosen


def osc_timing() -> dict[str, Any]:
    receiver = Receiver()
    tempo = TempoMap(128.0)
    playing = sources(16)
    timed = Timed(OscSink("127.0.0.1", receiver.port))
    summary = Player(playing, tempo=tempo, rate_hz=RATE, sinks=[timed]).play(seconds=10.0)
    datagrams = receiver.datagrams()
    from pythonosc.osc_bundle import OscBundle

    mismatches = 0
    pips = []
    for data in datagrams:
        bundle = OscBundle(data)
        contents = [content for content in bundle]  # noqa: C416 - python-osc's iterator
        pip = contents[0].params[0]
        pips.append(pip)
        for message, source in zip(contents[1:], playing.values()):
            expected = render(source, [pip])[0].astype(np.float32).tolist()
            mismatches += list(message.params) != expected
    sent_pips = [frame.pip for frame in timed.frames]
    due_pips = [int(tempo.pip(frame.tick / RATE)) for frame in timed.frames]
    lateness = np.array(timed.lateness) * 1e3
    return {
        "sent": summary.frames_sent,
        "late": summary.late_ticks,
        "received": len(datagrams),
        "pips_in_order": pips == sent_pips == due_pips,
        "mismatches": mismatches,
        "p50": float(np.percentile(lateness, 50)),
        "p99": float(np.percentile(lateness, 99)),
        "max": float(lateness.max()),
    }


def midi_clock_accuracy(seconds: float = 8.0, bpm: float = 125.0, jitter: float = 0.002) -> dict[str, Any]:
    interval = 60.0 / bpm / 24
    rng = random.Random(7)
    first_clock: list[float] = []

    def messages() -> Iterator[mido.Message]:
        origin = time.perf_counter() + 0.05
        first_clock.append(origin + interval)
        yield_at = [origin] + [origin + interval * (k + 1) for k in range(int(seconds / interval) + 48)]
        for k, nominal in enumerate(yield_at):
            due = nominal + rng.uniform(-jitter, jitter)
            while (left := due - time.perf_counter()) > 0:
                time.sleep(left)
            yield mido.Message("start" if k == 0 else "clock")

    sink = Timed(Null())
    player = Player({"a": "bounce"}, clock=messages(), rate_hz=RATE, sinks=[sink])
    player.play(seconds=seconds)
    t0 = first_clock[0]
    per_second = bpm / 60.0 * 64
    errors = [
        abs(frame.pip - np.floor((frame.deadline - t0) * per_second))
        for frame in sink.frames
        if frame.deadline - t0 > 60.0 / bpm
    ]
    return {"frames": len(errors), "max_error": float(max(errors)), "p99_error": float(np.percentile(errors, 99))}


class SteadyClock:
    """A followed clock at 120 BPM that needs no messages: the player's cost without a
    known tempo (every tick rendered when it is due, nothing ahead)."""

    bpm = 120.0
    running = True

    def feed(self, message: Any, timestamp: float) -> None:
        pass

    def pip_position(self, now: float) -> float:
        return now * 128.0


def cpu(count: int, with_osc: bool, seconds: float = 10.0, clock: bool = False) -> float:
    receiver = Receiver() if with_osc else None
    sink: Any = OscSink("127.0.0.1", receiver.port) if receiver else Null()
    timing: dict[str, Any] = {"clock": SteadyClock()} if clock else {"tempo": 120.0}
    player = Player(sources(count), rate_hz=RATE, sinks=[sink], **timing)
    start_cpu = time.process_time()
    summary = player.play(seconds=seconds)
    used = time.process_time() - start_cpu
    if receiver:
        receiver.datagrams()
    return used / summary.seconds


def layered_lateness(count: int, seconds: float = 10.0, sequences: bool = False) -> dict[str, Any]:
    """p99 and max lateness after the last sink, and skipped ticks, at 60 Hz."""
    playing: dict[str, Any] = {f"l{k}": Layer(NAMES[(k * 97) % len(NAMES)], rate="3/2", phase=7) for k in range(count)}
    if sequences:
        playing = {name: Sequence([(layer, 1), (NAMES[(k * 31) % len(NAMES)], 2)]) for k, (name, layer) in enumerate(playing.items())}
    timed = Timed(Null())
    summary = Player(playing, tempo=128.0, rate_hz=RATE, sinks=[timed]).play(seconds=seconds)
    lateness = np.array(timed.lateness) * 1e3
    return {"p99": float(np.percentile(lateness, 99)), "max": summary.max_lateness_seconds * 1e3, "late": summary.late_ticks,
            "sent": summary.frames_sent}


def plain_lateness(seconds: float = 10.0) -> dict[str, Any]:
    timed = Timed(Null())
    summary = Player(sources(16), tempo=128.0, rate_hz=RATE, sinks=[timed]).play(seconds=seconds)
    lateness = np.array(timed.lateness) * 1e3
    return {"p99": float(np.percentile(lateness, 99)), "late": summary.late_ticks}


def rig_cpu(count: int, rate: float, protocol: str, seconds: float = 10.0) -> dict[str, Any]:
    """A moving head per source, pan/tilt 16-bit, 128 heads a universe."""
    playing = {f"h{k}": NAMES[(k * 97) % len(NAMES)] for k in range(count)}
    first = 0 if protocol == "artnet" else 1
    patch = DmxPatch({name: (first + k // 128, 1 + 4 * (k % 128), "pan_tilt16") for k, name in enumerate(playing)})
    receiver = Receiver()
    sink: Any = (ArtNetSink if protocol == "artnet" else SacnSink)("127.0.0.1", patch=patch, port=receiver.port)
    player = Player(playing, tempo=128.0, rate_hz=rate, sinks=[sink])
    start_cpu = time.process_time()
    summary = player.play(seconds=seconds)
    used = time.process_time() - start_cpu
    received = len(receiver.datagrams())
    return {"cpu": used / summary.seconds, "late": summary.late_ticks, "sent": summary.frames_sent,
            # sACN ends its stream with three Stream_Terminated packets per universe.
            "packets": received, "expected": (summary.frames_sent + (3 if protocol == "sacn" else 0)) * len(patch.universes),
            "max": summary.max_lateness_seconds * 1e3}


def osc_split(count: int = 4096, seconds: float = 10.0) -> dict[str, Any]:
    playing = {f"s{k}": NAMES[(k * 97) % len(NAMES)] for k in range(count)}
    receiver = Receiver()
    sink = OscSink("127.0.0.1", receiver.port)
    player = Player(playing, tempo=128.0, rate_hz=RATE, sinks=[sink])
    start_cpu = time.process_time()
    summary = player.play(seconds=seconds)
    used = time.process_time() - start_cpu
    datagrams = receiver.datagrams()
    from pythonosc.osc_bundle import OscBundle

    per_pip: dict[int, list[str]] = {}
    too_big = 0
    for data in datagrams:
        too_big += len(data) > 1472
        contents = list(OscBundle(data))
        per_pip.setdefault(contents[0].params[0], []).extend(message.address for message in contents[1:])
    expected = sorted(sink.addresses(player.names))
    complete = sum(sorted(addresses) == expected for addresses in per_pip.values())
    return {"sent": summary.frames_sent, "late": summary.late_ticks, "ticks": len(per_pip), "complete": complete,
            "bundles": len(datagrams), "too_big": too_big, "cpu": used / summary.seconds}


NAMES = [entry["name"] for entry in velmora.catalogue()]


def rig_rows() -> list[tuple[str, str, str]]:
    plain = plain_lateness()
    layers = layered_lateness(512)
    sequences = layered_lateness(512, sequences=True)
    art = rig_cpu(4096, 240.0, "artnet")
    sacn = rig_cpu(4096, 240.0, "sacn")
    big = rig_cpu(16384, 44.0, "artnet")
    osc = osc_split()
    return [
        ("512 layers (3/2, phase 7), 60 Hz: p99 lateness after the last sink", "≤ 2 ms",
         f"{layers['p99']:.3f} ms = {layers['p99'] / plain['p99']:.2f}× 16 plain sources' {plain['p99']:.3f} ms "
         f"(max {layers['max']:.2f})"),
        ("  skipped ticks", "0", f"{layers['late']} of {layers['sent'] + layers['late']}"),
        ("512 sequences (such a layer, then a pattern), 60 Hz: p99 lateness", "≤ 2 ms",
         f"{sequences['p99']:.3f} ms = {sequences['p99'] / plain['p99']:.2f}× the plain sources' (max {sequences['max']:.2f})"),
        ("  skipped ticks", "0", f"{sequences['late']} of {sequences['sent'] + sequences['late']}"),
        ("4,096 heads pan/tilt 16-bit, 240 Hz, Art-Net: CPU", "≤ 50 % of a core",
         f"{art['cpu'] * 100:.1f} % = {art['cpu'] / 0.5:.2f}× the bar"),
        ("  skipped ticks; packets received", "0",
         f"{art['late']} of {art['sent'] + art['late']}; {art['packets']} of {art['expected']} (max late {art['max']:.2f} ms)"),
        ("4,096 heads, 240 Hz, sACN: CPU", "≤ 50 % of a core", f"{sacn['cpu'] * 100:.1f} % = {sacn['cpu'] / 0.5:.2f}× the bar"),
        ("  skipped ticks; packets received", "0",
         f"{sacn['late']} of {sacn['sent'] + sacn['late']}; {sacn['packets']} of {sacn['expected']}"),
        ("16,384 heads (128 universes), 44 Hz, Art-Net: CPU", "≤ 50 % of a core",
         f"{big['cpu'] * 100:.1f} % = {big['cpu'] / 0.5:.2f}× the bar"),
        ("  skipped ticks; packets received", "0",
         f"{big['late']} of {big['sent'] + big['late']}; {big['packets']} of {big['expected']}"),
        ("OSC 4,096 sources, 60 Hz, bundles ≤ 1,472 bytes: ticks with every value once", "all received",
         f"{osc['complete']} of {osc['ticks']} received ({osc['sent']} sent, {osc['late']} skipped; "
         f"{osc['bundles']} bundles, {osc['too_big']} too big; CPU {osc['cpu'] * 100:.1f} %)"),
    ]


def print_rows(title: str, rows: list[tuple[str, str, str]]) -> None:
    print(f"[bench] {title} (load average {open('/proc/loadavg').read().split()[0]} at the end)")
    width = max(len(row[0]) for row in rows)
    for what, bar, measured in rows:
        print(f"  {what:<{width}}  {bar:>16}  {measured}")


def main() -> None:
    timing = osc_timing()
    clock = midi_clock_accuracy()
    cpu_null = cpu(64, with_osc=False)
    cpu_osc = cpu(64, with_osc=True)
    cpu_clock = cpu(64, with_osc=True, clock=True)
    rows = [
        ("OSC, 16 sources, 60 Hz, 10 s: p99 send lateness", "≤ 2 ms",
         f"{timing['p99']:.3f} ms (p50 {timing['p50']:.3f}, max {timing['max']:.3f})"),
        ("  skipped ticks", "0", f"{timing['late']} ({timing['sent']} sent, {timing['received']} received)"),
        ("  received values ≠ render at the bundle's pip", "0",
         f"{timing['mismatches']} (pips in tick order: {timing['pips_in_order']})"),
        ("MIDI clock 125 BPM, ±2 ms jitter: |pip − true| after beat 1", "≤ 2 pips",
         f"max {clock['max_error']:.0f}, p99 {clock['p99_error']:.0f} over {clock['frames']} frames"),
        ("CPU, 64 sources, 60 Hz, no sink", "< 10 % of a core", f"{cpu_null * 100:.1f} %"),
        ("CPU, 64 sources, 60 Hz, OSC sink", "< 10 % of a core", f"{cpu_osc * 100:.1f} %"),
        ("CPU, 64 sources, 60 Hz, OSC sink, followed clock", "< 10 % of a core", f"{cpu_clock * 100:.1f} %"),
    ]
    print_rows("live playing", rows)
    print_rows("the rig at scale", rig_rows())


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--receive":
        receive(sys.argv[2])
    elif sys.argv[1:] == ["rig"]:
        print_rows("the rig at scale", rig_rows())
    else:
        main()
