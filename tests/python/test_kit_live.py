"""Live playing against real receivers on loopback: python-osc's own UDP server and a UDP
socket that decodes ArtDmx packets, both on ports the system picks at run time.

Timing is never asserted: where the schedule matters (late ticks, a followed clock) the
tests check what must hold however late the machine runs.
"""

from __future__ import annotations

import contextlib
import os
import signal
import socket
import struct
import subprocess
import sys
import threading
import time
from collections.abc import Iterator
from typing import Any

import mido
import numpy as np
import pytest
import velmora

import velmora_kit
from velmora_kit import ArtNetSink, Frame, Layer, OscSink, Player, Sequence, TempoMap, render
from velmora_kit.cli import main

pytest.importorskip("pythonosc")
from pythonosc.dispatcher import Dispatcher  # noqa: E402
from pythonosc.osc_server import BlockingOSCUDPServer  # noqa: E402


@contextlib.contextmanager
def osc_server() -> Iterator[tuple[int, list[list[tuple[str, tuple[Any, ...]]]]]]:
    """A python-osc server on 127.0.0.1; yields its port and the bundles it got, each a
    list of (address, args), split at the pip message that opens every bundle."""
    bundles: list[list[tuple[str, tuple[Any, ...]]]] = []

    def handle(address: str, *args: Any) -> None:
        if address.endswith("/pip"):
            bundles.append([])
        bundles[-1].append((address, args))

    dispatcher = Dispatcher()
    dispatcher.set_default_handler(handle)
    server = BlockingOSCUDPServer(("127.0.0.1", 0), dispatcher)
    thread = threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.05}, daemon=True)
    thread.start()
    try:
        yield server.server_address[1], bundles
    finally:
        # The last datagrams may still wait in the socket's queue: let the count settle.
        settled, deadline = -1, time.monotonic() + 3.0
        while len(bundles) != settled and time.monotonic() < deadline:
            settled = len(bundles)
            time.sleep(0.1)
        server.shutdown()
        server.server_close()
        thread.join(timeout=2)


def wait_for(bundles: list[Any], count: int) -> None:
    deadline = time.monotonic() + 5.0
    while len(bundles) < count and time.monotonic() < deadline:
        time.sleep(0.01)


@contextlib.contextmanager
def artnet_receiver() -> Iterator[tuple[int, socket.socket]]:
    receiver = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    receiver.bind(("127.0.0.1", 0))
    receiver.settimeout(2.0)
    try:
        yield receiver.getsockname()[1], receiver
    finally:
        receiver.close()


def decode_artdmx(packet: bytes) -> tuple[int, bytes]:
    """The port address (universe) and channel data of an ArtDmx packet, by its published
    layout: ID, OpCode (little-endian), ProtVer (big-endian), Sequence, Physical, SubUni,
    Net, Length (big-endian), data."""
    ident, opcode, version, _sequence, _physical, sub_uni, net, length = struct.unpack("!8sHHBBBBH", packet[:18])
    assert ident == b"Art-Net\x00"
    assert opcode == 0x0050  # 0x5000 sent low byte first
    assert version == 14
    assert len(packet) == 18 + length and length % 2 == 0
    return net << 8 | sub_uni, packet[18:]


class Recorder:
    """A sink keeping every frame; `delay` makes chosen ticks slow."""

    def __init__(self, delay: dict[int, float] | None = None) -> None:
        self.frames: list[Frame] = []
        self.opened: tuple[str, ...] | None = None
        self.closed = 0
        self.delay = delay or {}

    def open(self, names: tuple[str, ...]) -> None:
        self.opened = names

    def send(self, frame: Frame) -> None:
        self.frames.append(frame)
        time.sleep(self.delay.get(frame.tick, 0.0))

    def close(self) -> None:
        self.closed += 1


