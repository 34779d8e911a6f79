"""The rig at scale: OSC split into bundles, fixture profiles, Art-Net and sACN over many
universes, offline DMX equal to what is received live, the slew limit, the DMX export.

Every receiver is a socket of the test's own on 127.0.0.1 with a port chosen at run time;
packets are decoded by the protocols' published layouts, not by the code under test.
"""

from __future__ import annotations

import contextlib
import socket
import struct
import threading
import time
from collections.abc import Iterator
from pathlib import Path
from typing import Any

import numpy as np
import pytest
import velmora

from velmora_kit import (
    ArtNetSink,
    DmxPatch,
    Fixture,
    Frame,
    Layer,
    OscSink,
    Player,
    SacnSink,
    TempoMap,
    dmx_frames,
    export_dmx,
    frames,
    render,
)

pytest.importorskip("pythonosc")
from pythonosc.osc_bundle import OscBundle  # noqa: E402


@contextlib.contextmanager
def udp_receiver() -> Iterator[tuple[int, list[bytes]]]:
    """A UDP socket on 127.0.0.1 read by a thread of its own; yields its port and the
    datagrams, in arrival order. The buffer is as large as the system allows, so a burst of
    a tick's packets is not dropped while the thread waits for its turn."""
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 8 << 20)
    sock.bind(("127.0.0.1", 0))
    sock.settimeout(0.05)
    received: list[bytes] = []
    stop = threading.Event()

    def run() -> None:
        while not stop.is_set():
            try:
                received.append(sock.recv(65536))
            except socket.timeout:
                continue

    thread = threading.Thread(target=run, daemon=True)
    thread.start()
    try:
        yield sock.getsockname()[1], received
    finally:
        settled, deadline = -1, time.monotonic() + 3.0
        while len(received) != settled and time.monotonic() < deadline:
            settled = len(received)
            time.sleep(0.1)
        stop.set()
        thread.join(timeout=2.0)
        sock.close()


def wait_for(received: list[bytes], count: int) -> None:
    deadline = time.monotonic() + 5.0
    while len(received) < count and time.monotonic() < deadline:
        time.sleep(0.01)


def many_sources(count: int) -> dict[str, Any]:
    names = [entry["name"] for entry in velmora.catalogue()]
    return {f"s{index}": names[(index * 97) % len(names)] for index in range(count)}


@pytest.mark.parametrize(("per_axis", "limit"), [(False, 1472), (True, 4000)])
def test_osc_past_one_datagram_every_value_arrives_once_within_the_limit(per_axis: bool, limit: int) -> None:
    sources = many_sources(2048)
    player = Player(sources, tempo=120.0)
    pips = [0, 77, 1001]
    with udp_receiver() as (port, received):
        sink = OscSink("127.0.0.1", port, per_axis=per_axis, max_bundle_bytes=limit)
        sink.open(player.names)
        for tick, pip in enumerate(pips):
            sink.send(Frame(tick, 0.0, pip, 120.0, player.names, player.positions([pip])[0]))
        sink.close()
        wait_for(received, 3)
    seen: dict[tuple[int, str], list[float]] = {}
    for datagram in received:
        assert len(datagram) <= limit
        messages = list(OscBundle(datagram))
        assert messages[0].address == "/velmora/pip" and len(messages) > 1
        for message in messages[1:]:
            key = (messages[0].params[0], message.address)
            assert key not in seen, key  # exactly once
            seen[key] = list(message.params)
    expected_addresses = sink.addresses(player.names)
    assert len(seen) == len(pips) * len(expected_addresses)
    for pip in pips:
        values = np.array([seen[(pip, address)] for address in expected_addresses]).reshape(len(sources), 3)
        assert np.array_equal(values, player.positions([pip])[0].astype(np.float32))
    # Bundles are filled: every one but a tick's last lacks room for one more message
    # (none of these is longer than 48 bytes with its size field).
    for pip in pips:
        sizes = [len(d) for d in received if OscBundle(d).content(0).params[0] == pip]
        assert len(sizes) > 1 and min(sizes[:-1]) > limit - 48


