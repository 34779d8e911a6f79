"""MIDI in: controller automation from a file as a recording, and a follower of MIDI clock.

`recording_from_midi` turns the controller moves (and pitch-wheel moves) of a standard MIDI
file into a `velmora.SampledRecording`, one row per pip. `MidiClock` follows the clock that
a DAW or drum machine sends (24 clocks a beat, start, stop, continue, song position) and
tells the pip at any moment.

The tempo estimate of `MidiClock`. Clocks arrive with jitter (a few milliseconds on USB
and in busy hosts), so the time between two clocks says little about the tempo. The clock
keeps the arrival times of the last `window` clocks (24 by default: one beat) since the
transport last started, continued or jumped, and fits a straight line, position in clocks
against time, by least squares; points whose residual exceeds three times the median
residual (a clock held up by the host) are dropped and the line fitted again. The slope is
the tempo, and the line itself gives the position between clocks, so the jitter of single
clocks averages out of both. With ±2 ms of jitter, from 70 to 180 BPM, two beats after a
start the tempo is within 1 BPM (0.13 BPM typically) and the position within a quarter of
a pip. Until two clocks have arrived the tempo is the last estimate (MIDI's
120 BPM at first), and the position runs on from the last clock at that tempo.
"""

from __future__ import annotations

import collections
import math
import numbers
import warnings
from collections.abc import Sequence
from typing import Any

import numpy as np

import velmora
from velmora_kit._checks import check_items
from velmora_kit.render import PIP_MAX
from velmora_kit.tempo import (
    PIPS_PER_BEAT,
    TEMPO_EVENTS,
    TempoMap,
    _check_midi_timing,
    _describe,
    _merged_events,
    _read_midi,
    snap_pip,
)

__all__ = ["MidiClock", "recording_from_midi"]

CLOCKS_PER_BEAT = 24
CLOCKS_PER_SIXTEENTH = 6
PIPS_PER_CLOCK = PIPS_PER_BEAT / CLOCKS_PER_BEAT
# The recording's own limits (velmora.SampledRecording): values in all, and the last pip.
MAX_RECORDING_VALUES = 2**23
# What a recording reads from a file, in one walk: its tempo map and the controller lanes.
RECORDING_EVENTS = TEMPO_EVENTS | {"control_change", "pitchwheel"}


def _axis_name(controller: int | str) -> str:
    return "pitchwheel" if controller == "pitchwheel" else f"cc{controller}"


def _check_controllers(controllers: object) -> list[int | str]:
    items = check_items("controllers", controllers, "a list of controller numbers and/or 'pitchwheel'")
    chosen: list[int | str] = []
    for controller in items:
        if controller == "pitchwheel" and isinstance(controller, str):
            pass
        elif isinstance(controller, numbers.Integral) and not isinstance(controller, bool):
            if not 0 <= int(controller) <= 127:
                raise ValueError(f"controller numbers must be 0..127, got {controller!r}")
            controller = int(controller)
        else:
            raise TypeError(f"controllers must be controller numbers 0..127 or 'pitchwheel', got {controller!r}")
        if controller in chosen:
            raise ValueError(f"controller {controller!r} is listed twice")
        chosen.append(controller)
    if not chosen:
        raise ValueError("controllers must name at least one controller number or 'pitchwheel'")
    return chosen