def test_positions_equal_render_for_every_kind_of_source() -> None:
    user = velmora.SampledPattern("user", "", [(i / 100, -i / 100, 0.5) for i in range(96)])
    library = velmora.PatternLibrary([velmora.SampledPattern("mine", "", [(0.25 * (i % 3), 0.0, -0.5) for i in range(80)])])
    recording = velmora.SampledRecording("r", ["x", "y", "z"], [[i / 10, 0.0, -i / 10] for i in range(10)], 120.0, start_pip=-3)
    sources: dict[str, Any] = {
        "name": "helix",
        "user": user,
        "library": "mine",
        "builtin_via_library": "sway",
        "layer": Layer("circle", phase=5, rate="3/2"),
        "sequence": Sequence([("bounce", 1), ("flam", 2)], crossfade_beats=1),
        "recording": recording,
        "one_axis": velmora.SampledRecording("cc", ["cc1"], [[i / 10] for i in range(10)], 120.0, start_pip=-3),
    }
    player = Player(sources, tempo=120.0, library=library)
    assert player.names == tuple(sources)
    pips = [-(2**31), -65, -1, 0, 1, 63, 1000, 2**31 - 1]
    positions = player.positions(pips)
    assert positions.shape == (len(pips), len(sources), 3) and not positions.flags.writeable
    for row, (name, source) in enumerate(sources.items()):
        if name == "recording":  # held at its first and last rows outside it
            expected = render(source, np.clip(pips, -3, 6))
        elif name == "one_axis":  # its one axis is x
            expected = np.zeros((len(pips), 3))
            expected[:, 0] = render(source, np.clip(pips, -3, 6))[:, 0]
        else:
            expected = render(source, pips, library=library)
        assert np.array_equal(positions[:, row], expected), name
    for same in (tuple(pips), np.array(pips, dtype=np.int32), np.array(pips)[::-1][::-1], iter(pips), map(int, pips)):
        assert np.array_equal(player.positions(same), positions)
    assert np.array_equal(player.positions(np.int16(-65)), positions[1])


def test_osc_bundles_hold_render_at_their_pip() -> None:
    tempo = TempoMap.from_changes([(0, 137.0), (2, 90.0)])
    sources: dict[str, Any] = {"a": "bounce", "b": "circle", "layer": Layer("helix", phase=7, rate=2)}
    with osc_server() as (port_f, bundles_f), osc_server() as (port_d, bundles_d):
        sinks = [OscSink("127.0.0.1", port_f), OscSink("127.0.0.1", port_d, per_axis=True, double=True, address="/show/{name}")]
        summary = Player(sources, tempo=tempo, rate_hz=100.0, latency_seconds=0.25, sinks=sinks).play(seconds=0.3)
        wait_for(bundles_f, summary.frames_sent)
        wait_for(bundles_d, summary.frames_sent)
    assert summary.frames_sent + summary.late_ticks == 30
    # Each tick's pip is the tempo map's at the tick's time plus the latency.
    due = {int(tempo.pip(k / 100.0 + 0.25)) for k in range(30)}
    for bundles, per_axis in ((bundles_f, False), (bundles_d, True)):
        assert len(bundles) == summary.frames_sent
        for bundle in bundles:
            (pip_address, (pip,)), values = bundle[0], bundle[1:]
            assert pip_address == "/velmora/pip" and pip in due
            if per_axis:
                assert [address for address, _ in values] == [f"/show/{n}/{a}" for n in sources for a in "xyz"]
                received = np.array([args for _, args in values]).reshape(len(sources), 3)
                expected = np.array([render(source, [pip])[0] for source in sources.values()])
                assert np.array_equal(received, expected)  # doubles arrive bit for bit
            else:
                assert [address for address, _ in values] == [f"/velmora/{n}" for n in sources]
                received = np.array([args for _, args in values])
                expected = np.array([render(source, [pip])[0] for source in sources.values()])
                assert np.array_equal(received, expected.astype(np.float32))


