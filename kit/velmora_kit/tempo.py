"""Music time: tempo maps between seconds and pips, and the pips of animation frames.

A `TempoMap` is a list of tempo pieces in beats (64 pips to the beat). A piece either holds
a tempo or ramps it linearly in beats; before beat 0 the first tempo extends backwards, and
after the last change the last tempo holds for ever.

The time a ramp takes. Over a ramp from tempo s (BPM) at beat b0 with slope
k = (e − s) / L BPM per beat, the tempo at beat b0 + x is s + k·x and one beat lasts
60 / (s + k·x) seconds, so the time from b0 to b0 + x is

    T(x) = ∫₀ˣ 60 / (s + k·u) du = (60 / k) · ln(1 + k·x / s)      (k ≠ 0)
    T(x) = 60 · x / s                                               (k = 0)

and its inverse, the beats after b0 at a time τ into the ramp, is
x(τ) = (s / k) · expm1(k·τ / 60). Both are evaluated with log1p / expm1 so that a gentle
ramp loses no precision against a held tempo.

Pip boundaries. `pip(seconds)` is the floor of the position, except that a position less
than `PIP_TOLERANCE` (1e-6 pip) below an integer counts as that integer: the time of a pip
boundary, carried by a float, may land a hair below it. `frames` computes each frame's
time from its index (never by adding up frame lengths); for a constant tempo it works in
exact rational arithmetic on the decimal values of the numbers given (29.97 fps is
2997/100 frames a second), so a frame that lies on a pip boundary is on that pip.
"""

from __future__ import annotations

import itertools
import math
import numbers
import os
from collections.abc import Sequence
from fractions import Fraction
from typing import Any, NamedTuple, Union, overload

import numpy as np
import numpy.typing as npt

from velmora_kit._checks import check_finite, check_items, check_positive, check_real

__all__ = ["PIP_TOLERANCE", "PIPS_PER_BEAT", "TempoMap", "frames", "snap_pip"]

PIPS_PER_BEAT = 64
PIP_TOLERANCE = 1e-6
# MIDI's tempo before any tempo event: 500,000 µs a beat.
MIDI_DEFAULT_TEMPO = 500_000
# Integers below this convert to float64 exactly.
EXACT_FLOAT_INTEGERS = 2**53
# A frame count beyond this (about 13 days at 60 fps, 512 MiB of pips) is a mistake.
MAX_FRAMES = 2**26
_INT64_LIMIT = 2.0**63

FloatArray = npt.NDArray[np.float64]
IntArray = npt.NDArray[np.int64]
ArrayOrFloat = Union[float, FloatArray]
ArrayOrInt = Union[int, IntArray]
Change = Union[tuple[float, float], tuple[float, float, float, float]]


def _decimal(value: float) -> Fraction:
    """The shortest decimal that gives back `value`, as an exact fraction (0.1 is 1/10)."""
    return Fraction(repr(float(value)))


def _values(name: str, values: object) -> tuple[FloatArray, bool]:
    """The argument as a float64 array and whether it was a scalar."""
    if isinstance(values, (bool, np.bool_)):
        raise TypeError(f"{name} must be a real number or an array of them, got {values!r}")
    if isinstance(values, (numbers.Real, np.number)):
        return np.asarray(float(values), dtype=np.float64), True
    if isinstance(values, (str, bytes, bytearray)) or values is None:
        raise TypeError(f"{name} must be a real number or an array of them, got {type(values).__name__}")
    try:
        if not isinstance(values, (np.ndarray, list, tuple)):
            values = list(values)  # type: ignore[call-overload]  # generators, map, lazy sequences
        array = np.asarray(values)
    except (TypeError, ValueError):
        raise TypeError(f"{name} must be a real number or an array of them, got {type(values).__name__}") from None
    if array.dtype.kind not in "iuf":
        raise TypeError(f"{name} must be a real number or an array of them, got an array of {array.dtype}")
    return array.astype(np.float64, copy=False), False


def _scalar_or(array: npt.NDArray[Any], scalar: bool) -> Any:
    if scalar:
        return array.reshape(()).item()
    return array


@overload
def snap_pip(position: float) -> int: ...
@overload
def snap_pip(position: FloatArray) -> IntArray: ...
def snap_pip(position: ArrayOrFloat) -> ArrayOrInt:
    """The pip sounding at a pip position: its floor, except that a position within
    PIP_TOLERANCE below an integer counts as that integer (the time of a pip, computed in
    floats, may land a hair short of it). The one rounding of tempo maps, clocks and players.

    Raises ValueError for NaN and OverflowError for an infinite scalar, as `math.floor` does.

    Example
    -------
    >>> snap_pip(2.9999999), snap_pip(2.99)
    (3, 2)
    """
    low = np.floor(position)
    high = low + 1.0
    snapped = np.where(high - position <= PIP_TOLERANCE, high, low)
    if isinstance(position, np.ndarray):
        return snapped.astype(np.int64)
    return int(snapped)