def test_osc_bundle_limit_defaults_and_mistakes() -> None:
    assert OscSink("127.0.0.1", 9000).max_bundle_bytes == 1472 and OscSink("::1", 9000).max_bundle_bytes == 1452
    with pytest.raises(ValueError, match="max_bundle_bytes must be in 64..65507, got 70000"):
        OscSink("127.0.0.1", 9000, max_bundle_bytes=70000)
    sink = OscSink("127.0.0.1", 9000, address="/" + "a" * 60 + "/{name}", max_bundle_bytes=64)
    with pytest.raises(ValueError, match="cannot hold the message for '/a+/spot' beside the pip message"):
        sink.open(("spot",))


def decode_artdmx(packet: bytes) -> tuple[int, bytes]:
    ident, opcode, version, _seq, _phys, sub_uni, net, length = struct.unpack("<8sHHBBBBH", packet[:18])
    assert ident == b"Art-Net\x00" and opcode == 0x5000 and version == 14 << 8 and length == 2
    return net << 8 | sub_uni, packet[18:]


def decode_sacn(packet: bytes) -> tuple[int, int, bytes]:
    """Universe, sequence number and channels of an E1.31 data packet, by its layout."""
    assert len(packet) == 638
    preamble, postamble, ident, root_fl, root_vector = struct.unpack(">HH12sHI", packet[:22])
    assert (preamble, postamble, ident, root_vector) == (0x10, 0, b"ASC-E1.17\x00\x00\x00", 4)
    assert root_fl == 0x7000 | (638 - 16)
    framing_fl, framing_vector = struct.unpack(">HI", packet[38:44])
    assert framing_fl == 0x7000 | (638 - 38) and framing_vector == 2
    assert packet[44:108].rstrip(b"\x00") == b"velmora" and packet[108] == 100
    sequence, universe = packet[111], struct.unpack(">H", packet[113:115])[0]
    dmp_fl, dmp_vector, types, first, increment, count, start_code = struct.unpack(">HBBHHHB", packet[115:126])
    assert (dmp_fl, dmp_vector, types, first, increment, count, start_code) == (0x7000 | (638 - 115), 2, 0xA1, 0, 1, 513, 0)
    return universe, sequence, packet[126:]


def sacn_stream(received: list[bytes], universes: int) -> list[bytes]:
    """The data packets of an sACN stream, after checking that it ends with three
    Stream_Terminated packets per universe (options bit 6) and has none before."""
    options = [packet[112] for packet in received]
    assert options[-3 * universes :] == [0x40] * 3 * universes and not any(options[: -3 * universes])
    return received[: -3 * universes]


class Pips:
    """A sink noting the pip of every frame it is given."""

    def __init__(self) -> None:
        self.pips: list[int] = []

    def open(self, names: tuple[str, ...]) -> None:
        self.pips = []

    def send(self, frame: Frame) -> None:
        self.pips.append(frame.pip)

    def close(self) -> None:
        pass


SOURCES: dict[str, Any] = {"spot": "helix", "narrow": Layer("circle", rate="3/2", phase=7), "wash": "lfo_breathe"}


def rig_patch(**kwargs: Any) -> DmxPatch:
    narrow = Fixture(pan_degrees=360, tilt_degrees=180, pan_use_degrees=90, tilt_use_degrees=60, bits=8, layout=("tilt", "pan"))
    return DmxPatch({"spot": (1, "pan_tilt16"), "narrow": (3, 509, narrow), "wash": (3, 1, "xyz16")}, universe=2, **kwargs)


