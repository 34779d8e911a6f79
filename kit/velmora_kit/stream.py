"""Long shows in blocks: many sources rendered a block of frames at a time, and written out
as they come, so memory stays flat however long the show runs.

`render_blocks` yields one `ShowBlock` after another: the frames' indices, times and pips
(exactly as `frames` gives them) and every source's position at each. Exporters read the
blocks and write them on; `export_fixtures` writes one CSV per source, each the same bytes
`export` writes for that source alone.
"""

from __future__ import annotations

import dataclasses
import os
import re
import tempfile
from collections.abc import Iterator, Sequence
from pathlib import Path
from typing import Any, Union

import numpy as np
import numpy.typing as npt

import velmora
from velmora_kit._files import _file_mode, writing_error
from velmora_kit.export import CSV_HEADER, _Progress
from velmora_kit.recording import RecordingMotion
from velmora_kit.render import INTERPOLATIONS, PatternLike, render
from velmora_kit.tempo import TempoMap, _frame_arguments, _frame_pips

__all__ = ["ShowBlock", "render_blocks", "export_fixtures"]

FloatArray = npt.NDArray[np.float64]
# Samples (sources × frames) a block holds by default: 24 MiB of positions.
_BLOCK_SAMPLES = 2**20
# Frames a block holds at most by default, whatever the number of sources.
_MAX_BLOCK_FRAMES = 16384


@dataclasses.dataclass(frozen=True)
class ShowBlock:
    """Frames ``first`` to ``first + len(seconds) − 1`` of a show.

    Attributes
    ----------
    first : int
        The index of the block's first frame in the show.
    seconds : numpy.ndarray, (n,) float64
        Each frame's time, ``start_seconds + k / fps``.
    pips : numpy.ndarray, (n,)
        Each frame's pip: int64 as `frames` gives them for ``"step"``, the exact float64
        position at the frame's time for ``"linear"``.
    values : numpy.ndarray, (sources, n, 3) float64
        Each source's position at each frame.
    """

    first: int
    seconds: FloatArray
    pips: npt.NDArray[Any]
    values: FloatArray


