"""Playing motion sources in real time: one tick per period, on absolute deadlines.

Tick k is due at start + k / rate on `time.perf_counter`'s clock. Its pip is the musical
position at that deadline plus the output latency, read from a tempo map started at
`play()` or from a MIDI clock; every source is rendered at that pip and the frame goes to
every sink. Deadlines come from k, never from adding up sleeps, so the schedule cannot
drift. A tick whose whole slot has passed (the next tick is already due) is counted as
late and skipped: sinks never get a stale frame, nor the same tick twice.
"""

from __future__ import annotations

import math
import threading
import time
from collections.abc import Iterable, Iterator, Mapping
from dataclasses import dataclass
from typing import Any, Protocol, runtime_checkable

import numpy as np
import numpy.typing as npt
import velmora

from velmora_kit.live.frame import FloatArray, Frame, Sink
from velmora_kit._sources import BlockJob, SourceSet
from velmora_kit.render import check_pips
from velmora_kit.tempo import PIPS_PER_BEAT, TempoMap, snap_pip

__all__ = ["Player", "PlaySummary"]

# Ticks rendered at once when the tempo is known in advance: half a second at 60 Hz.
_BLOCK_TICKS = 32
# A MIDI clock ticks 24 times a beat.
_PIPS_PER_CLOCK = PIPS_PER_BEAT / 24


@runtime_checkable
class ClockLike(Protocol):
    """A followed clock, like `velmora_kit.MidiClock`: fed messages, asked for the pip."""

    def feed(self, message: Any, timestamp: float) -> None: ...

    def pip_position(self, now: float) -> float: ...

    @property
    def bpm(self) -> float: ...

    @property
    def running(self) -> bool: ...


@dataclass(frozen=True)
class PlaySummary:
    """How a `Player.play` went.

    Attributes
    ----------
    frames_sent : int
        Ticks handed to the sinks.
    late_ticks : int
        Ticks skipped because their slot had passed before they could be sent.
    seconds : float
        How long playing lasted (wall clock).
    max_lateness_seconds : float
        The largest delay after its deadline with which a sent tick left the last sink.
    interrupted : bool
        Playing ended on Ctrl-C (KeyboardInterrupt).
    max_send_seconds : tuple of float
        Per sink, in the player's order, the longest one of its `send` calls took: which
        sink made a tick late.
    """

    frames_sent: int
    late_ticks: int
    seconds: float
    max_lateness_seconds: float
    interrupted: bool
    max_send_seconds: tuple[float, ...] = ()

    def __str__(self) -> str:
        how = "interrupted after" if self.interrupted else "played"
        return (
            f"{how} {self.seconds:.1f} s: {self.frames_sent} frames sent, {self.late_ticks} late ticks skipped, "
            f"latest send {self.max_lateness_seconds * 1e3:.2f} ms after its deadline"
        )


class _ClockFeed:
    """Feeds a clock from an iterable of MIDI messages on a thread of its own.

    Each message is stamped with `time.perf_counter` as it comes out of the iterable. A
    mido input port is polled every millisecond rather than iterated, so stopping never
    waits on a silent port (a stamp is at most 1 ms late, a steady lag that the clock's
    fit turns into a fixed 0.5 ms on average); any other iterable is stopped between two
    of its messages.
    """

    def __init__(self, clock: ClockLike, messages: Iterable[Any], lock: threading.Lock) -> None:
        self._clock = clock
        self._poll = getattr(messages, "poll", None)
        self._messages: Iterator[Any] | None = None if callable(self._poll) else iter(messages)
        self._lock = lock
        self._stop = threading.Event()
        self._thread: threading.Thread | None = None
        self.error: BaseException | None = None

    def start(self) -> None:
        if self._thread is not None and self._thread.is_alive():
            self._thread.join(timeout=1.0)
            if self._thread.is_alive():
                raise RuntimeError("the MIDI input is still blocked in its last message; cannot play again yet")
        self._stop.clear()
        self.error = None
        self._thread = threading.Thread(target=self._run, name="velmora-midi-clock", daemon=True)
        self._thread.start()

    def stop(self) -> None:
        self._stop.set()
        if self._thread is not None:
            self._thread.join(timeout=0.1)

    def _run(self) -> None:
        try:
            if self._messages is None:
                poll = self._poll
                assert poll is not None
                while not self._stop.is_set():
                    message = poll()
                    if message is None:
                        self._stop.wait(0.001)
                    else:
                        self._feed(message)
            else:
                for message in self._messages:
                    self._feed(message)
                    if self._stop.is_set():
                        break
        except BaseException as error:  # reported by the player at its next tick
            self.error = error

    def _feed(self, message: Any) -> None:
        now = time.perf_counter()
        with self._lock:
            self._clock.feed(message, now)


