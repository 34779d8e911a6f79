"""`velmora play`: play patterns live to OSC and Art-Net receivers, or watch them here.

With no network sink the terminal shows each pattern's position and the beat, live
(rich). Ctrl-C ends playing: sockets are closed and a summary is printed.
"""

from __future__ import annotations

import argparse
import sys
from typing import Any

from velmora_kit.cli import (
    CommandError, UsageError, check_pattern_names, finite_float, interrupted_status, positive_float, tempo_bpm,
)
from velmora_kit.commands.beats import add_audio_options, audio_tempo


def _latency_ms(text: str) -> float:
    from velmora_kit._checks import MAX_LATENCY_SECONDS

    value = finite_float(text)
    if abs(value) > MAX_LATENCY_SECONDS * 1e3:
        raise argparse.ArgumentTypeError(f"must be within ±{MAX_LATENCY_SECONDS * 1e3:g} ms, got {text}")
    return value


def add_parser(subparsers: Any) -> None:
    parser = subparsers.add_parser(
        "play",
        help="play patterns live to OSC or Art-Net, or watch them in the terminal",
        description="Play patterns in real time, in time with a tempo or a MIDI clock. "
        "--osc sends one OSC bundle per tick (/velmora/pip, then /velmora/NAME x y z); "
        "--artnet and --sacn send DMX with one moving head per pattern (Pan, Pan fine, Tilt, Tilt fine "
        "from channel 1, 5, 9, ..., then on in the next universe; --fixture sets the head's profile). "
        "With none of them, the terminal shows the positions live. Ctrl-C stops.",
    )
    parser.add_argument("names", metavar="NAME", nargs="+", help="pattern names (velmora list shows them)")
    time_source = parser.add_mutually_exclusive_group()
    time_source.add_argument("--bpm", metavar="B", type=tempo_bpm, help="constant tempo (default 120)")
    time_source.add_argument("--midi-clock", metavar="PORT", help="follow the MIDI clock arriving at this MIDI input")
    time_source.add_argument(
        "--audio", metavar="FILE", help="follow the beats of an audio file, its second 0 when playing starts"
    )
    parser.add_argument("--osc", metavar="HOST:PORT", help="send OSC bundles to this UDP address")
    parser.add_argument("--artnet", metavar="HOST[:UNIVERSE]", help="send Art-Net DMX to this node (from universe 0 by default)")
    parser.add_argument(
        "--sacn", metavar="HOST[:UNIVERSE]",
        help="send sACN (E1.31) DMX to this host (from universe 1 by default); 'multicast' as HOST "
        "sends to each universe's multicast group instead",
    )
    parser.add_argument(
        "--fixture", metavar="KEY=VALUE,...", default="",
        help="the moving heads' profile for --artnet and --sacn, as velmora check takes it (default: "
        "540° pan, 270° tilt, ±90° used, 16-bit)",
    )
    parser.add_argument(
        "--slew", action="store_true",
        help="limit each head to its top speed and acceleration (give pan_speed and tilt_speed in --fixture)",
    )
    parser.add_argument(
        "--osc-bundle-bytes", metavar="N", type=int, default=None,
        help="largest OSC bundle, in bytes (default 1472, 1452 over IPv6: one Ethernet frame); a tick takes as many as it needs",
    )
    parser.add_argument("--rate", metavar="HZ", type=positive_float, default=60.0, help="ticks per second (default 60)")
    parser.add_argument(
        "--latency", metavar="MS", type=_latency_ms, default=0.0,
        help="send each position this many milliseconds early (default 0)",
    )
    parser.add_argument("--seconds", metavar="S", type=positive_float, help="stop after this long (default: Ctrl-C)")
    add_audio_options(parser)
    parser.set_defaults(run=run_play)


def _osc_sink(text: str, max_bundle_bytes: int | None) -> Any:
    from velmora_kit.live._address import check_port, split_host_port
    from velmora_kit.live.osc import OscSink

    try:
        host, port_text = split_host_port("--osc", text)
    except ValueError as error:
        raise UsageError(str(error)) from None
    try:
        port = int(port_text or "")
    except ValueError:
        raise UsageError(f"--osc port must be a number in 1..65535, got {port_text!r}") from None
    try:
        check_port("--osc port", port)
    except ValueError as error:
        raise UsageError(str(error)) from None
    try:
        return OscSink(host, port, max_bundle_bytes=max_bundle_bytes)
    except ValueError as error:
        raise CommandError(f"--osc: {error}") from None


