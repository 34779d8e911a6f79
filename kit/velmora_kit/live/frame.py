"""What a player hands its sinks each tick, and what a sink must provide."""

from __future__ import annotations

from dataclasses import dataclass
from typing import Protocol, runtime_checkable

import numpy as np
import numpy.typing as npt

FloatArray = npt.NDArray[np.float64]


@dataclass(frozen=True, eq=False)  # frames hold arrays: compare their fields, not frames
class Frame:
    """One tick's positions of every source, all at the same pip.

    Attributes
    ----------
    tick : int
        The tick's index since `Player.play` started (tick k is due at start + k / rate).
    deadline : float
        When the tick is due, on `time.perf_counter`'s clock.
    pip : int
        The pip every source was rendered at: the musical position at the deadline plus
        the player's latency.
    bpm : float
        The tempo in effect at that pip (the clock's estimate when a MIDI clock leads).
    names : tuple of str
        The sources' output names, in the order given to the player.
    positions : numpy.ndarray
        Shape ``(len(names), 3)``, float64, read-only: row i is where `names[i]` is.
    """

    tick: int
    deadline: float
    pip: int
    bpm: float
    names: tuple[str, ...]
    positions: FloatArray

    @property
    def beat(self) -> float:
        """The pip as a (fractional) beat: pip / 64."""
        return self.pip / 64.0


@runtime_checkable
class Sink(Protocol):
    """Where a player's frames go.

    `open` is called once when `Player.play` starts, with the output names in frame
    order (a sink checks there that the names it was set up for exist); `send` once per
    tick that is on time; `close` once when playing ends, however it ends. A sink can
    be opened again after it was closed.
    """

    def open(self, names: tuple[str, ...]) -> None: ...

    def send(self, frame: Frame) -> None: ...

    def close(self) -> None: ...