def test_artnet_packets_carry_the_patched_channels() -> None:
    names = ("spot", "wash", "fine", "unused")
    positions = np.array([[1.0, -1.0, 0.3], [-1.0, 0.0, 1.0], [0.123456, -0.5, 1.0], [0.9, 0.9, 0.9]])
    patch = {"spot": (1, "pan_tilt16"), "wash": (5, "xyz8"), "fine": (507, "xyz16")}
    with artnet_receiver() as (port, receiver):
        sink = ArtNetSink("127.0.0.1", universe=300, patch=patch, pan_degrees=540, tilt_degrees=270, port=port)
        sink.open(names)
        sink.send(Frame(0, 0.0, 0, 120.0, names, positions))
        sink.close()
        universe, data = decode_artdmx(receiver.recv(1024))

    def dmx16(value: float) -> list[int]:
        level = int(np.floor((value + 1.0) * 65535 / 2 + 0.5))
        return [level >> 8, level & 255]

    assert universe == 300 and len(data) == 512
    # x = 1 is a quarter turn: a third of a 540° pan range above centre; y = -1 is a quarter
    # turn down: two thirds of a 270° tilt range below centre.
    assert list(data[0:4]) == dmx16(1 / 3) + dmx16(-2 / 3)
    assert list(data[4:7]) == [0, 128, 255]
    assert list(data[506:512]) == dmx16(0.123456) + dmx16(-0.5) + dmx16(1.0)
    assert not any(data[7:506])  # unpatched channels stay 0


@pytest.mark.parametrize(
    ("patch", "kwargs", "message"),
    [
        ({"a": (0, "xyz8")}, {}, "outside the universe's 1..512"),
        ({"a": (510, "xyz16")}, {}, "510..515"),
        ({"a": (1, "pan_tilt16"), "b": (4, "xyz8")}, {}, "overlap patch['a'] channels 1..4"),
        ({"a": (1, "rgb")}, {}, "mode must be one of"),
        ({}, {}, "at least one"),
        ({"a": (1, "xyz8")}, {"universe": 32768}, "universe must be in 0..32767"),
        ({"a": (1, "xyz8")}, {"pan_degrees": 0}, "pan_degrees must be finite and positive"),
    ],
)
def test_artnet_patch_mistakes(patch: dict[str, tuple[int, str]], kwargs: dict[str, Any], message: str) -> None:
    with pytest.raises(ValueError, match=__import__("re").escape(message)):
        ArtNetSink("127.0.0.1", patch=patch, **kwargs)


def test_sink_setup_mistakes() -> None:
    with pytest.raises(ValueError, match="host must be a host name or an IP address, got 'bad host'"):
        OscSink("bad host", 9000)
    with pytest.raises(ValueError, match="port must be in 1..65535, got 70000"):
        OscSink("127.0.0.1", 70000)
    with pytest.raises(ValueError, match=r"\{name\}"):
        OscSink("127.0.0.1", 9000, address="/fixed")
    sink = ArtNetSink("127.0.0.1", patch={"ghost": (1, "xyz8")}, port=9)
    player = Player({"a": "bounce"}, tempo=120.0, sinks=[sink])
    with pytest.raises(ValueError, match="patch names sources that are not playing: 'ghost'"):
        player.play(seconds=0.01)


@pytest.mark.parametrize(
    ("sources", "kwargs", "error", "message"),
    [
        ({}, {"tempo": 120}, ValueError, "at least one"),
        ({"a": "bounce"}, {}, ValueError, "either tempo"),
        ({"a": "bounce"}, {"tempo": 120, "clock": []}, ValueError, "either tempo"),
        ({"a": "bounce"}, {"tempo": 120, "rate_hz": 0}, ValueError, "rate_hz must be finite and positive, got 0"),
        ({"a": "bounce"}, {"tempo": 120, "latency_seconds": float("nan")}, ValueError, "latency_seconds must be finite"),
        ({"a": "no_such_pattern"}, {"tempo": 120}, ValueError, "no_such_pattern"),
        ({"a": 3}, {"tempo": 120}, TypeError, r"sources\['a'\] must be"),
        ({"a": "bounce"}, {"tempo": 120, "sinks": [object()]}, TypeError, "sinks must have"),
        ({"a": "bounce"}, {"clock": "IAC Driver Bus 1"}, TypeError, "clock must be a MidiClock"),
        (
            {"r": velmora.SampledRecording("r", ["cc1", "cc2"], [[0.0, 0.0]], 120.0)},
            {"tempo": 120},
            ValueError,
            r"sources\['r'\]: axes must say which axes of recording 'r' \(axes cc1, cc2; pips 0 to 0 at 120 BPM\)",
        ),
    ],
)
def test_player_mistakes(sources: dict[str, Any], kwargs: dict[str, Any], error: type, message: str) -> None:
    with pytest.raises(error, match=message):
        Player(sources, **kwargs)