def _dmx_patch(option: str, text: str, names: list[str], fixture: Any, slew_hz: float | None, default_universe: int) -> tuple[str, Any]:
    """The host and a patch giving each pattern one head, universe after universe."""
    from velmora_kit.dmx import UNIVERSE_SIZE, DmxPatch
    from velmora_kit.live._address import split_host_port

    try:
        host, universe_text = split_host_port(option, text, port_required=False)
        first = int(universe_text) if universe_text is not None else default_universe
    except ValueError:
        raise UsageError(f"{option} must be HOST or HOST:UNIVERSE with a whole-number universe, got {text!r}") from None
    heads = UNIVERSE_SIZE // fixture.width
    patch = {
        name: (first + index // heads, 1 + fixture.width * (index % heads), fixture) for index, name in enumerate(names)
    }
    try:
        return host, DmxPatch(patch, slew_hz=slew_hz)
    except ValueError as error:
        raise CommandError(f"{option}: {error}") from None


def _artnet_sink(text: str, names: list[str], fixture: Any, slew_hz: float | None) -> Any:
    from velmora_kit.live.artnet import ArtNetSink

    host, patch = _dmx_patch("--artnet", text, names, fixture, slew_hz, 0)
    try:
        return ArtNetSink(host, universe=patch.universes[0], patch=patch)
    except ValueError as error:
        raise CommandError(f"--artnet: {error}") from None


def _sacn_sink(text: str, names: list[str], fixture: Any, slew_hz: float | None) -> Any:
    from velmora_kit.live.sacn import SacnSink

    host, patch = _dmx_patch("--sacn", text, names, fixture, slew_hz, 1)
    try:
        if host == "multicast":
            return SacnSink(multicast=True, universe=patch.universes[0], patch=patch)
        return SacnSink(host, universe=patch.universes[0], patch=patch)
    except ValueError as error:
        raise CommandError(f"--sacn: {error}") from None


def _midi_input(port_name: str) -> Any:
    import mido  # type: ignore[import-untyped]

    try:
        return mido.open_input(port_name)
    except ImportError as error:
        raise CommandError(
            f"--midi-clock needs a MIDI backend for mido ({error}): pip install 'velmora[midi]'"
        ) from None
    except OSError as error:
        reason = str(error).strip().splitlines()[0] if str(error).strip() else type(error).__name__
        raise CommandError(f"--midi-clock cannot open MIDI input {port_name!r}: {reason}") from None


def run_play(args: argparse.Namespace) -> int:
    names: list[str] = list(args.names)
    check_pattern_names(names)
    repeated = sorted({name for name in names if names.count(name) > 1})
    if repeated:
        raise UsageError(f"each pattern can play once, got {', '.join(repeated)} more than once")
    # Analysed before any sink opens: the analysis takes seconds, and may fail.
    audio_map = audio_tempo(args.audio, args)[0] if args.audio is not None else None
    sinks = []
    if args.osc is not None:
        sinks.append(_osc_sink(args.osc, args.osc_bundle_bytes))
    if args.artnet is not None or args.sacn is not None:
        from velmora_kit.commands.check import parse_fixture

        fixture = parse_fixture(args.fixture)
        slew_hz = args.rate if args.slew else None
        if args.artnet is not None:
            sinks.append(_artnet_sink(args.artnet, names, fixture, slew_hz))
        if args.sacn is not None:
            sinks.append(_sacn_sink(args.sacn, names, fixture, slew_hz))
    if not sinks:
        sinks.append(_TerminalView())

    from velmora_kit.live.player import Player

    sources = {name: name for name in names}
    midi_port = None
    if args.midi_clock is not None:
        midi_port = _midi_input(args.midi_clock)
    try:
        if midi_port is not None:
            player = Player(sources, clock=midi_port, rate_hz=args.rate, latency_seconds=args.latency / 1e3, sinks=sinks)
        else:
            tempo = audio_map if audio_map is not None else args.bpm if args.bpm is not None else 120.0
            player = Player(sources, tempo=tempo, rate_hz=args.rate, latency_seconds=args.latency / 1e3, sinks=sinks)
        summary = player.play(seconds=args.seconds)
    finally:
        if midi_port is not None:
            midi_port.close()
    print(f"velmora play: {summary}", file=sys.stderr)
    return interrupted_status() if summary.interrupted else 0


class _TerminalView:
    """A sink that shows the newest frame: a row per pattern and the beat (rich Live)."""

    def __init__(self) -> None:
        self._live: Any = None
        self._frame: Any = None

    def open(self, names: tuple[str, ...]) -> None:
        from rich.live import Live

        self._frame = None
        self._live = Live(get_renderable=self._render, refresh_per_second=15, transient=False)
        self._live.start()

    def send(self, frame: Any) -> None:
        self._frame = frame  # the Live thread draws it at its own pace

    def close(self) -> None:
        if self._live is not None:
            self._live.stop()
            self._live = None

    def _render(self) -> Any:
        from rich.table import Table
        from rich.text import Text

        frame = self._frame
        if frame is None:
            return Text("waiting for the first tick…")
        beat = frame.pip // 64
        pulse = " ".join("●" if beat % 4 == k else "○" for k in range(4))
        table = Table(
            title=f"beat {frame.pip / 64:9.2f}   {pulse}   pip {frame.pip}   {frame.bpm:.1f} BPM",
            title_justify="left",
        )
        table.add_column("pattern", no_wrap=True)
        for axis in "xyz":
            table.add_column(axis, justify="right")
            table.add_column("", width=11, no_wrap=True)
        for name, position in zip(frame.names, frame.positions):
            cells: list[Any] = [name]
            for value in position:
                cells.append(f"{value:+.3f}")
                cells.append(Text(_bar(float(value)), style="cyan"))
            table.add_row(*cells)
        return table


def _bar(value: float, half: int = 5) -> str:
    """A centred bar: '|' marks 0, the filled part reaches the value."""
    cells = round(min(max(value, -1.0), 1.0) * half)
    left = " " * (half + min(cells, 0)) + "█" * -min(cells, 0)
    right = "█" * max(cells, 0) + " " * (half - max(cells, 0))
    return left + "|" + right