def render_blocks(
    sources: Sequence[PatternLike],
    *,
    tempo: TempoMap | float,
    fps: float,
    seconds: float,
    start_seconds: float = 0.0,
    block_frames: int | None = None,
    library: velmora.PatternLibrary | None = None,
    interpolation: str = "step",
) -> Iterator[ShowBlock]:
    """Renders many sources over a show, one block of frames at a time.

    Parameters
    ----------
    sources : sequence of str, velmora.SampledPattern, velmora.SampledRecording, Layer, Sequence or motion source
        One per fixture or object; anything `export` takes (a recording's axes mapped to
        x, y, z as `RecordingMotion` maps them).
    tempo : float or TempoMap
        A constant BPM (beat 0 at 0 s) or a tempo map.
    fps : float
        Frames per second, finite and positive.
    seconds : float
        The show's length: frames k = 0, 1, … with k / fps below it.
    start_seconds : float, default 0.0
        Time of the first frame.
    block_frames : int, optional
        Frames per block; by default about a million samples (sources × frames) a block,
        at most 16,384 frames.
    library : velmora.PatternLibrary, optional
    interpolation : {"step", "linear"}

    Returns
    -------
    iterator of ShowBlock
        The blocks in order; only the block being read is held. Arguments are checked,
        and every source rendered once, before the iterator is returned.

    Raises
    ------
    ValueError
        No sources, a block size below 1, and what `frames` and `render` refuse.
    TypeError
        Arguments of the wrong kind.
    IndexError
        A frame's pip outside a recording among the sources.

    Example
    -------
    >>> blocks = render_blocks(["bounce", "sway"], tempo=120, fps=60, seconds=1, block_frames=25)
    >>> [(block.first, block.values.shape) for block in blocks]
    [(0, (2, 25, 3)), (25, (2, 25, 3)), (50, (2, 10, 3))]
    """
    if isinstance(sources, (str, bytes)) or not isinstance(sources, Sequence):
        raise TypeError(f"sources must be a sequence of patterns or motion sources, got {type(sources).__name__}")
    # A recording plays as export plays it: its axes mapped to x, y, z.
    chosen = [RecordingMotion(s) if isinstance(s, velmora.SampledRecording) else s for s in sources]
    if not chosen:
        raise ValueError("sources must hold at least one pattern or motion source, got none")
    if interpolation not in INTERPOLATIONS:
        raise ValueError(f"interpolation must be 'step' or 'linear', got {interpolation!r}")
    tempo_map, rate, count, start, _ = _frame_arguments(tempo, fps, seconds, start_seconds, 0.0)
    if block_frames is None:
        size = max(1, min(_MAX_BLOCK_FRAMES, _BLOCK_SAMPLES // len(chosen)))
    elif isinstance(block_frames, (bool, np.bool_)) or not isinstance(block_frames, (int, np.integer)):
        raise TypeError(f"block_frames must be an integer, got {block_frames!r}")
    elif block_frames < 1:
        raise ValueError(f"block_frames must be at least 1, got {block_frames!r}")
    else:
        size = int(block_frames)
    # A bad source, or a show past the end of a recording, fails here, before anything is
    # written: the first and last frames (pips never fall as time runs).
    ends = np.concatenate([_frame_pips(tempo_map, rate, k, 1, start, 0.0) for k in (0, max(count - 1, 0))])
    if interpolation == "linear":
        ends = tempo_map.pip_position(start + np.array([0.0, float(max(count - 1, 0))]) / rate)
    for source in chosen:
        render(source, ends, library=library, interpolation=interpolation)
    return _blocks(chosen, tempo_map, rate, count, start, size, library, interpolation)


def _blocks(
    sources: Sequence[PatternLike],
    tempo: TempoMap,
    fps: float,
    count: int,
    start: float,
    size: int,
    library: velmora.PatternLibrary | None,
    interpolation: str,
) -> Iterator[ShowBlock]:
    for first in range(0, count, size):
        frames = min(size, count - first)
        # The frame times as export computes them: start + k / fps from the index.
        times = start + np.arange(first, first + frames, dtype=np.float64) / fps
        pips: npt.NDArray[Any] = _frame_pips(tempo, fps, first, frames, start, 0.0)
        if interpolation == "linear":
            pips = tempo.pip_position(times)
        values = np.empty((len(sources), frames, 3), dtype=np.float64)
        for index, source in enumerate(sources):
            values[index] = render(source, pips, library=library, interpolation=interpolation)
        yield ShowBlock(first, times, pips, values)


# --- one CSV per source ---------------------------------------------------------------------


def export_fixtures(
    sources: Sequence[PatternLike],
    folder: Union[str, "os.PathLike[str]"],
    *,
    tempo: TempoMap | float,
    fps: float,
    seconds: float,
    start_seconds: float = 0.0,
    library: velmora.PatternLibrary | None = None,
    interpolation: str = "step",
    progress: bool | None = None,
) -> list[Path]:
    """Writes one CSV per source, streamed block by block (memory does not grow with the show).

    File i is ``NNNN_<name>.csv`` in `folder` (NNNN the source's index, as wide as the
    largest; the name with characters other than letters, digits, ``+``, ``-``, ``.`` and
    ``_`` replaced by ``_``), and holds exactly what ``export(sources[i], path, ...)``
    writes with the same arguments: header ``frame,seconds,pip,x,y,z``, one row per
    frame, every float with 17 significant digits. Each file is written beside its final
    name under a temporary one and renamed into place only when every file is complete;
    on any failure none is left behind.

    Parameters
    ----------
    sources : sequence of str, velmora.SampledPattern, velmora.SampledRecording, Layer, Sequence or motion source
    folder : str or path-like
        Created when missing; files of the same names are replaced.
    tempo, fps, seconds, start_seconds, library, interpolation
        As for `export`.
    progress : bool, optional
        A progress bar on stderr for exports that take over a second; by default only
        when stderr is a terminal.

    Returns
    -------
    list of pathlib.Path
        The files written, in the order of the sources.

    Raises
    ------
    ValueError, TypeError
        As `render_blocks` raises them, and a span with no frame.
    OSError
        A file that cannot be written.

    Example
    -------
    >>> import tempfile
    >>> [p.name for p in export_fixtures(["bounce", "sway"], tempfile.mkdtemp(), tempo=120, fps=30, seconds=2)]
    ['0_bounce.csv', '1_sway.csv']
    """
    blocks = render_blocks(sources, tempo=tempo, fps=fps, seconds=seconds, start_seconds=start_seconds,
                           library=library, interpolation=interpolation)
    count = _frame_arguments(tempo, fps, seconds, start_seconds, 0.0)[2]
    if count == 0:
        raise ValueError(f"seconds must span at least one frame, got {seconds!r} at {fps!r} fps")
    chosen = list(sources)
    target_folder = Path(folder)
    target_folder.mkdir(parents=True, exist_ok=True)
    width = len(str(len(chosen) - 1))
    targets = [target_folder / f"{index:0{width}d}_{_file_name(source)}.csv" for index, source in enumerate(chosen)]
    temporaries: list[Path] = []
    bar = _Progress(count, progress, f"velmora export {target_folder.name or target_folder}")
    try:
        for target in targets:
            temporaries.append(_temporary_for(target))
            with open(temporaries[-1], "w", encoding="ascii", newline="\n") as out:
                out.write(CSV_HEADER + "\n")
        for block in blocks:
            prefixes = _row_prefixes(block)
            for temporary, values in zip(temporaries, block.values):
                # Reopened for each block, so that a thousand fixtures never hold a thousand files open.
                with open(temporary, "a", encoding="ascii", newline="\n") as out:
                    out.write("".join([prefix + _XYZ % (x, y, z) for prefix, (x, y, z) in zip(prefixes, values.tolist())]))
            bar.update(block.seconds.shape[0])
        for temporary, target in zip(temporaries, targets):
            os.replace(temporary, target)
    finally:
        bar.close()
        for temporary in temporaries:
            if temporary.exists():
                temporary.unlink()
    return targets


# The rows of export's CSV: the frame's columns, shared by every source, then its x, y, z.
_XYZ = "%.17g,%.17g,%.17g\n"


def _row_prefixes(block: ShowBlock) -> list[str]:
    pip_format = "%d" if block.pips.dtype.kind in "iu" else "%.17g"
    row = "%d,%.17g," + pip_format + ","
    frames = range(block.first, block.first + block.seconds.shape[0])
    return [row % columns for columns in zip(frames, block.seconds.tolist(), block.pips.tolist())]


def _file_name(source: object) -> str:
    name = source if isinstance(source, str) else getattr(source, "name", None)
    if not isinstance(name, str) or not name:
        name = type(source).__name__
    return re.sub(r"[^A-Za-z0-9+._-]", "_", name)


def _temporary_for(target: Path) -> Path:
    """A new, empty file of a random name beside `target`, created exclusively (never
    through a link), for the file's content until it is renamed to `target`."""
    try:
        handle, name = tempfile.mkstemp(dir=target.parent, prefix=f".{target.name}.", suffix=".part")
    except OSError as error:
        raise writing_error(error, target) from None
    # mkstemp makes 0600; the files get the mode a file written in place would have.
    os.fchmod(handle, _file_mode(target))
    os.close(handle)
    return Path(name)