def test_stop_from_another_thread_ends_play_and_closes_sinks() -> None:
    sink = Recorder()
    player = Player({"a": "bounce", "b": "sway"}, tempo=120.0, rate_hz=200.0, sinks=[sink])
    result: list[Any] = []
    worker = threading.Thread(target=lambda: result.append(player.play()))
    worker.start()
    deadline = time.monotonic() + 5.0
    while not sink.frames and time.monotonic() < deadline:
        time.sleep(0.005)
    player.stop()
    worker.join(timeout=5.0)
    assert not worker.is_alive()
    (summary,) = result
    assert sink.opened == ("a", "b") and sink.closed == 1
    assert summary.frames_sent == len(sink.frames) > 0 and not summary.interrupted
    # A second play reopens the sinks.
    assert player.play(seconds=0.02).frames_sent > 0 and sink.closed == 2


def test_late_ticks_are_counted_and_skipped_never_sent_twice() -> None:
    # Tick 3 takes 2.5 periods: at least tick 4 has passed by the time it returns.
    sink = Recorder(delay={3: 0.025})
    tempo = TempoMap(100.0)
    summary = Player({"a": "circle"}, tempo=tempo, rate_hz=100.0, sinks=[sink]).play(seconds=0.2)
    ticks = [frame.tick for frame in sink.frames]
    assert ticks == sorted(set(ticks)) and 4 not in ticks
    assert summary.late_ticks >= 1 and summary.frames_sent + summary.late_ticks == 20
    for frame in sink.frames:
        assert frame.pip == tempo.pip(frame.tick / 100.0)
        assert np.array_equal(frame.positions, render("circle", [frame.pip]))


def test_blocks_rendered_ahead_match_render_and_lateness_counts_the_slowest_sink() -> None:
    # 100 ticks cross three blocks rendered a piece per tick; tick 40 is slow in the sink.
    sink = Recorder(delay={40: 0.006})
    tempo = TempoMap(131.0)
    sources: dict[str, Any] = {"a": "circle", "layer": Layer("helix", rate="3/2", phase=7), "seq": Sequence([("bounce", 1), ("sway", 2)])}
    summary = Player(sources, tempo=tempo, rate_hz=200.0, sinks=[sink]).play(seconds=0.5)
    assert summary.max_lateness_seconds >= 0.006 and summary.max_send_seconds[0] >= 0.006
    assert summary.frames_sent + summary.late_ticks == 100 and len(sink.frames) == summary.frames_sent
    for frame in sink.frames:
        assert frame.pip == tempo.pip(frame.tick / 200.0)
        expected = np.array([render(source, [frame.pip])[0] for source in sources.values()])
        assert np.array_equal(frame.positions, expected)


class Failing(Recorder):
    def __init__(self, on_send: bool = False, on_close: bool = False) -> None:
        super().__init__()
        self.on_send, self.on_close = on_send, on_close

    def send(self, frame: Frame) -> None:
        if self.on_send:
            raise OSError("send failed")

    def close(self) -> None:
        super().close()
        if self.on_close:
            raise RuntimeError(f"close failed {id(self)}")