class TempoMap:
    """Tempo over time: seconds ↔ pips, for a constant tempo, steps and linear ramps.

    Parameters
    ----------
    bpm : float
        The tempo, finite and positive.
    beat_zero_seconds : float, default 0.0
        The time at which beat 0 (pip 0) falls; finite, any sign.

    Raises
    ------
    ValueError
        A tempo that is not finite and positive, or a non-finite beat origin.
    TypeError
        Values that are not real numbers.

    Examples
    --------
    >>> tempo = TempoMap(120.0)
    >>> tempo.pip(0.25)
    32
    >>> tempo.seconds(64)
    0.5
    """

    __slots__ = ("_beat_zero", "_changes", "_starts", "_times", "_tempo0", "_slope", "_spb", "_ticks_per_beat")
    _beat_zero: float
    _changes: tuple[tuple[float, ...], ...] | None  # None until asked for (see `changes`)
    _starts: FloatArray  # beat at which each piece starts (the first extends backwards)
    _times: FloatArray  # seconds at which each piece starts
    _tempo0: FloatArray  # BPM at the start of each piece
    _slope: FloatArray  # BPM per beat (0 for a held tempo)
    _spb: FloatArray  # seconds per beat of a held piece (kept exact for MIDI's microseconds)
    _ticks_per_beat: int | None

    def __init__(self, bpm: float, beat_zero_seconds: float = 0.0) -> None:
        tempo = _check_bpm("bpm", bpm)
        self._build([(0.0, tempo)], beat_zero_seconds, None, None)

    # --- construction -------------------------------------------------------------------

    @classmethod
    def from_changes(cls, changes: Sequence[Sequence[float]], beat_zero_seconds: float = 0.0) -> TempoMap:
        """A tempo map from steps and linear ramps.

        Parameters
        ----------
        changes : sequence of tuples
            ``(beat, bpm)`` sets a tempo from `beat` on; ``(beat, bpm_start, bpm_end, beats)``
            ramps the tempo linearly in beats from `bpm_start` to `bpm_end` over `beats`
            beats, after which `bpm_end` holds. The first change is at beat 0, the beats
            ascend strictly, and a ramp ends at or before the next change.
        beat_zero_seconds : float, default 0.0
            The time of beat 0.

        Returns
        -------
        TempoMap

        Raises
        ------
        ValueError
            A tempo that is not finite and positive, a beat that is not finite, a first
            change not at beat 0, changes out of beat order, a ramp that overlaps the next
            change, a non-finite beat origin; the message names the beat.
        TypeError
            A change that is not a tuple of 2 or 4 real numbers.

        Examples
        --------
        >>> tempo = TempoMap.from_changes([(0, 120), (4, 120, 60, 4), (16, 90)])
        >>> tempo.bpm(6 * 64)
        90.0
        """
        normalised = _check_changes(changes)
        tempo = cls.__new__(cls)
        tempo._build(normalised, beat_zero_seconds, None, None)
        return tempo

    @classmethod
    def from_midi(cls, source: Any) -> TempoMap:
        """The tempo map of a standard MIDI file (types 0 and 1).

        Tempo events are taken from every track; beat = tick / ticks_per_beat. Before the
        first tempo event MIDI's default of 120 BPM holds. Where several tempo events share
        a tick the last one in mido's merged track order holds, as in mido's own playback.
        Each tempo is kept as its microseconds per beat, so seconds follow mido's
        tick × tempo / ticks_per_beat arithmetic.

        Parameters
        ----------
        source : str, os.PathLike or mido.MidiFile

        Returns
        -------
        TempoMap
            With `ticks_per_beat` set, for `tick_to_pip` and `tick_to_seconds`.

        Raises
        ------
        ValueError
            A file mido cannot read (naming the file and the reason), a type 2 file, a
            tempo event of zero microseconds (naming its tick).

        Examples
        --------
        >>> import mido
        >>> song = mido.MidiFile(ticks_per_beat=480)
        >>> song.tracks.append(mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=400_000, time=0)]))
        >>> TempoMap.from_midi(song).bpm(0)
        150.0
        """
        midi = _read_midi(source)
        _check_midi_timing(midi, source)
        return cls._from_midi_events(midi, source, _merged_events(midi, TEMPO_EVENTS))

    @classmethod
    def _from_midi_events(cls, midi: Any, source: Any, events: TimedMessages) -> TempoMap:
        """The map of a checked file from its timed messages in merged order; messages of
        other types than tempo changes are passed over."""
        ticks_per_beat = int(midi.ticks_per_beat)
        is_tempo = [message.type == "set_tempo" for message in events.messages]
        tempo_ticks = list(itertools.compress(events.ticks, is_tempo))
        tempos = [message.tempo for message in itertools.compress(events.messages, is_tempo)]
        if tempos and min(tempos) <= 0:
            bad = next(k for k, us in enumerate(tempos) if us <= 0)
            raise ValueError(f"MIDI file {_describe(source)} has a tempo of {tempos[bad]} µs a beat at tick {tempo_ticks[bad]}")
        # The last tempo at a tick wins, as in mido's playback.
        by_tick: dict[int, int] = {0: MIDI_DEFAULT_TEMPO}
        by_tick.update(zip(tempo_ticks, map(int, tempos)))
        ticks = sorted(by_tick)
        microseconds = [by_tick[t] for t in ticks]
        tempo = cls.__new__(cls)
        if max(-ticks[0], ticks[-1], max(microseconds)) < EXACT_FLOAT_INTEGERS:
            tempo._build_held(ticks, microseconds, ticks_per_beat)
        else:
            changes: list[tuple[float, ...]] = [(t / ticks_per_beat, 60e6 / us) for t, us in zip(ticks, microseconds)]
            tempo._build(changes, 0.0, ticks_per_beat, [us * 1e-6 for us in microseconds])
        return tempo

    def _build_held(self, ticks: list[int], microseconds: list[int], ticks_per_beat: int) -> None:
        """`_build` for a MIDI file's held tempos, one array operation per step instead of a
        Python step per change (a file may hold a million). Every value is the same double:
        integers below 2**53 convert to floats exactly, so each division and product rounds
        as Python's does, and the times accumulate left to right as `_build` adds them."""
        tick_array = np.array(ticks, dtype=np.int64).astype(np.float64)
        us = np.array(microseconds, dtype=np.int64).astype(np.float64)
        starts = tick_array / float(ticks_per_beat)
        tempo0 = 60e6 / us
        spb = us * 1e-6
        times = np.empty_like(starts)
        times[0] = 0.0
        np.cumsum(np.diff(starts) * spb[:-1], out=times[1:])
        if not bool(np.isfinite(times).all()):
            raise ValueError("the tempo map's times overflow: the tempos are too slow for these beats")
        for array in (starts, tempo0, spb, times):
            array.flags.writeable = False
        self._beat_zero = 0.0
        self._changes = None
        self._starts = starts
        self._times = times
        self._tempo0 = tempo0
        self._slope = _frozen([0.0] * len(ticks))
        self._spb = spb
        self._ticks_per_beat = ticks_per_beat

    @classmethod
    def from_beats(cls, times: Any, beats_per_bar: int = 4, first_downbeat: float | None = None) -> TempoMap:
        """A tempo map through given beat times, such as a `beat_grid`'s beats.

        Beat 0 (pip 0) is the first downbeat and beat k is exactly at
        ``times[d + k]``, where ``times[d]`` is the first downbeat: with the default,
        ``times[0]``, beat k is at ``times[k]``; beats before the first downbeat (a pickup)
        get negative numbers. Between two beats the tempo holds (a step per beat: the
        pips of a beat are evenly spaced in time). Before the first beat the mean tempo
        of the first bar (its first `beats_per_bar` intervals, or all there are) extends
        backwards, and after the last beat the mean tempo of the last bar holds for ever:
        a single early or late beat at either end does not set the tempo of all the time
        outside the beats.

        Parameters
        ----------
        times : array of float
            Beat times in seconds, finite and strictly ascending, at least two.
        beats_per_bar : int, default 4
            The bar, in beats (1..64), over which the tempo outside the beats is averaged.
        first_downbeat : float, optional
            A time in seconds: the beat nearest to it becomes beat 0. By default the first
            beat.

        Returns
        -------
        TempoMap

        Raises
        ------
        ValueError
            Fewer than two times, times not finite or not ascending, `beats_per_bar`
            outside 1..64, a non-finite `first_downbeat`.
        TypeError
            Times that are not numbers.

        Examples
        --------
        >>> tempo = TempoMap.from_beats([0.5, 1.0, 1.4, 1.9], first_downbeat=1.0)
        >>> tempo.seconds(64 * 2), tempo.pip(0.5), tempo.bpm(64)
        (1.9, -64, 120.0)
        """
        from velmora_kit.audio import _check_beats_per_bar, _check_times

        beats = _check_times("times", times, minimum=2)
        bar = _check_beats_per_bar(beats_per_bar)
        first = 0
        if first_downbeat is not None:
            first = int(np.argmin(np.abs(beats - check_finite("first_downbeat", first_downbeat))))
        intervals = np.diff(beats)
        if not np.isfinite(intervals).all():
            raise ValueError("times are too far apart: their differences overflow")
        span = min(bar, intervals.size)
        lead_in = (beats[span] - beats[0]) / span  # seconds per beat of the first bar
        run_out = (beats[-1] - beats[-1 - span]) / span
        # One held piece per beat, each starting exactly at its beat's time, plus one beat
        # before the first (at the first bar's tempo) so that the time before the beats
        # has a tempo of its own; the last beat's piece runs on at the last bar's tempo.
        numbers_ = [float(k) for k in range(-first - 1, beats.size - first)]
        starts = [beats[0] - lead_in, *beats.tolist()]
        seconds_per_beat = [lead_in, *intervals.tolist(), run_out]
        changes = [(beat, 60.0 / spb) for beat, spb in zip(numbers_, seconds_per_beat)]
        if not all(math.isfinite(bpm) for _, bpm in changes):
            raise ValueError("times lie too close together for a tempo")
        tempo = cls.__new__(cls)
        tempo._build(changes, float(beats[first]), None, seconds_per_beat)
        # The pieces are laid from the beat times themselves, not summed up from the first,
        # so that each beat lands exactly on its time.
        tempo._times = _frozen(starts)
        tempo._beat_zero = float(beats[first])
        return tempo

    def _build(
        self,
        changes: Sequence[tuple[float, ...]],
        beat_zero_seconds: float,
        ticks_per_beat: int | None,
        seconds_per_beat: list[float] | None,
    ) -> None:
        beat_zero = check_finite("beat_zero_seconds", beat_zero_seconds)
        starts: list[float] = []
        tempo0: list[float] = []
        slope: list[float] = []
        spb: list[float] = []
        for i, change in enumerate(changes):
            if len(change) == 2:
                starts.append(change[0])
                tempo0.append(change[1])
                slope.append(0.0)
                spb.append(seconds_per_beat[i] if seconds_per_beat is not None else 60.0 / change[1])
            else:
                beat, first, last, length = change
                starts.append(beat)
                tempo0.append(first)
                slope.append((last - first) / length)
                spb.append(60.0 / first)
                following = changes[i + 1][0] if i + 1 < len(changes) else math.inf
                if beat + length < following:  # the end tempo holds until the next change
                    starts.append(beat + length)
                    tempo0.append(last)
                    slope.append(0.0)
                    spb.append(60.0 / last)
        times = [beat_zero]
        for i in range(len(starts) - 1):
            times.append(times[-1] + _piece_seconds(tempo0[i], slope[i], spb[i], starts[i + 1] - starts[i]))
        if not all(math.isfinite(t) for t in times):
            raise ValueError("the tempo map's times overflow: the tempos are too slow for these beats")
        self._beat_zero = beat_zero
        self._changes = tuple(tuple(float(v) for v in change) for change in changes)
        self._starts = _frozen(starts)
        self._times = _frozen(times)
        self._tempo0 = _frozen(tempo0)
        self._slope = _frozen(slope)
        self._spb = _frozen(spb)
        self._ticks_per_beat = ticks_per_beat

    # --- what it is -----------------------------------------------------------------------

    @property
    def beat_zero_seconds(self) -> float:
        """The time in seconds at which beat 0 falls."""
        return self._beat_zero

    @property
    def changes(self) -> tuple[tuple[float, ...], ...]:
        """The changes, as ``(beat, bpm)`` steps and ``(beat, bpm_start, bpm_end, beats)`` ramps."""
        if self._changes is None:
            # A map read from a MIDI file keeps its held tempos in arrays until they are
            # asked for: a million tuples made up front would cost more than the reading.
            self._changes = tuple(zip(self._starts.tolist(), self._tempo0.tolist()))
        return self._changes

    @property
    def ticks_per_beat(self) -> int | None:
        """The MIDI file's ticks per beat, or None for a map not read from MIDI."""
        return self._ticks_per_beat

    @property
    def is_constant(self) -> bool:
        """Whether one tempo holds throughout."""
        return len(self._starts) == 1 and self._slope[0] == 0.0

    def __repr__(self) -> str:
        if self.is_constant:
            return f"TempoMap({self._tempo0[0]!r}, beat_zero_seconds={self._beat_zero!r})"
        return f"TempoMap.from_changes({list(self.changes)!r}, beat_zero_seconds={self._beat_zero!r})"

    def __eq__(self, other: object) -> bool:
        if not isinstance(other, TempoMap):
            return NotImplemented
        return (self.changes, self._beat_zero, self._ticks_per_beat) == (
            other.changes,
            other._beat_zero,
            other._ticks_per_beat,
        ) and bool(np.array_equal(self._spb, other._spb))

    def __hash__(self) -> int:
        return hash((self.changes, self._beat_zero, self._ticks_per_beat))

    # --- conversions ----------------------------------------------------------------------

    def _piece_of_beats(self, beats: FloatArray) -> npt.NDArray[np.intp]:
        return np.maximum(np.searchsorted(self._starts, beats, side="right") - 1, 0)

    def _beats_to_seconds(self, beats: FloatArray) -> FloatArray:
        piece = self._piece_of_beats(beats)
        into = beats - self._starts[piece]
        # Before beat 0 the first tempo holds, even where the first change is a ramp.
        slope = np.where(into < 0.0, 0.0, self._slope[piece])
        tempo0 = self._tempo0[piece]
        safe = np.where(slope == 0.0, 1.0, slope)
        ramp = (60.0 / safe) * np.log1p(safe * into / tempo0)
        held = into * self._spb[piece]
        result: FloatArray = self._times[piece] + np.where(slope == 0.0, held, ramp)
        return result

    def _seconds_to_beats(self, seconds: FloatArray) -> FloatArray:
        piece = np.maximum(np.searchsorted(self._times, seconds, side="right") - 1, 0)
        into = seconds - self._times[piece]
        slope = np.where(into < 0.0, 0.0, self._slope[piece])
        tempo0 = self._tempo0[piece]
        safe = np.where(slope == 0.0, 1.0, slope)
        ramp = (tempo0 / safe) * np.expm1(safe * into / 60.0)
        held = into / self._spb[piece]
        result: FloatArray = self._starts[piece] + np.where(slope == 0.0, held, ramp)
        return result

    @overload
    def seconds(self, pips: float) -> float: ...
    @overload
    def seconds(self, pips: npt.ArrayLike) -> Any: ...

    def seconds(self, pips: Any) -> Any:
        """The time at which a (possibly fractional) pip position falls.

        Parameters
        ----------
        pips : float or array
            Any shape; negative positions lie before beat 0.

        Returns
        -------
        float or numpy.ndarray
            Seconds, float64, the same shape.

        Raises
        ------
        TypeError
            Values that are not real numbers.

        Examples
        --------
        >>> TempoMap(120.0, beat_zero_seconds=1.0).seconds(-64)
        0.5
        """
        values, scalar = _values("pips", pips)
        return _scalar_or(self._beats_to_seconds(values / PIPS_PER_BEAT), scalar)

    def pip_position(self, seconds: Any) -> Any:
        """The exact (fractional) pip position at a time.

        Parameters
        ----------
        seconds : float or array

        Returns
        -------
        float or numpy.ndarray
            float64, the same shape.

        Examples
        --------
        >>> TempoMap(120.0).pip_position(0.1)
        12.8
        """
        values, scalar = _values("seconds", seconds)
        return _scalar_or(self._seconds_to_beats(values) * PIPS_PER_BEAT, scalar)

    def pip(self, seconds: Any) -> Any:
        """The integer pip sounding at a time: the floor of its position, where a position
        less than `PIP_TOLERANCE` (1e-6) below an integer counts as that integer.

        Parameters
        ----------
        seconds : float or array

        Returns
        -------
        int or numpy.ndarray
            int64, the same shape.

        Raises
        ------
        ValueError
            A time that is not finite, or whose pip lies beyond the int64 range.

        Examples
        --------
        >>> TempoMap(100.0).pip(10.2)
        1088
        """
        values, scalar = _values("seconds", seconds)
        if not np.isfinite(values).all():
            bad = values.reshape(-1)[int(np.argmin(np.isfinite(values).reshape(-1)))]
            raise ValueError(f"seconds must be finite, got {float(bad)}")
        with np.errstate(over="ignore", invalid="ignore"):  # refused below, by name
            position = self._seconds_to_beats(values) * PIPS_PER_BEAT
        # The pips an int64 holds: beyond them a cast would wrap (to -2**63) without an error.
        held = (position >= -_INT64_LIMIT) & (position < _INT64_LIMIT)
        if not held.all():
            first = int(np.argmin(held.reshape(-1)))
            raise ValueError(
                f"seconds {float(values.reshape(-1)[first])!r} is pip {float(position.reshape(-1)[first]):.4g} "
                f"at this tempo, beyond the 64-bit pip range; give an earlier time or a slower tempo"
            )
        return _scalar_or(np.asarray(snap_pip(position)), scalar)

    def bpm(self, pips: Any) -> Any:
        """The tempo in effect at a pip position.

        Parameters
        ----------
        pips : float or array

        Returns
        -------
        float or numpy.ndarray
            BPM, float64, the same shape.

        Examples
        --------
        >>> TempoMap.from_changes([(0, 100), (1, 80)]).bpm([0, 64])
        array([100.,  80.])
        """
        values, scalar = _values("pips", pips)
        beats = values / PIPS_PER_BEAT
        piece = self._piece_of_beats(beats)
        into = np.maximum(beats - self._starts[piece], 0.0)
        tempo = np.where(self._slope[piece] == 0.0, 60.0 / self._spb[piece], self._tempo0[piece] + self._slope[piece] * into)
        return _scalar_or(tempo, scalar)

    # --- MIDI ticks -------------------------------------------------------------------------

    def _require_ticks(self) -> int:
        if self._ticks_per_beat is None:
            raise ValueError("this tempo map has no ticks per beat: only a map read with TempoMap.from_midi converts ticks")
        return self._ticks_per_beat

    def tick_to_pip(self, ticks: Any) -> Any:
        """The pip of a MIDI tick: floor(tick × 64 / ticks_per_beat), in exact integers.

        Parameters
        ----------
        ticks : int or integer array

        Returns
        -------
        int or numpy.ndarray
            int64, the same shape.

        Raises
        ------
        ValueError
            On a map not read from MIDI.
        TypeError
            Ticks that are not integers.

        Examples
        --------
        >>> import mido
        >>> TempoMap.from_midi(mido.MidiFile(ticks_per_beat=96)).tick_to_pip(-1)
        -1
        """
        per_beat = self._require_ticks()
        if isinstance(ticks, (numbers.Integral, np.integer)) and not isinstance(ticks, (bool, np.bool_)):
            return (int(ticks) * PIPS_PER_BEAT) // per_beat
        array = np.asarray(ticks)
        if array.dtype.kind not in "iu":
            raise TypeError(f"ticks must be integers, got {array.dtype}")
        limit = (2**63 - 1) // PIPS_PER_BEAT
        if array.size and (int(array.max()) > limit or int(array.min()) < -limit):
            return np.array([(int(t) * PIPS_PER_BEAT) // per_beat for t in array.reshape(-1)], dtype=np.int64).reshape(
                array.shape
            )
        result: IntArray = np.floor_divide(array.astype(np.int64) * PIPS_PER_BEAT, per_beat)
        return result

    def tick_to_seconds(self, ticks: Any) -> Any:
        """The time of a MIDI tick (tick / ticks_per_beat beats), float64, the same shape.

        Examples
        --------
        >>> import mido
        >>> TempoMap.from_midi(mido.MidiFile(ticks_per_beat=480)).tick_to_seconds(960)
        1.0
        """
        per_beat = self._require_ticks()
        values, scalar = _values("ticks", ticks)
        return _scalar_or(self._beats_to_seconds(values / per_beat), scalar)


def _frozen(values: list[float]) -> FloatArray:
    array = np.array(values, dtype=np.float64)
    array.flags.writeable = False
    return array


def _piece_seconds(tempo0: float, slope: float, spb: float, beats: float) -> float:
    if slope == 0.0:
        return beats * spb
    return (60.0 / slope) * math.log1p(slope * beats / tempo0)


def _check_bpm(name: str, value: object) -> float:
    tempo = check_positive(name, value)
    if not math.isfinite(60.0 / tempo):
        raise ValueError(f"{name} must be finite and positive, got {value!r} (a beat would last for ever)")
    return tempo


def _check_changes(changes: object) -> list[tuple[float, ...]]:
    items = check_items("changes", changes, "a sequence of (beat, bpm) or (beat, bpm_start, bpm_end, beats) tuples")
    normalised: list[tuple[float, ...]] = []
    given: list[object] = []  # the beats as given, for the messages
    for change in items:
        if isinstance(change, (str, bytes)) or not hasattr(change, "__len__") or len(change) not in (2, 4):
            raise TypeError(f"each change must be (beat, bpm) or (beat, bpm_start, bpm_end, beats), got {change!r}")
        beat = check_finite("beat", change[0])
        where = f" at beat {change[0]!r}"
        given.append(change[0])
        if len(change) == 2:
            normalised.append((beat, _check_bpm("bpm" + where, change[1])))
        else:
            first = _check_bpm("bpm_start" + where, change[1])
            last = _check_bpm("bpm_end" + where, change[2])
            length = check_positive("beats" + where, change[3])
            normalised.append((beat, first, last, length))
        if len(normalised) == 1:
            if beat != 0.0:
                raise ValueError(f"the first change must be at beat 0, got beat {change[0]!r}")
            continue
        previous = normalised[-2]
        if beat <= previous[0]:
            raise ValueError(f"changes must be in ascending beat order: beat {change[0]!r} follows beat {given[-2]!r}")
        if len(previous) == 4 and previous[0] + previous[3] > beat:
            raise ValueError(
                f"the ramp at beat {given[-2]!r} ends at beat {previous[0] + previous[3]!r}, "
                f"after the next change at beat {change[0]!r}"
            )
    if not normalised:
        raise ValueError("changes must hold at least one change, at beat 0")
    return normalised


def _describe(source: Any) -> str:
    if isinstance(source, (str, os.PathLike)):
        return repr(os.fspath(source))
    filename = getattr(source, "filename", None)
    return repr(filename) if filename else "(in memory)"


TEMPO_EVENTS = frozenset({"set_tempo"})


def _check_midi_timing(midi: Any, source: Any) -> None:
    if midi.type not in (0, 1):
        raise ValueError(f"MIDI file {_describe(source)} is of type {midi.type}; only types 0 and 1 are read")
    ticks_per_beat = int(midi.ticks_per_beat)
    if ticks_per_beat <= 0:
        raise ValueError(f"MIDI file {_describe(source)} has {ticks_per_beat} ticks per beat (SMPTE timing is not read)")


class TimedMessages(NamedTuple):
    """Messages of a MIDI file with the tick of each, in mido's merged playback order."""

    ticks: list[int]
    messages: list[Any]


def _merged_events(midi: Any, types: frozenset[str]) -> TimedMessages:
    """Every message of the given types and its tick, in mido's merged playback order: by
    tick, and among equal ticks in track order, then message order.

    mido's `merge_tracks` gives that order by copying every message of every track (twice);
    here each track is walked in place, only the wanted messages are kept, and one stable
    sort by tick interleaves the tracks (and orders a track built in memory with negative
    times, as mido's merge does). A message's tick is the sum of its track's delta times up
    to it, which is what the merged track's deltas add up to. Only a file built in memory
    with non-integer times takes mido's merge, whose integer steps it follows exactly.

    Ticks and messages are kept in two lists rather than as pairs: a million new tuples
    beside a million parsed messages would set off the garbage collector's full passes,
    which then cost more than the walk.
    """
    ticks: list[int] = []
    messages: list[Any] = []
    for track in midi.tracks:
        tick = 0
        for message in track:
            tick += message.time
            if message.type in types:
                ticks.append(tick)
                messages.append(message)
        # Once a float (or any other number) joins the sum it stays in it.
        if type(tick) is not int:
            return _merged_events_by_copy(midi, types)
    order = _stable_tick_order(ticks)
    if order is not None:
        ticks = [ticks[i] for i in order]
        messages = [messages[i] for i in order]
    return TimedMessages(ticks, messages)


def _stable_tick_order(ticks: list[int]) -> Sequence[int] | None:
    """The stable sorting order of the ticks, or None when they are in order already."""
    try:
        keys = np.array(ticks, dtype=np.int64)
    except OverflowError:  # ticks past 64 bits, from a file built in memory
        return sorted(range(len(ticks)), key=ticks.__getitem__)
    if keys.size < 2 or not bool((keys[1:] < keys[:-1]).any()):
        return None
    order: list[int] = np.argsort(keys, kind="stable").tolist()
    return order


def _merged_events_by_copy(midi: Any, types: frozenset[str]) -> TimedMessages:
    import mido  # type: ignore[import-untyped]

    timed = TimedMessages([], [])
    tick = 0
    for message in mido.merge_tracks(midi.tracks):
        tick += int(message.time)
        if message.type in types:
            timed.ticks.append(tick)
            timed.messages.append(message)
    return timed


def _read_midi(source: Any) -> Any:
    import mido

    if isinstance(source, mido.MidiFile):
        return source
    if not isinstance(source, (str, os.PathLike)):
        raise TypeError(f"source must be a path or a mido.MidiFile, got {type(source).__name__}")
    try:
        return mido.MidiFile(os.fspath(source))
    except Exception as error:  # mido raises many kinds (OSError, EOFError, KeyError, ValueError)
        # mido's EOFError carries no text: it means the data stops before a chunk does.
        detail = str(error) or ("it ends in the middle of its data" if isinstance(error, EOFError) else type(error).__name__)
        raise ValueError(f"cannot read MIDI file {_describe(source)}: {detail}") from error


# --- frames -----------------------------------------------------------------------------------


def frames(
    tempo: TempoMap | float,
    fps: float,
    duration_seconds: float,
    *,
    start_seconds: float = 0.0,
    latency_seconds: float = 0.0,
) -> IntArray:
    """The pip of every frame of an animation.

    Frame k is shown at ``start_seconds + k / fps`` for every k ≥ 0 with k / fps below
    `duration_seconds`, and shows the motion at ``latency_seconds`` later than that: a
    positive latency shows each frame's motion early, so it lands on the beat after a
    display or audio delay. Each time is computed from the frame index, never by adding up
    frame lengths, and a frame on a pip boundary is on that pip (see the module's docstring).

    Parameters
    ----------
    tempo : TempoMap or float
        A tempo map, or a constant tempo in BPM (beat 0 at 0 s).
    fps : float
        Frames per second, finite and positive; may be fractional (29.97).
    duration_seconds : float
        Finite, not negative.
    start_seconds, latency_seconds : float
        Finite.

    Returns
    -------
    numpy.ndarray
        int64 pips, one per frame.

    Raises
    ------
    ValueError
        `fps` not positive, a duration that is negative, a value that is not finite, more
        than 2**26 frames.
    TypeError
        Values that are not numbers, a tempo of another kind.

    Examples
    --------
    >>> frames(120, 60, 0.3)[[3, 15]]
    array([ 6, 32])
    """
    tempo_map, rate, count, start, latency = _frame_arguments(tempo, fps, duration_seconds, start_seconds, latency_seconds)
    return _frame_pips(tempo_map, rate, 0, count, start, latency)


def _frame_arguments(
    tempo: object, fps: object, duration_seconds: object, start_seconds: object, latency_seconds: object
) -> tuple[TempoMap, float, int, float, float]:
    """`frames`' arguments checked: the tempo map, fps, frame count, start and latency."""
    if isinstance(tempo, TempoMap):
        tempo_map = tempo
    elif isinstance(tempo, (numbers.Real, np.number)) and not isinstance(tempo, (bool, np.bool_)):
        tempo_map = TempoMap(float(tempo))
    else:
        raise TypeError(f"tempo must be a TempoMap or a BPM number, got {type(tempo).__name__}")
    rate = check_real("fps", fps)
    if not (math.isfinite(rate) and rate > 0.0):
        raise ValueError(f"fps must be finite and positive, got {fps!r}")
    duration = check_finite("duration_seconds", duration_seconds)
    if duration < 0.0:
        raise ValueError(f"duration_seconds must not be negative, got {duration_seconds!r}")
    start = check_finite("start_seconds", start_seconds)
    latency = check_finite("latency_seconds", latency_seconds)
    count = math.ceil(_decimal(duration) * _decimal(rate))
    if count > MAX_FRAMES:
        # The count itself can have hundreds of digits: say only that it is too many.
        raise ValueError(
            f"duration_seconds {duration_seconds!r} at {fps!r} fps is more than {MAX_FRAMES:,} frames; "
            "give a shorter duration or a lower fps"
        )
    return tempo_map, rate, count, start, latency


def _frame_pips(tempo: TempoMap, fps: float, first: int, count: int, start: float, latency: float) -> IntArray:
    """The pips of frames `first` to `first + count − 1` (checked values), exactly as
    `frames` gives them: each frame's pip depends on its index alone, so a show can be
    computed in blocks."""
    if tempo.is_constant:
        return _constant_frames(tempo, fps, first, count, start, latency)
    index = np.arange(first, first + count, dtype=np.float64)
    times = (start + latency) + index / fps
    result: IntArray = tempo.pip(times)
    return result


def _constant_frames(tempo: TempoMap, fps: float, first: int, count: int, start: float, latency: float) -> IntArray:
    """Frame pips of a constant tempo in exact rational arithmetic on the decimal values.

    Position of frame k: (offset + k / fps) · bpm · 64 / 60 with offset = start + latency −
    beat origin, i.e. (c + k) · g with c = offset · fps and g = bpm · 64 / (60 · fps): over
    the least common denominator D of c·g and g this is (B + k · S) / D, an integer division.
    """
    rate = _decimal(fps)
    if tempo.ticks_per_beat is not None:  # read from MIDI: the tempo is whole microseconds a beat
        tempo_value = Fraction(60 * 10**6, round(float(tempo._spb[0]) * 1e6))
    else:
        tempo_value = _decimal(float(tempo._tempo0[0]))
    offset = _decimal(start) + _decimal(latency) - _decimal(tempo.beat_zero_seconds)
    g = tempo_value * PIPS_PER_BEAT / (60 * rate)
    origin = offset * rate * g
    denominator = math.lcm(origin.denominator, g.denominator)
    base = origin.numerator * (denominator // origin.denominator)
    step = g.numerator * (denominator // g.denominator)
    # The frames run monotonically, so the first or the last one is the farthest.
    if count and max(abs(base + first * step), abs(base + (first + count - 1) * step)) // denominator >= 2**63 - 1:
        raise ValueError(
            f"at {float(tempo_value):.4g} BPM these frames reach beyond the 64-bit pip range; "
            "give a slower tempo, an earlier start or a shorter span"
        )
    return _exact_frames(base, step, denominator, first, count)


def _snapped_floor(numerator: int, denominator: int) -> int:
    whole, rest = divmod(numerator, denominator)
    return whole + ((denominator - rest) * 10**6 <= denominator)


# How close (as a fraction of a pip) a float estimate may come to a rounding threshold
# before the frame is computed again in exact integers; the estimate is within 1e-15.
_AMBIGUOUS = 1e-12


def _exact_frames(base: int, step: int, denominator: int, first: int, count: int) -> IntArray:
    """floor((base + k·step) / denominator) with pip()'s tolerance (a fraction of at least
    1 − 1e-6 rounds up) for k in [first, first + count), exactly, however large the
    integers, and without a Python step per frame (nor numpy's slow int64 division).

    Frame k = first + j·M + i. With step = qs·D + rs, the pip is k·qs + floor((base + k·rs) / D),
    and base + k·rs = (A_j·D + R_j) + (E_i·D + e_i), where the first pair depends on the
    block j only and the second on i only: about 2·√count exact divisions in all. What is
    left per frame, (R_j + e_i) / D in [0, 2), is summed in floats; it decides the floor and
    pip()'s tolerance by two thresholds, 1 − 1e-6 and 2 − 1e-6, and the rare frames whose
    estimate lies near one are computed again exactly.
    """
    if count == 0:
        return np.empty(0, dtype=np.int64)
    d = denominator
    qs, rs = divmod(step, d)
    width = max(1, math.isqrt(count))
    blocks = -(-count // width)
    low_whole = np.empty(width, dtype=np.int64)
    low_fraction = np.empty(width, dtype=np.float64)
    high_whole = np.empty(blocks, dtype=np.int64)
    high_fraction = np.empty(blocks, dtype=np.float64)
    try:
        for i in range(width):
            whole, rest = divmod(i * rs, d)
            low_whole[i] = whole + i * qs
            low_fraction[i] = rest / d
        for j in range(blocks):
            k = first + j * width
            whole, rest = divmod(base + k * rs, d)
            high_whole[j] = whole + k * qs
            high_fraction[j] = rest / d
        if (np.abs(high_whole) > 2**61).any() or (np.abs(low_whole) > 2**61).any():
            raise OverflowError
    except OverflowError:  # pips past int64: the exact loop raises as it always did
        return np.array([_snapped_floor(base + k * step, d) for k in range(first, first + count)], dtype=np.int64)
    fraction = (high_fraction[:, np.newaxis] + low_fraction[np.newaxis, :]).reshape(-1)[:count]
    result = (high_whole[:, np.newaxis] + low_whole[np.newaxis, :]).reshape(-1)[:count]
    result += fraction >= 1.0 - 1e-6
    result += fraction >= 2.0 - 1e-6
    near = (np.abs(fraction - (1.0 - 1e-6)) < _AMBIGUOUS) | (np.abs(fraction - (2.0 - 1e-6)) < _AMBIGUOUS)
    for k in np.flatnonzero(near).tolist():
        result[k] = _snapped_floor(base + (first + k) * step, d)
    return result
