"""Many motion sources rendered together, at once or a piece at a time.

Built-in and user patterns are loops of a table: their tables are stacked into one array
once, so a block of pips gathers all of them with one index computation and one take.
Other sources (layers, sequences, recordings) are rendered one by one. The live player
renders the next block of ticks a piece per tick (`BlockJob`), so that no tick waits for a
whole block; the DMX export renders whole blocks (`SourceSet.at`).
"""

from __future__ import annotations

from collections.abc import Mapping

import numpy as np
import numpy.typing as npt
import velmora

from velmora_kit.recording import RecordingMotion
from velmora_kit.render import MotionSource, TableStack, render, table

FloatArray = npt.NDArray[np.float64]

# A block job gathers the stacked tables this many cells (pips × sources) at a time:
# about as dear as rendering one layer for a block, a small share of a tick even for a
# rig of thousands of sources.
_GATHER_CELLS = 1 << 13


class SourceSet:
    """Output names and their sources, checked once; renders every source at many pips."""

    def __init__(self, sources: Mapping[str, object], library: velmora.PatternLibrary | None) -> None:
        if not isinstance(sources, Mapping):
            raise TypeError(f"sources must be a mapping of output name to pattern, got {type(sources).__name__}")
        if not sources:
            raise ValueError("sources must name at least one pattern, got an empty mapping")
        names: list[str] = []
        tables: list[FloatArray] = []
        table_rows: list[int] = []
        self.others: list[tuple[int, object]] = []
        for index, (name, source) in enumerate(sources.items()):
            if not isinstance(name, str) or not name:
                raise TypeError(f"source names must be non-empty str, got {name!r}")
            names.append(name)
            if isinstance(source, (str, velmora.SampledPattern)):
                tables.append(table(source, library=library))
                table_rows.append(index)
            elif isinstance(source, velmora.SampledRecording):
                try:  # playing on past either end of a recording holds its first or last row
                    self.others.append((index, RecordingMotion(source, outside="hold")))
                except ValueError as error:
                    raise ValueError(f"sources[{name!r}]: {error}") from None
            elif isinstance(source, MotionSource):
                self.others.append((index, source))
            else:
                raise TypeError(
                    f"sources[{name!r}] must be a pattern name, a velmora.SampledPattern, a "
                    f"velmora.SampledRecording or a motion source, got {type(source).__name__}"
                )
        self.names = tuple(names)
        self._stack = TableStack(tables)
        self._rows = np.array(table_rows, dtype=np.intp)

    def gather_tables(self, pips: npt.NDArray[np.int64], out: FloatArray, part: slice = slice(None)) -> None:
        """Writes the table sources (`part` of them, in order) at `pips` into `out`
        (len(pips), n, 3), C-contiguous."""
        rows = self._rows[part]
        if not rows.size:
            return
        if rows[-1] - rows[0] == rows.size - 1:
            # Side by side in `out` (rows only grow): gathered straight into place.
            self._stack.into(pips, out[:, rows[0] : rows[-1] + 1], part)
        else:
            out[:, rows] = self._stack.at(pips, part)

    def render_other(self, which: int, pips: npt.NDArray[np.int64], out: FloatArray) -> None:
        """Writes the `which`-th non-table source at `pips` into its column of `out`."""
        row, source = self.others[which]
        out[:, row] = render(source, pips)  # type: ignore[arg-type]

    def at(self, pips: npt.NDArray[np.int64]) -> FloatArray:
        """Shape (len(pips), n, 3), read-only: every source at every pip, exactly as
        `render` gives it."""
        job = BlockJob(self, pips)
        job.finish()
        return job.positions

    def table_parts(self, count: int) -> list[slice]:
        """The table sources split into parts of about `_GATHER_CELLS` cells for `count` pips."""
        if not self._rows.size:
            return []
        width = max(1, _GATHER_CELLS // max(1, count))
        return [slice(low, low + width) for low in range(0, int(self._rows.size), width)]


class BlockJob:
    """Renders every source at a block of pips, one piece of work per `advance` step.

    A piece is a part of the table sources gathered over the whole block, or one other
    source rendered over it. `positions` is complete (and read-only) once `done`.
    """

    def __init__(self, sources: SourceSet, pips: npt.NDArray[np.int64]) -> None:
        self.pips = pips
        self.positions: FloatArray = np.empty((pips.size, len(sources.names), 3), dtype=np.float64)
        self._sources = sources
        self._parts = sources.table_parts(pips.size)
        self._pieces: list[tuple[int, int]] = [(-1, index) for index in range(len(self._parts))]
        self._pieces += [(which, 0) for which in range(len(sources.others))]
        self._next = 0

    @property
    def pieces(self) -> int:
        return len(self._pieces)

    @property
    def done(self) -> bool:
        return self._next >= len(self._pieces)

    def advance(self, count: int) -> None:
        """Does up to `count` more pieces."""
        stop = min(len(self._pieces), self._next + count)
        while self._next < stop:
            which, part = self._pieces[self._next]
            if which < 0:
                self._sources.gather_tables(self.pips, self.positions, self._parts[part])
            else:
                self._sources.render_other(which, self.pips, self.positions)
            self._next += 1
        if self.done:
            self.positions.flags.writeable = False

    def finish(self) -> None:
        self.advance(len(self._pieces))