def test_every_sink_is_closed_and_the_first_error_carries_the_others() -> None:
    first, second, third = Failing(on_close=True), Recorder(), Failing(on_close=True)
    with pytest.raises(RuntimeError, match=f"close failed {id(first)}") as caught:
        Player({"a": "bounce"}, tempo=120.0, rate_hz=100.0, sinks=[first, second, third]).play(seconds=0.02)
    assert (first.closed, second.closed, third.closed) == (1, 1, 1)
    assert caught.value.__notes__ == [f"also while closing {third!r}: RuntimeError: close failed {id(third)}"]
    # A send error is the one raised; the close error rides along instead of hiding it.
    sender, closer = Failing(on_send=True), Failing(on_close=True)
    with pytest.raises(OSError, match="send failed") as caught:
        Player({"a": "bounce"}, tempo=120.0, sinks=[sender, closer]).play(seconds=0.1)
    assert (sender.closed, closer.closed) == (1, 1) and "close failed" in caught.value.__notes__[0]


def test_velmora_play_sends_osc_and_artnet(monkeypatch: pytest.MonkeyPatch, capsys: pytest.CaptureFixture[str]) -> None:
    with osc_server() as (osc_port, bundles), artnet_receiver() as (artnet_port, receiver):
        monkeypatch.setattr("velmora_kit.live.artnet.ARTNET_PORT", artnet_port)
        status = main(
            ["play", "bounce", "circle", "--bpm", "90", "--osc", f"127.0.0.1:{osc_port}",
             "--artnet", "127.0.0.1:7", "--rate", "50", "--latency", "20", "--seconds", "0.2"]
        )
        err = capsys.readouterr().err
        wait_for(bundles, int(err.split(" frames sent")[0].split()[-1]))
        packets = []
        receiver.settimeout(0.2)
        with contextlib.suppress(socket.timeout):
            while True:
                packets.append(decode_artdmx(receiver.recv(1024)))
    assert status == 0
    assert bundles and len(packets) == len(bundles)
    for bundle, (universe, data) in zip(bundles, packets):
        (_, (pip,)) = bundle[0]
        assert pip in {int(TempoMap(90.0).pip(k / 50 + 0.02)) for k in range(10)}
        assert [args for _, args in bundle[1:]] == [tuple(np.float32(render(n, [pip])[0]).tolist()) for n in ("bounce", "circle")]
        # One moving head per pattern, from channels 1 and 5.
        levels = velmora_kit.dmx_bytes(velmora_kit.to_dmx(np.clip(np.array([render(n, [pip])[0][:2] for n in ("bounce", "circle")]) * [1 / 3, 2 / 3], -1, 1)))
        assert universe == 7 and list(data[:8]) == levels.reshape(-1).tolist()


@pytest.mark.parametrize(
    ("args", "message"),
    [
        (["play", "bounse", "--seconds", "0.1"], "unknown pattern 'bounse' (did you mean bounce"),
        (["play", "bounce", "--osc", "127.0.0.1", "--seconds", "0.1"], "--osc must be HOST:PORT, got '127.0.0.1'"),
        (["play", "bounce", "--osc", "127.0.0.1:0", "--seconds", "0.1"], "port must be in 1..65535, got 0"),
        (["play", "bounce", "--osc", "127.0.0.1:x", "--seconds", "0.1"], "--osc port must be a number"),
        (["play", "bounce", "--osc", "bad host!:9000", "--seconds", "0.1"], "must be a host name or an IP address"),
        (["play", "bounce", "--artnet", "127.0.0.1:40000", "--seconds", "0.1"], "universe must be in 0..32767"),
        (["play", "bounce", "bounce", "--seconds", "0.1"], "more than once"),
        (["play", "bounce", "--midi-clock", "no such port", "--seconds", "0.1"], "--midi-clock"),
    ],
)
def test_velmora_play_mistakes_are_one_line(args: list[str], message: str, capsys: pytest.CaptureFixture[str]) -> None:
    assert main(args) != 0
    err = capsys.readouterr().err
    assert err.startswith("velmora: ") and message in err and err.count("\n") == 1


def test_velmora_play_bad_numbers_are_usage_errors(capsys: pytest.CaptureFixture[str]) -> None:
    for args in (["--rate", "0"], ["--seconds", "-1"], ["--latency", "nan"], ["--bpm", "x"]):
        with pytest.raises(SystemExit) as exit_info:
            main(["play", "bounce", *args])
        assert exit_info.value.code == 2
        assert capsys.readouterr().err.count("\n") == 1