def recording_from_midi(
    source: Any,
    controllers: Sequence[int | str],
    *,
    name: str = "midi",
    channel: int | None = None,
) -> velmora.SampledRecording:
    """Controller automation of a MIDI file as a recording, one row per pip.

    Each chosen controller is one axis, named ``cc<N>`` (or ``pitchwheel``) in the order
    given; a chosen controller without any event rests at 0, with a `UserWarning`. The rows run from the pip of the first chosen event to the pip of the last (pip
    = `TempoMap.tick_to_pip` of the event's tick); each lane holds its last value until its
    next event and its first value before its first event; where one lane has several
    events at one pip, the last one (in mido's merged track order) wins. Values map to
    [-1, 1]: a controller value v to v / 63.5 − 1 (0 → −1, 127 → 1), a pitch-wheel value
    p (−8192..8191) to p / 8192, clamped.

    Parameters
    ----------
    source : str, os.PathLike or mido.MidiFile
    controllers : sequence of int or "pitchwheel"
        Controller numbers 0..127 and/or ``"pitchwheel"``, each at most once.
    name : str, default "midi"
        The recording's name (an identifier).
    channel : int, optional
        Only events on this channel (0..15); every channel when None.

    Returns
    -------
    velmora.SampledRecording
        `bpm` is the tempo in effect at the first row and `beat_zero_seconds` 0; a
        `UserWarning` tells when the tempo changes within the recording (use
        `TempoMap.from_midi` for the exact times then).

    Raises
    ------
    ValueError
        A file mido cannot read, bad controllers or channel, no chosen event in the file
        (the message lists the controllers the file has), and the module's own messages
        for a recording beyond its limits or a bad name.
    TypeError
        Arguments of the wrong kind.

    Examples
    --------
    >>> import mido
    >>> song = mido.MidiFile()
    >>> song.tracks.append(mido.MidiTrack([mido.Message("control_change", control=1, value=127, time=0),
    ...                                    mido.Message("control_change", control=1, value=0, time=240)]))
    >>> take = recording_from_midi(song, [1])
    >>> take.sample_count, take.sample(0), take.sample(32)
    (33, [1.0], [-1.0])
    """
    chosen = _check_controllers(controllers)
    if channel is not None:
        if isinstance(channel, bool) or not isinstance(channel, numbers.Integral):
            raise TypeError(f"channel must be an integer 0..15 or None, got {channel!r}")
        if not 0 <= int(channel) <= 15:
            raise ValueError(f"channel must be 0..15, got {channel!r}")
    midi = _read_midi(source)
    _check_midi_timing(midi, source)
    merged = _merged_events(midi, RECORDING_EVENTS)
    tempo = TempoMap._from_midi_events(midi, source, merged)
    lane_of = {controller: lane for lane, controller in enumerate(chosen)}
    # Per lane, the ticks and values of its events (two lists: no object per event).
    lane_ticks: list[list[int]] = [[] for _ in chosen]
    lane_values: list[list[float]] = [[] for _ in chosen]
    found: set[int | str] = set()
    for tick, message in zip(*merged):
        kind = message.type
        if kind == "control_change":
            key: int | str = int(message.control)
            value = message.value / 63.5 - 1.0
        elif kind == "pitchwheel":
            key = "pitchwheel"
            value = min(1.0, max(-1.0, message.pitch / 8192))
        else:
            continue
        if channel is not None and message.channel != channel:
            continue
        found.add(key)
        lane = lane_of.get(key)
        if lane is not None:
            lane_ticks[lane].append(tick)
            lane_values[lane].append(value)
    if not any(lane_ticks):
        where = "on any channel" if channel is None else f"on channel {channel}"
        held = sorted(found, key=lambda c: (isinstance(c, str), c))
        holds = ", ".join(_axis_name(c) for c in held) if held else "no controller or pitch-wheel events"
        wanted = ", ".join(_axis_name(c) for c in chosen)
        raise ValueError(f"MIDI file {_describe(source)} has no {wanted} events {where}; it holds {holds}")

    lane_pips = [np.asarray(tempo.tick_to_pip(np.array(ticks, dtype=np.int64))) for ticks in lane_ticks]
    first = min(int(p[0]) for p in lane_pips if p.size)
    last = max(int(p[-1]) for p in lane_pips if p.size)
    rows = last - first + 1
    # The module's own limits, refused by name before the rows are built.
    if last > PIP_MAX:
        raise ValueError(
            f"MIDI file {_describe(source)} has events up to pip {last:,}, beyond the last pip a recording "
            f"holds ({PIP_MAX:,}); read a shorter file"
        )
    if rows * len(chosen) > MAX_RECORDING_VALUES:
        raise ValueError(
            f"MIDI file {_describe(source)} spans {rows:,} pips × {len(chosen)} controller(s) = "
            f"{rows * len(chosen):,} values, more than the {MAX_RECORDING_VALUES:,} a recording holds; "
            "read fewer controllers or a shorter file"
        )
    grid = np.arange(first, last + 1, dtype=np.int64)
    values = np.empty((rows, len(chosen)), dtype=np.float64)
    for lane, (pips, lane_events) in enumerate(zip(lane_pips, lane_values)):
        if not pips.size:  # a lane without events has nothing to hold: it rests at 0
            values[:, lane] = 0.0
            warnings.warn(f"{_axis_name(chosen[lane])} has no events; its axis rests at 0", UserWarning, stacklevel=2)
            continue
        # The last event at or before each row's pip (the last of several at one pip);
        # before the lane's first event, its first value.
        index = np.searchsorted(pips, grid, side="right") - 1
        values[:, lane] = np.array(lane_events, dtype=np.float64)[np.maximum(index, 0)]

    bpm = float(tempo.bpm(first))
    changes = _tempo_changes_within(tempo, first, last)
    if changes:
        warnings.warn(
            f"the tempo changes {changes} time{'s' if changes != 1 else ''} within the recording, whose rows are "
            f"pips at the first tempo ({bpm:g} BPM); TempoMap.from_midi gives the exact times",
            UserWarning,
            stacklevel=2,
        )
    # The module reads a float64 array in one pass (a list of rows costs it ten times more).
    return velmora.SampledRecording(name, [_axis_name(c) for c in chosen], values, bpm, 0.0, first)


