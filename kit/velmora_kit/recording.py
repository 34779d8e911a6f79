"""Recordings as positions: the axes of a `velmora.SampledRecording` mapped to x, y, z.

A recording holds any number of named axes (controller lanes, captured gestures); a
position has three. `RecordingMotion` says which axis drives which coordinate, so that a
recording is a motion source like any other: `render`, `export`, `Layer`, `Sequence` and
the live `Player` take it. One axis drives x, three drive x, y and z in order; any other
count needs the choice spelled out, because no order of four or two lanes is obvious.
"""

from __future__ import annotations

from collections.abc import Sequence
from typing import Any, Optional

import numpy as np
import numpy.typing as npt

import velmora
from velmora_kit._checks import check_items
from velmora_kit.render import describe_recording, render

__all__ = ["RecordingMotion", "OUTSIDE_POLICIES"]

COORDINATES = ("x", "y", "z")
# "raise": a pip before or after the rows is a mistake (an export past the end of a take).
# "hold": the first row stands before the recording and the last after it (playing live).
OUTSIDE_POLICIES = ("raise", "hold")


def _default_axes(recording: velmora.SampledRecording) -> tuple[Optional[str], ...]:
    names = tuple(recording.dimensions)
    if len(names) == 1:
        return (names[0], None, None)
    if len(names) == 3:
        return names
    raise ValueError(
        f"axes must say which axes of {describe_recording(recording)} drive x, y and z (only one or three "
        f"axes map by themselves), got none; for example axes={names[:2]!r}"
    )


def _checked_axes(recording: velmora.SampledRecording, axes: object) -> tuple[Optional[str], ...]:
    items = check_items("axes", axes, "a sequence of up to three axis names or None")
    names = tuple(recording.dimensions)
    if not 1 <= len(items) <= len(COORDINATES):
        raise ValueError(f"axes must hold one to three entries (for x, y, z), got {len(items)}: {items!r}")
    for item in items:
        if item is not None and not isinstance(item, str):
            raise TypeError(f"axes must hold axis names (str) or None, got {type(item).__name__} {item!r}")
        if item is not None and item not in names:
            raise ValueError(f"axes names {item!r}, which is not an axis of {describe_recording(recording)}")
    if all(item is None for item in items):
        raise ValueError(f"axes must name at least one axis of {describe_recording(recording)}, got {items!r}")
    return tuple(items) + (None,) * (len(COORDINATES) - len(items))


class RecordingMotion:
    """A recording as a position: chosen axes as x, y, z, the other coordinates at 0.

    Parameters
    ----------
    recording : velmora.SampledRecording
        The recording; it is kept, not copied.
    axes : sequence of str or None, optional
        The recording's axis for x, then y, then z; None (or a shorter sequence) leaves a
        coordinate at 0. By default a one-axis recording drives x and a three-axis one x,
        y, z in order; other counts must choose.
    outside : {"raise", "hold"}, default "raise"
        What a pip before or after the recording gives: an IndexError naming the pip and
        the recording's pips, or its first or last row held.

    Raises
    ------
    ValueError
        No axes given for a recording of two or four or more axes, a name that is not one
        of its axes, more than three entries, an unknown `outside`.
    TypeError
        Arguments of the wrong kind.

    Examples
    --------
    >>> take = velmora.SampledRecording("take", ["cc1", "cc74"], [[0.5, -0.5], [1.0, 0.0]], 120.0)
    >>> render(RecordingMotion(take, axes=[None, "cc74", "cc1"]), [0, 1]).tolist()
    [[0.0, -0.5, 0.5], [0.0, 0.0, 1.0]]
    """

    __slots__ = ("_recording", "_axes", "_outside", "_columns")

    def __init__(
        self,
        recording: velmora.SampledRecording,
        axes: Optional[Sequence[Optional[str]]] = None,
        *,
        outside: str = "raise",
    ) -> None:
        if not isinstance(recording, velmora.SampledRecording):
            raise TypeError(f"recording must be a velmora.SampledRecording, got {type(recording).__name__}")
        if outside not in OUTSIDE_POLICIES:
            raise ValueError(f"outside must be 'raise' or 'hold', got {outside!r}")
        chosen = _default_axes(recording) if axes is None else _checked_axes(recording, axes)
        names = list(recording.dimensions)
        self._recording = recording
        self._axes = chosen
        self._outside = outside
        # (coordinate, recording column) for every coordinate an axis drives.
        self._columns = tuple((k, names.index(axis)) for k, axis in enumerate(chosen) if axis is not None)

    @property
    def recording(self) -> velmora.SampledRecording:
        return self._recording

    @property
    def axes(self) -> tuple[Optional[str], ...]:
        """The recording's axis driving x, y and z (None: that coordinate stays 0)."""
        return self._axes

    @property
    def outside(self) -> str:
        return self._outside

    @property
    def name(self) -> str:
        """The recording's name (an export names its node after it)."""
        return str(self._recording.name)

    def __repr__(self) -> str:
        return f"RecordingMotion({describe_recording(self._recording)}, axes={self._axes!r}, outside={self._outside!r})"

    def render_pips(self, pips: npt.NDArray[Any], interpolation: str) -> npt.NDArray[np.float64]:
        if interpolation != "step":
            raise ValueError(
                f"{describe_recording(self._recording)} renders integer pips only: interpolation must be 'step', "
                f"got {interpolation!r}"
            )
        if self._outside == "hold":
            first = int(self._recording.start_pip)
            pips = np.clip(pips, first, first + int(self._recording.sample_count) - 1)
        columns = render(self._recording, pips)
        positions = np.zeros(pips.shape + (len(COORDINATES),), dtype=np.float64)
        for coordinate, column in self._columns:
            positions[..., coordinate] = columns[..., column]
        return positions