def test_ctrl_c_ends_velmora_play_cleanly() -> None:
    with osc_server() as (port, bundles):
        process = subprocess.Popen(
            [sys.executable, "-m", "velmora_kit", "play", "sway", "--osc", f"127.0.0.1:{port}"],
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True, env=dict(os.environ),
        )
        try:
            deadline = time.monotonic() + 20.0
            while not bundles and time.monotonic() < deadline and process.poll() is None:
                time.sleep(0.01)
            process.send_signal(signal.SIGINT)
            _, err = process.communicate(timeout=10)
        finally:
            if process.poll() is None:
                process.kill()
    assert process.returncode == 130, err
    assert "Traceback" not in err and "interrupted after" in err and "frames sent" in err


def clock_stream(bpm: float, clocks: int, first: list[float]) -> Iterator[mido.Message]:
    """Start, then `clocks` clocks at `bpm`, each yielded at its time (the first clock's
    time goes into `first`)."""
    interval = 60.0 / bpm / 24
    origin = time.perf_counter()
    first.append(origin + interval)
    yield mido.Message("start")
    for k in range(1, clocks + 1):
        while (left := origin + k * interval - time.perf_counter()) > 0:
            time.sleep(left)
        yield mido.Message("clock")


def test_a_midi_clock_from_a_message_stream_drives_the_pips() -> None:
    first: list[float] = []
    sink = Recorder()
    player = Player({"a": "bounce"}, clock=clock_stream(150.0, 60, first), rate_hz=100.0, latency_seconds=0.01, sinks=[sink])
    summary = player.play(seconds=0.5)
    assert summary.frames_sent == len(sink.frames) > 0
    assert isinstance(player.clock, velmora_kit.MidiClock)
    per_second = 150.0 / 60 * 64
    for frame in sink.frames:
        assert np.array_equal(frame.positions, render("bounce", [frame.pip]))
        if frame.deadline > first[0] + 0.4:
            # Loose: the clock's own accuracy is measured by the benchmark, not here.
            true = (frame.deadline + 0.01 - first[0]) * per_second
            assert abs(frame.pip - true) < 32, (frame.pip, true)


def test_a_followed_clock_holds_through_small_slips_and_follows_relocations() -> None:
    class Scripted:
        """A clock whose estimates are given: a slip back of under a clock (8/3 pips), then
        a relocation to the start."""

        bpm = 120.0
        running = True

        def __init__(self) -> None:
            self.positions = iter([10.0, 12.5, 10.5, 30.0, 27.0, 0.0, 0.5])

        def feed(self, message: Any, timestamp: float) -> None:
            pass

        def pip_position(self, now: float) -> float:
            return next(self.positions)

    player = Player({"a": "bounce"}, clock=Scripted())
    assert [player.frame_at(k, 0.0).pip for k in range(7)] == [10, 12, 12, 30, 27, 0, 0]


def test_a_broken_midi_input_ends_play_with_its_error() -> None:
    sink = Recorder()
    player = Player({"a": "bounce"}, clock=iter([mido.Message("start"), "not a message"]), sinks=[sink])
    with pytest.raises(TypeError, match="mido.Message"):
        player.play(seconds=1.0)
    assert sink.closed == 1


def test_a_silent_midi_port_is_polled_and_play_still_ends() -> None:
    class Port:
        """Like a mido input port: poll() gives a pending message or None."""

        def __init__(self) -> None:
            self.pending = [mido.Message("start")]

        def poll(self) -> mido.Message | None:
            return self.pending.pop() if self.pending else None

        def __iter__(self) -> Iterator[mido.Message]:  # blocking, as a port's is: never used
            raise AssertionError("a port is polled, not iterated")

    player = Player({"a": "bounce"}, clock=Port(), rate_hz=100.0)
    summary = player.play(seconds=0.1)
    assert summary.frames_sent + summary.late_ticks == 10
    assert player.clock is not None and player.clock.running