@pytest.mark.parametrize("protocol", ["artnet", "sacn"])
def test_offline_dmx_equals_the_bytes_received_live(protocol: str) -> None:
    patch = rig_patch()
    tempo = TempoMap(128.0)
    with udp_receiver() as (port, received):
        sink: Any = (
            ArtNetSink("127.0.0.1", patch=patch, port=port) if protocol == "artnet" else SacnSink("127.0.0.1", patch=patch, port=port)
        )
        pips = Pips()
        Player(SOURCES, tempo=tempo, rate_hz=100.0, sinks=[pips, sink]).play(seconds=0.2)
        wait_for(received, 2 * len(pips.pips) + (6 if protocol == "sacn" else 0))
    if protocol == "sacn":
        received = sacn_stream(received, 2)
    assert len(received) == 2 * len(pips.pips) > 0
    offline = np.concatenate(list(dmx_frames(SOURCES, pips.pips, patch, block_frames=3)))
    sequences = []
    for index, packet in enumerate(received):
        if protocol == "artnet":
            universe, data = decode_artdmx(packet)
        else:
            universe, sequence, data = decode_sacn(packet)
            sequences.append(sequence)
        assert universe == patch.universes[index % 2]
        assert data == offline[index // 2, index % 2].tobytes()
    if sequences:  # one counter per tick, the same for every universe of the tick
        assert sequences == [(k // 2) % 256 for k in range(len(received))]
    # The mapping is the fixture's: x = 1 through a 90° use of 360° is 1/8 turn above centre.
    frame = offline[0]
    assert frame[1, 508] == np.floor((1 + render(SOURCES["narrow"], [pips.pips[0]])[0, 1] / 3) * 127.5 + 0.5)


def test_patch_mistakes_and_protocol_ranges() -> None:
    with pytest.raises(ValueError, match="overlap patch\\['a'\\] channels 1..4 in universe 3"):
        DmxPatch({"a": (3, 1, "pan_tilt16"), "b": (3, 4, "xyz8")})
    with pytest.raises(ValueError, match="universe must be in 1..63999 for sACN, got 0"):
        SacnSink("127.0.0.1", patch=DmxPatch({"a": (1, "xyz8")}))
    with pytest.raises(ValueError, match="universe must be in 0..32767 for Art-Net, got 40000"):
        ArtNetSink("127.0.0.1", patch={"a": (40000, 1, "xyz8")})
    with pytest.raises(ValueError, match="give either host \\(unicast\\) or multicast=True"):
        SacnSink(patch={"a": (1, "xyz8")})
    with pytest.raises(ValueError, match="Art-Net is IPv4 only"):
        ArtNetSink("::1", patch={"a": (1, "xyz8")})
    with pytest.raises(ValueError, match="a slew limit needs pan_speed and tilt_speed"):
        DmxPatch({"a": (1, "pan_tilt16")}, slew_hz=60)
    assert SacnSink(multicast=True, patch={"a": (300, 1, "xyz8")}).destinations == [("239.255.1.44", 5568)]


@pytest.mark.parametrize(
    ("kwargs", "message"),
    [
        ({"pan_degrees": -1}, "pan_degrees must be finite and positive, got -1"),
        ({"pan_speed": float("nan")}, "pan_speed must be finite and positive"),
        ({"bits": 12}, "bits must be 8 or 16, got 12"),
        ({"bits": 8, "layout": ("pan", "pan_fine")}, "layout must name each of pan, tilt at most once"),
        ({"layout": ("pan", "pan")}, "at most once"),
    ],
)
def test_fixture_mistakes(kwargs: dict[str, Any], message: str) -> None:
    with pytest.raises(ValueError, match=message):
        Fixture(**kwargs)


def test_slew_limit_keeps_to_the_fixture_and_is_identical_live() -> None:
    head = Fixture(pan_speed=200.0, tilt_speed=120.0, pan_acceleration=900.0, tilt_acceleration=600.0)
    patch = DmxPatch({"spot": (1, head)}, slew_hz=60.0)
    sources = {"spot": "bounce_square"} if "bounce_square" in {e["name"] for e in velmora.catalogue()} else {"spot": "helix"}
    pips = frames(140.0, 60.0, 3.0)
    offline = np.concatenate(list(dmx_frames(sources, pips, patch, block_frames=50)))
    # Live: the same frames, one tick each, through the sink's socket.
    player = Player(sources, tempo=140.0)
    with udp_receiver() as (port, received):
        sink = ArtNetSink("127.0.0.1", patch=patch, port=port)
        sink.open(player.names)
        for tick, pip in enumerate(pips.tolist()):
            sink.send(Frame(tick, 0.0, pip, 140.0, player.names, player.positions([pip])[0]))
            if tick % 20 == 19:
                wait_for(received, tick + 1)
        sink.close()
        wait_for(received, pips.size)
    assert [decode_artdmx(packet)[1][:4] for packet in received] == [row[0, :4].tobytes() for row in offline]
    # Back from bytes to degrees: never faster than the top speed, never more acceleration.
    levels = offline[:, 0, [0, 2]].astype(np.int64) * 256 + offline[:, 0, [1, 3]]
    degrees = (levels / 65535 * 2 - 1) * np.array([540.0, 270.0]) / 2
    speed = np.diff(degrees, axis=0) * 60.0
    step = 2 * np.array([540.0, 270.0]) / 2 / 65535 * 60.0  # one DMX step per frame, in °/s
    assert np.all(np.abs(speed) <= np.array([200.0, 120.0]) + step)
    assert np.all(np.abs(np.diff(speed, axis=0)) * 60.0 <= np.array([900.0, 600.0]) + 2 * step * 60.0)
    unlimited = np.concatenate(list(dmx_frames(sources, pips, DmxPatch({"spot": (1, head)}))))
    assert not np.array_equal(unlimited, offline)  # the motion asks more than the head has


def test_export_dmx_streams_npy_and_csv(tmp_path: Path) -> None:
    patch = rig_patch()
    pips = frames(128.0, 30.0, 2.0)
    expected = np.concatenate(list(dmx_frames(SOURCES, pips, patch)))
    written = export_dmx(SOURCES, tmp_path / "show.npy", patch, tempo=128.0, fps=30.0, seconds=2.0, block_frames=7)
    assert np.array_equal(np.load(written), expected) and np.load(written).shape == (60, 2, 512)
    export_dmx(SOURCES, tmp_path / "show.csv", patch, tempo=128.0, fps=30.0, seconds=2.0, block_frames=7)
    lines = (tmp_path / "show.csv").read_text().splitlines()
    assert lines[0].split(",")[:5] == ["frame", "seconds", "pip", "universe", "1"] and len(lines) == 1 + 60 * 2
    last = lines[-1].split(",")
    assert (int(last[0]), int(last[2]), int(last[3])) == (59, int(pips[59]), 3)
    assert [int(v) for v in last[4:]] == expected[59, 1].tolist()
    assert sorted(p.name for p in tmp_path.iterdir()) == ["show.csv", "show.npy"]  # no temporaries left
    with pytest.raises(ValueError, match="path must end in .npy or .csv"):
        export_dmx(SOURCES, tmp_path / "show.txt", patch, tempo=128.0, fps=30.0, seconds=1.0)
    (tmp_path / "taken.npy").mkdir()  # a folder where the file should go: named, nothing left behind
    with pytest.raises(OSError, match=f"cannot write '{tmp_path / 'taken.npy'}': it is a folder"):
        export_dmx(SOURCES, tmp_path / "taken.npy", patch, tempo=128.0, fps=30.0, seconds=1.0)
    with pytest.raises(OSError, match="cannot write .*no/such/show.npy'"):
        export_dmx(SOURCES, tmp_path / "no" / "such" / "show.npy", patch, tempo=128.0, fps=30.0, seconds=1.0)
    assert sorted(p.name for p in tmp_path.iterdir()) == ["show.csv", "show.npy", "taken.npy"]


def test_velmora_check_reports_the_peak_and_warns_beyond_the_fixture(capsys: pytest.CaptureFixture[str]) -> None:
    from velmora_kit.cli import main

    assert main(["check", "sway", "--bpm", "120", "--fixture", "pan_speed=360,tilt_speed=200"]) == 0
    out, err = capsys.readouterr()
    # sway's x is one sine a loop of 2 beats (1 s at 120 BPM) over ±90°: 2π·90 °/s at its fastest.
    assert "565 °/s" in out and "sway" in out
    assert err.splitlines() == [
        "velmora check: warning: sway asks 565 °/s of pan at pip 127 (beat 1.98438), 1.6× the fixture's 360 °/s"
    ]
    assert main(["check", "sway", "--fixture", "pan_use_degrees=40,pan_speed=360"]) == 0
    assert capsys.readouterr().err == ""  # a smaller sweep is slow enough
    assert main(["check", "sway", "--fixture", "pan_speed=fast"]) == 1
    assert capsys.readouterr().err == "velmora: --fixture pan_speed must be a number, got 'fast'\n"


def test_velmora_play_sacn_gives_each_pattern_a_head_universe_after_universe(
    monkeypatch: pytest.MonkeyPatch, capsys: pytest.CaptureFixture[str]
) -> None:
    from velmora_kit.cli import main

    names = [entry["name"] for entry in velmora.catalogue()][:130]
    with udp_receiver() as (port, received):
        monkeypatch.setattr("velmora_kit.live.sacn.SACN_PORT", port)
        status = main(["play", *names, "--sacn", "127.0.0.1:5", "--bpm", "100", "--rate", "20", "--seconds", "0.1"])
        sent = int(capsys.readouterr().err.split(" frames sent")[0].split()[-1])
        wait_for(received, 2 * sent + 6)
    received = sacn_stream(received, 2)
    assert status == 0 and len(received) == 2 * sent > 0
    universe, _, data = decode_sacn(received[-1])
    due = [int(TempoMap(100.0).pip(k / 20)) for k in range(2)]  # the two ticks of 0.1 s
    expected = [Fixture().dmx(render(names[129], [pip]))[0].tobytes() for pip in due]
    assert universe == 6 and data[4:8] in expected and not any(data[8:])


@pytest.mark.parametrize(
    "name", ["velmora_kit.fixture", "velmora_kit.dmx", "velmora_kit.live.artnet", "velmora_kit.live.sacn", "velmora_kit.live.osc"]
)
def test_docstring_examples_run(name: str) -> None:
    import doctest
    import importlib

    result = doctest.testmod(importlib.import_module(name), optionflags=doctest.NORMALIZE_WHITESPACE)
    assert result.attempted > 0 and result.failed == 0


def test_slew_limit_brakes_onto_its_target_and_steps_through_skipped_ticks() -> None:
    from velmora_kit import SlewLimit

    head = Fixture(pan_speed=180.0, tilt_speed=90.0, pan_acceleration=720.0, tilt_acceleration=360.0)
    limit = SlewLimit([head], 100.0)
    limit.reset(np.array([[-1.0, 0.0]]))  # pan at one end of its range
    target = np.array([[0.5, -0.25]])
    path = limit.run(np.repeat(target[np.newaxis], 400, axis=0))[:, 0]
    # Towards the target all the way, but for braking's last step: it may pass the target
    # by less than one step's acceleration (a·dt², here 720°/s² → 0.027° of pan).
    slack = np.array([720.0 / 270.0, 360.0 / 135.0]) / 100.0**2
    assert np.all(np.diff(path[:, 0]) >= -slack[0]) and np.all(np.diff(path[:, 1]) <= slack[1])
    assert np.array_equal(path[-1], target[0])  # arrives and stays
    # 405° of pan at 180 °/s and 720 °/s²: no sooner than the time at top speed allows.
    arrived = int(np.argmax(path[:, 0] == 0.5))
    assert arrived >= 100 * (405 / 180)
    # Live, a skipped tick is stepped through: ticks 0, 1, 3 equal steps 0, 1, 2, 3 offline.
    patch = DmxPatch({"spot": (1, head)}, slew_hz=100.0)
    positions = np.array([[[1.0, 1.0, 0.0]], [[-1.0, -1.0, 0.0]], [[-1.0, -1.0, 0.0]], [[-1.0, -1.0, 0.0]]])
    offline = patch.renderer(("spot",)).block(positions)
    live = patch.renderer(("spot",))
    sent = [live.frame(positions[tick], tick=tick) for tick in (0, 1, 3)]
    assert [row.tobytes() for row in sent] == [offline[tick].tobytes() for tick in (0, 1, 3)]