def _midi_clock() -> ClockLike:
    from velmora_kit.midi import MidiClock

    clock: ClockLike = MidiClock()
    return clock


class Player:
    """Plays motion sources in real time to sinks, in time with a tempo or a MIDI clock.

    Parameters
    ----------
    sources : mapping of str to pattern
        Output name → anything `render` takes: a pattern name, a `velmora.SampledPattern`,
        a motion source (`Layer`, `Sequence`, `RecordingMotion`), or a
        `velmora.SampledRecording` of one axis (x) or three (x, y, z), which holds its first
        and last rows before and after it.
    tempo : TempoMap or float, optional
        The tempo (a map or a BPM); the song's second 0 is when `play()` starts.
    clock : MidiClock or iterable of mido.Message, optional
        A clock to follow instead of a tempo. A `MidiClock` that the caller feeds itself
        must be fed `time.perf_counter()` timestamps. An iterable of messages (a mido
        input port, or any iterable) is read on a thread of its own while playing, each
        message stamped as it arrives, into a new `MidiClock` (`player.clock`). The
        clock is asked for the position at each tick's deadline; the latency is added at
        its tempo estimate while the transport runs.
    rate_hz : float
        Ticks per second.
    latency_seconds : float
        How far ahead of each tick's time its pip is taken, to make up for the delay of
        whatever shows it (a positive latency sends each position that much early).
    sinks : iterable of Sink
        Where the frames go (`OscSink`, `ArtNetSink`, or any object with ``open(names)``,
        ``send(frame)`` and ``close()``).
    library : velmora.PatternLibrary, optional
        Where names are looked up first, as in `render`.

    Raises
    ------
    ValueError
        No sources, both or neither of `tempo` and `clock`, a rate that is not finite and
        positive, a latency beyond ±60 s, a recording of other than one or three axes, an
        unknown name.
    TypeError
        Arguments of the wrong type.

    Examples
    --------
    >>> player = Player({"a": "bounce", "b": "circle"}, tempo=120.0)
    >>> summary = player.play(seconds=0.05)  # ticks 0, 1 and 2
    >>> summary.frames_sent + summary.late_ticks
    3
    """

    def __init__(
        self,
        sources: Mapping[str, object],
        *,
        tempo: TempoMap | float | None = None,
        clock: ClockLike | Iterable[Any] | None = None,
        rate_hz: float = 60.0,
        latency_seconds: float = 0.0,
        sinks: Iterable[Sink] = (),
        library: velmora.PatternLibrary | None = None,
    ) -> None:
        from velmora_kit._checks import check_latency, check_positive

        self._sources = SourceSet(sources, library)
        if (tempo is None) == (clock is None):
            raise ValueError("give either tempo (a TempoMap or BPM) or clock (a MidiClock or MIDI messages), not both or neither")
        self._tempo: TempoMap | None = None
        self._clock: ClockLike | None = None
        self._feed: _ClockFeed | None = None
        self._clock_lock = threading.Lock()
        if tempo is not None:
            self._tempo = tempo if isinstance(tempo, TempoMap) else TempoMap(check_positive("tempo", tempo))
        elif isinstance(clock, ClockLike):
            self._clock = clock
        elif isinstance(clock, Iterable) and not isinstance(clock, (str, bytes)):
            self._clock = _midi_clock()
            self._feed = _ClockFeed(self._clock, clock, self._clock_lock)
        else:
            raise TypeError(f"clock must be a MidiClock or an iterable of mido messages, got {type(clock).__name__}")
        self._rate = check_positive("rate_hz", rate_hz)
        self._latency = check_latency("latency_seconds", latency_seconds)
        if isinstance(sinks, Sink) or not isinstance(sinks, Iterable):
            raise TypeError(f"sinks must be an iterable of sinks, got {type(sinks).__name__}")
        self._sinks = tuple(sinks)
        for sink in self._sinks:
            if not isinstance(sink, Sink):
                raise TypeError(f"sinks must have open(names), send(frame) and close(), got {type(sink).__name__}")
        self._stop = threading.Event()
        self._playing = threading.Lock()
        self._last_clock_pip: int | None = None
        no_pips: npt.NDArray[np.int64] = np.zeros(0, dtype=np.int64)
        no_values: FloatArray = np.zeros((0, len(self.names), 3))
        self._block: tuple[int, npt.NDArray[np.int64], FloatArray, FloatArray] = (0, no_pips, no_values[:, 0, 0], no_values)
        # The block after the current one, rendered a piece per tick while this one plays.
        self._ahead: tuple[int, FloatArray, BlockJob] | None = None

    @property
    def names(self) -> tuple[str, ...]:
        return self._sources.names

    @property
    def tempo(self) -> TempoMap | None:
        return self._tempo

    @property
    def clock(self) -> ClockLike | None:
        return self._clock

    @property
    def rate_hz(self) -> float:
        return self._rate

    @property
    def latency_seconds(self) -> float:
        return self._latency

    @property
    def sinks(self) -> tuple[Sink, ...]:
        return self._sinks

    def __repr__(self) -> str:
        time_source = repr(self._tempo) if self._tempo is not None else "clock"
        return f"Player({list(self.names)!r}, {time_source}, rate_hz={self._rate:g}, sinks={len(self._sinks)})"

    def positions(self, pips: object) -> FloatArray:
        """Every source at each pip: shape ``pips.shape + (len(names), 3)``, float64, read-only.

        ``positions(p)[..., i, :]`` equals ``render(sources[names[i]], p)``, bit for bit.

        Raises
        ------
        ValueError, TypeError
            As `render` for pips outside the signed 32-bit range or not integers.
        """
        checked = check_pips(pips).astype(np.int64)
        flat = self._sources.at(checked.reshape(-1))
        return flat.reshape(checked.shape + flat.shape[1:])

    def frame_at(self, tick: int, deadline: float) -> Frame:
        """The frame of tick `tick`, due at `deadline` (perf_counter seconds)."""
        if self._tempo is not None:
            # With a tempo, a tick's pip is known in advance: ticks are rendered a block at
            # a time, one `render` per source for the whole block, while the block before
            # plays (see `_prepare` and `_advance`).
            start, pips, bpms, positions = self._block
            if not start <= tick < start + pips.size:
                self._prepare(tick)
                start, pips, bpms, positions = self._block
            return Frame(tick, deadline, int(pips[tick - start]), float(bpms[tick - start]), self.names, positions[tick - start])
        assert self._clock is not None
        with self._clock_lock:
            position = float(self._clock.pip_position(deadline))
            bpm = float(self._clock.bpm)
            running = bool(self._clock.running)
        # The latency is taken at the clock's tempo estimate: a clock knows no more than
        # its last message, so it is asked about now, and the rest is extrapolated here.
        if running:
            position += self._latency * bpm * (PIPS_PER_BEAT / 60.0)
        pip = snap_pip(position)
        # A fit to jittery clocks can slip back a little between two ticks; shown, that is a
        # twitch. A step back of less than one clock is such a slip and holds the pip; a
        # relocation (start, song position) moves back a sixteenth or more and goes through.
        last = self._last_clock_pip
        if running and last is not None and last - _PIPS_PER_CLOCK < pip < last:
            pip = last
        self._last_clock_pip = pip if running else None
        return Frame(tick, deadline, pip, bpm, self.names, self._sources.at(np.array([pip], dtype=np.int64))[0])

    def _block_from(self, tick: int) -> tuple[npt.NDArray[np.int64], FloatArray]:
        assert self._tempo is not None
        ticks = np.arange(tick, tick + _BLOCK_TICKS, dtype=np.int64)
        pips = np.asarray(self._tempo.pip(ticks / self._rate + self._latency), dtype=np.int64)
        return pips, np.asarray(self._tempo.bpm(pips), dtype=np.float64)

    def _prepare(self, tick: int) -> None:
        """Makes the block holding `tick` the current one (tempo only): the block rendered
        ahead when it is that one, else rendered now; then sets up the next block's job."""
        if self._tempo is None:
            return
        start, pips, _, _ = self._block
        if start <= tick < start + pips.size:
            return
        ahead = self._ahead
        if ahead is not None and ahead[0] <= tick < ahead[0] + _BLOCK_TICKS:
            start, bpms, job = ahead
            job.finish()  # normally finished already, a piece per tick
            self._block = (start, job.pips, bpms, job.positions)
        else:
            start = tick
            pips, bpms = self._block_from(start)
            self._block = (start, pips, bpms, self._sources.at(pips))
        following = start + _BLOCK_TICKS
        pips, bpms = self._block_from(following)
        self._ahead = (following, bpms, BlockJob(self._sources, pips))

    def _advance(self) -> None:
        """One tick's share of the next block: all of it done by the current block's middle,
        so that a few ticks skipped under load still find it ready."""
        if self._ahead is not None and not self._ahead[2].done:
            job = self._ahead[2]
            job.advance(-(-job.pieces // (_BLOCK_TICKS // 2)))

    def stop(self) -> None:
        """Ends `play()` at its next wait; safe to call from any thread."""
        self._stop.set()

    def play(self, seconds: float | None = None) -> PlaySummary:
        """Plays until `stop()`, Ctrl-C, or for `seconds`.

        Sinks are opened first and always closed at the end, however playing ends, each
        in its own guard: when playing or closing fails, every sink is still closed and
        the first error is raised, with the others as lines of its ``__notes__``.
        Ctrl-C (KeyboardInterrupt) ends playing like `stop()`; the summary says so.

        Parameters
        ----------
        seconds : float, optional
            How long to play; ticks 0 .. ceil(seconds × rate) − 1 are due in that time.

        Returns
        -------
        PlaySummary
            Frames sent, late ticks skipped, how long and how late at worst.

        Raises
        ------
        RuntimeError
            `play()` is already running on another thread.
        """
        from velmora_kit._checks import check_finite

        limit = math.inf if seconds is None else check_finite("seconds", seconds)
        if limit < 0:
            raise ValueError(f"seconds must not be negative, got {seconds!r}")
        if not self._playing.acquire(blocking=False):
            raise RuntimeError("this player is already playing")
        try:
            return self._play(limit)
        finally:
            self._playing.release()

    def _play(self, limit: float) -> PlaySummary:
        self._stop.clear()
        self._last_clock_pip = None
        opened: list[Sink] = []
        sent = late = 0
        worst = 0.0
        interrupted = False
        failure: BaseException | None = None
        slowest = [0.0] * len(self._sinks)
        start = time.perf_counter()
        try:
            for sink in self._sinks:
                sink.open(self.names)
                opened.append(sink)
            if self._feed is not None:
                self._feed.start()
            # Ticks 0 .. count − 1 are due within the limit (rounded so that 0.5 s at
            # 60 Hz is 30 ticks, not 31 for a float a hair above 30).
            count = math.ceil(round(limit * self._rate, 9)) if math.isfinite(limit) else None
            self._prepare(0)  # before the clock starts, so that tick 0 is on time too
            start = time.perf_counter()
            tick = 0
            while count is None or tick < count:
                deadline = start + tick / self._rate
                if self._wait_until(deadline):
                    break
                # Every tick whose successor is already due is skipped, so what is sent
                # is always the newest due tick, once.
                current = int((time.perf_counter() - start) * self._rate)
                if current > tick:
                    skipped = (current if count is None else min(current, count)) - tick
                    late += skipped
                    tick += skipped
                    continue
                if self._feed is not None and self._feed.error is not None:
                    raise self._feed.error
                frame = self.frame_at(tick, deadline)
                began = time.perf_counter()
                for index, sink in enumerate(self._sinks):
                    sink.send(frame)
                    ended = time.perf_counter()
                    if ended - began > slowest[index]:
                        slowest[index] = ended - began
                    began = ended
                # Lateness is when the last sink has handed its data on, not when the
                # frame was ready: a slow sink is late however early its frame was.
                worst = max(worst, time.perf_counter() - deadline)
                sent += 1
                tick += 1
                self._prepare(tick)  # in the time left before the next deadline
                self._advance()
            else:
                self._wait_until(start + limit)
        except KeyboardInterrupt:
            interrupted = True
        except BaseException as caught:  # raised below, once every sink is closed
            failure = caught
        if self._feed is not None:
            self._feed.stop()
        _close_all(opened, failure)
        return PlaySummary(sent, late, time.perf_counter() - start, worst, interrupted, tuple(slowest))

    def _wait_until(self, deadline: float) -> bool:
        """Sleeps until `deadline`; True when `stop()` came first."""
        while True:
            remaining = deadline - time.perf_counter()
            if remaining <= 0.0:
                return self._stop.is_set()
            if self._stop.wait(remaining):
                return True


def _close_all(sinks: list[Sink], failure: BaseException | None) -> None:
    """Closes every sink, each in its own guard, then raises the first error.

    The first error (that of playing, or else of the first close that failed) is raised
    with the others attached as text in its ``__notes__``, the attribute that Python 3.11
    and later print below a traceback (3.10 has no exception groups to carry them).
    """
    errors: list[tuple[BaseException, str]] = [] if failure is None else [(failure, "while playing")]
    for sink in sinks:
        try:
            sink.close()
        except BaseException as error:  # every sink is closed whatever the others do
            errors.append((error, f"while closing {sink!r}"))
    if not errors:
        return
    first = errors[0][0]
    if len(errors) > 1:
        notes = list(getattr(first, "__notes__", []))
        notes += [f"also {where}: {type(error).__name__}: {error}" for error, where in errors[1:]]
        try:
            first.__notes__ = notes  # type: ignore[attr-defined]
        except AttributeError:  # pragma: no cover - an exception type with slots
            pass
    raise first