def _tempo_changes_within(tempo: TempoMap, first: int, last: int) -> int:
    count = 0
    previous = float(tempo.bpm(first))
    for change in tempo.changes:
        pip = change[0] * PIPS_PER_BEAT
        if first < pip <= last and change[1] != previous:
            count += 1
        if pip <= last:
            previous = change[1]
    return count


class MidiClock:
    """Follows a MIDI clock: the transport and the pip at any moment.

    Feed it every message as it arrives, with its arrival time in seconds (any monotonic
    clock, the same one that later asks `pip_position`). It reads ``clock`` (24 a beat),
    ``start`` (from beat 0), ``stop``, ``continue`` (from where it stopped, or from the
    last song position) and ``songpos`` (a song position pointer, in sixteenths), and
    ignores every other message. The tempo comes from a least-squares fit over recent
    clocks (see the module's docstring).

    Parameters
    ----------
    window : int, default 24
        How many recent clocks the tempo and position are fitted to (at least 2).

    Examples
    --------
    >>> import mido
    >>> clock = MidiClock()
    >>> clock.feed(mido.Message("start"), 0.0)
    >>> for k in range(25):
    ...     clock.feed(mido.Message("clock"), k * 0.5 / 24)
    >>> round(clock.bpm, 6), clock.pip(0.5), clock.running
    (120.0, 64, True)
    """

    __slots__ = ("_window", "_times", "_positions", "_next", "_running", "_bpm", "_held", "_last_time", "_line")
    _window: int
    _times: collections.deque[float]  # arrival times of the recent clocks
    _positions: collections.deque[int]  # and the positions, in clocks, that they marked
    _next: int  # the position, in clocks, that the next clock marks
    _running: bool
    _bpm: float
    _held: float  # the position in clocks while no fit applies (stopped, or just moved)
    _last_time: float
    _line: tuple[float, float, float] | None  # centre time, position there, slope

    def __init__(self, window: int = 24) -> None:
        if isinstance(window, bool) or not isinstance(window, numbers.Integral):
            raise TypeError(f"window must be an integer, got {window!r}")
        if window < 2:
            raise ValueError(f"window must be at least 2, got {window!r}")
        self._window = int(window)
        self._times = collections.deque(maxlen=self._window)
        self._positions = collections.deque(maxlen=self._window)
        self._next = 0
        self._running = False
        self._bpm = 120.0
        self._held = 0.0
        self._last_time = -math.inf
        self._line = None

    @property
    def running(self) -> bool:
        """Whether the transport runs (after start or continue, until stop)."""
        return self._running

    @property
    def bpm(self) -> float:
        """The tempo estimate in BPM (120 until two clocks have arrived)."""
        return self._bpm

    def feed(self, message: Any, timestamp: float) -> None:
        """Takes one incoming message and the time it arrived.

        Parameters
        ----------
        message : mido.Message
        timestamp : float
            Seconds, finite, not before the previous message's.

        Raises
        ------
        ValueError
            A timestamp that is not finite or goes backwards.
        TypeError
            A message without a ``type``.
        """
        if isinstance(timestamp, bool) or not isinstance(timestamp, (numbers.Real, np.floating)):
            raise TypeError(f"timestamp must be a real number, got {timestamp!r}")
        now = float(timestamp)
        if not math.isfinite(now):
            raise ValueError(f"timestamp must be finite, got {timestamp!r}")
        if now < self._last_time:
            raise ValueError(f"timestamps must not go backwards: {now!r} after {self._last_time!r}")
        kind = getattr(message, "type", None)
        if not isinstance(kind, str):
            raise TypeError(f"message must be a mido.Message, got {type(message).__name__}")
        self._last_time = now
        if kind == "clock":
            if not self._running:
                return  # a clock without a running transport moves nothing (MIDI keeps clocking while stopped)
            self._times.append(now)
            self._positions.append(self._next)
            self._next += 1
            self._held = float(self._positions[-1])
            self._fit()
        elif kind == "start":
            self._restart(0)
            self._running = True
        elif kind == "continue":
            self._restart(self._next)
            self._running = True
        elif kind == "stop":
            self._held = self._position_clocks(now)
            self._running = False
            # Continue resumes at the next clock not yet played.
            self._next = max(self._next, math.ceil(self._held))
            self._times.clear()
            self._positions.clear()
            self._line = None
        elif kind == "songpos":
            self._restart(int(message.pos) * CLOCKS_PER_SIXTEENTH)

    def _restart(self, position: int) -> None:
        self._next = position
        self._held = float(position)
        self._times.clear()
        self._positions.clear()
        self._line = None

    def _fit(self) -> None:
        if len(self._times) < 2:
            return
        times = np.array(self._times)
        positions = np.array(self._positions, dtype=np.float64)
        line = _line(times, positions)
        residual = np.abs(positions - (line[1] + line[2] * (times - line[0])))
        limit = 3.0 * float(np.median(residual))
        keep = residual <= limit
        if limit > 0.0 and 2 <= keep.sum() < keep.size:
            line = _line(times[keep], positions[keep])
        if line[2] > 0.0 and math.isfinite(line[2]):
            self._line = line
            self._bpm = line[2] * 60.0 / CLOCKS_PER_BEAT

    def _position_clocks(self, now: float) -> float:
        if not self._running or not self._times:
            return self._held
        if self._line is None:  # one clock since a start or a jump: on at the last tempo known
            estimate = self._positions[-1] + (now - self._times[-1]) * self._bpm * CLOCKS_PER_BEAT / 60.0
        else:
            centre, level, slope = self._line
            estimate = level + slope * (now - centre)
        # Never behind the last clock once it has arrived, never more than one clock past
        # it: a late clock holds the position instead of letting it run away, and the
        # position never goes backwards while the transport runs.
        last = float(self._positions[-1])
        if now >= self._times[-1]:
            estimate = max(estimate, last)
        return min(estimate, last + 1.0)

    def pip_position(self, now: float) -> float:
        """The (fractional) pip at time `now` (same clock as the timestamps)."""
        return self._position_clocks(float(now)) * PIPS_PER_CLOCK

    def pip(self, now: float) -> int:
        """The integer pip at time `now`: the floor of `pip_position`, where a position less
        than 1e-6 pip below an integer counts as that integer."""
        return snap_pip(self.pip_position(now))


def _line(times: np.ndarray[Any, Any], positions: np.ndarray[Any, Any]) -> tuple[float, float, float]:
    """Least-squares line of positions against times, as (centre time, position at the
    centre, slope): centred so that large timestamps lose no precision."""
    centre = float(times.mean())
    level = float(positions.mean())
    x = times - centre
    denominator = float(np.dot(x, x))
    if denominator == 0.0:
        return centre, level, 0.0
    return centre, level, float(np.dot(x, positions - level)) / denominator
