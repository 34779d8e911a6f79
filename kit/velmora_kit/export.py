"""Baking motion to keyframes: CSV, channel files and glTF animations.

One keyframe per frame of an animation: frame k falls at ``start_seconds + k / fps``, its
pip comes from the tempo (a BPM or a `TempoMap`, so a MIDI file's tempo map drives it)
exactly as `frames` gives it, and its position is `render` at that pip. Text formats write
every number with 17 significant digits, so the file reads back bit for bit.
"""

from __future__ import annotations

import os
import sys
from collections.abc import Callable, Iterator
from pathlib import Path
from typing import IO, Any, Union

import numpy as np
import numpy.typing as npt

import velmora
from velmora_kit.recording import RecordingMotion
from velmora_kit._files import replacing_binary, replacing_text
from velmora_kit.render import PatternLike, render
from velmora_kit.tempo import TempoMap, frames

__all__ = ["export", "EXPORT_FORMATS"]

EXPORT_FORMATS = ("csv", "chan", "gltf", "glb")
CSV_HEADER = "frame,seconds,pip,x,y,z"
# A .chan line is a camera or object channel as 3-D tools import it: the frame number, the
# translation, the rotation in degrees (always zero here: the motion is a position).
CHAN_ROTATION = "0 0 0"

FloatArray = npt.NDArray[np.float64]
# Frames rendered and written per step: small enough for a live progress bar, large
# enough that numpy does the work.
_CHUNK = 16384


def _format_of(path: Path, format: str | None) -> str:
    if format is None:
        chosen = path.suffix.lower().lstrip(".")
        if chosen not in EXPORT_FORMATS:
            raise ValueError(
                f"path must end in .csv, .chan, .gltf or .glb (or give format=), got {str(path)!r}"
            )
        return chosen
    if not isinstance(format, str) or format.lower().lstrip(".") not in EXPORT_FORMATS:
        raise ValueError(f"format must be one of {', '.join(EXPORT_FORMATS)}, got {format!r}")
    return format.lower().lstrip(".")


def _tempo_map(tempo: object) -> TempoMap:
    if isinstance(tempo, TempoMap):
        return tempo
    if isinstance(tempo, (bool, np.bool_)) or not isinstance(tempo, (int, float, np.integer, np.floating)):
        raise TypeError(f"tempo must be a BPM number or a TempoMap, got {type(tempo).__name__}")
    return TempoMap(float(tempo))


def _source_name(source: object) -> str:
    if isinstance(source, str):
        return source
    name = getattr(source, "name", None)
    return name if isinstance(name, str) and name else type(source).__name__


class _Progress:
    """A tqdm bar on stderr that appears only once an export has run for a second, and
    only when stderr is a terminal (unless forced on or off)."""

    def __init__(self, total: int, enabled: bool | None, description: str) -> None:
        self._bar: Any = None
        show = sys.stderr.isatty() if enabled is None else bool(enabled)
        if show:
            from tqdm import tqdm  # type: ignore[import-untyped]

            self._bar = tqdm(total=total, unit="frame", delay=1.0, desc=description, leave=False, file=sys.stderr)

    def update(self, count: int) -> None:
        if self._bar is not None:
            self._bar.update(count)

    def close(self) -> None:
        if self._bar is not None:
            self._bar.close()


def _chunks(total: int) -> Iterator[slice]:
    for start in range(0, total, _CHUNK):
        yield slice(start, min(total, start + _CHUNK))


def export(
    source: PatternLike,
    path: Union[str, "os.PathLike[str]"],
    *,
    tempo: TempoMap | float,
    fps: float,
    seconds: float,
    start_seconds: float = 0.0,
    format: str | None = None,
    library: velmora.PatternLibrary | None = None,
    interpolation: str = "step",
    progress: bool | None = None,
    start_frame: int | None = None,
) -> Path:
    """Writes a source's motion as one keyframe per frame.

    Parameters
    ----------
    source : str, velmora.SampledPattern, velmora.SampledRecording, Layer, Sequence or motion source
        Anything `render` takes. A recording of one axis is written as x (y and z 0) and
        one of three as x, y, z; for other counts choose with `RecordingMotion`. Every
        frame's pip must lie within the recording.
    path : str or path-like
        The file to write (replaced if it exists).
    tempo : float or TempoMap
        A constant BPM (beat 0 at 0 s) or a tempo map, for example
        ``TempoMap.from_midi("song.mid")``.
    fps : float
        Frames per second, finite and positive (29.97 works).
    seconds : float
        Length of the export; frames k = 0, 1, … with k / fps below it.
    start_seconds : float, default 0.0
        Time of the first frame.
    format : {"csv", "chan", "gltf", "glb"}, optional
        Taken from the path's suffix when not given.

        - ``csv``: header ``frame,seconds,pip,x,y,z``, one row per frame, every float with
          17 significant digits (reads back bit-identical).
        - ``chan``: one line per frame, ``frame tx ty tz rx ry rz`` separated by spaces,
          the layout 3-D tools import (Nuke's channel files, read by Blender and Houdini):
          an integer frame number counted from `start_frame`, the position with 17
          significant digits, and rotations of 0 degrees.
        - ``gltf``/``glb``: a glTF 2.0 asset with one node named after the source and one
          animation whose LINEAR translation channel holds every frame (input: the frame
          times in seconds as float32, output: the positions as float32 vec3). ``gltf``
          embeds its buffer as a data URI. Needs pygltflib (``pip install 'velmora[gltf]'``).
    library : velmora.PatternLibrary, optional
        Where a name is looked up first.
    interpolation : {"step", "linear"}, default "step"
        ``"step"`` renders each frame's integer pip (`frames`); ``"linear"`` renders the
        exact fractional pip position of the frame's time and writes it in the pip column.
    progress : bool, optional
        A progress bar on stderr for exports that take over a second; by default only
        when stderr is a terminal.
    start_frame : int, optional
        The number of the first frame in a ``chan`` file (1 when not given, as 3-D tools
        count); other formats count their frames from 0 and take no start.

    Returns
    -------
    pathlib.Path
        The path written.

    Raises
    ------
    ValueError
        An unknown format or suffix, `fps` not positive, a span with no frame, frame times
        that glTF's float32 cannot keep apart, an unknown pattern name, a recording whose
        axes do not map to x, y, z by themselves.
    IndexError
        A frame's pip outside a recording (naming the pip and the recording's pips).
    TypeError
        Arguments of the wrong kind.
    ImportError
        glTF asked for without pygltflib installed.
    OSError
        The file cannot be written.

    Example
    -------
    >>> import tempfile, os
    >>> out = os.path.join(tempfile.mkdtemp(), "bounce.csv")
    >>> export("bounce", out, tempo=120, fps=30, seconds=2).name
    'bounce.csv'
    """
    if isinstance(source, velmora.SampledRecording):
        source = RecordingMotion(source)
    target = Path(path)
    chosen = _format_of(target, format)
    tempo_map = _tempo_map(tempo)
    if interpolation not in ("step", "linear"):
        raise ValueError(f"interpolation must be 'step' or 'linear', got {interpolation!r}")
    first_frame = _first_frame(chosen, start_frame)
    pips = frames(tempo_map, fps, seconds, start_seconds=start_seconds)
    count = int(pips.shape[0])
    if count == 0:
        raise ValueError(f"seconds must span at least one frame, got {seconds!r} at {fps!r} fps")
    # The frame times as frames() computes them: start + k / fps from the index.
    times = float(start_seconds) + np.arange(count, dtype=np.float64) / float(fps)
    positions: npt.NDArray[Any] = pips if interpolation == "step" else tempo_map.pip_position(times)
    # Render the first and last frames up front (the pips never fall as time runs), so that a
    # bad source or a span past the end of a recording fails before the file is touched.
    render(source, positions[[0, -1]], library=library, interpolation=interpolation)

    bar = _Progress(count, progress, f"velmora export {target.name}")
    try:
        if chosen in ("csv", "chan"):
            _write_text(target, chosen, first_frame, source, library, interpolation, times, positions, bar.update)
        else:
            values = np.empty((count, 3), dtype=np.float64)
            for part in _chunks(count):
                values[part] = render(source, positions[part], library=library, interpolation=interpolation)
                bar.update(part.stop - part.start)
            _write_gltf(target, chosen, _source_name(source), times, values)
    finally:
        bar.close()
    return target


def _first_frame(chosen: str, start_frame: object) -> int:
    if start_frame is None:
        return 1 if chosen == "chan" else 0
    if chosen != "chan":
        raise ValueError(f"start_frame applies to .chan files only, got start_frame={start_frame!r} for {chosen}")
    if isinstance(start_frame, (bool, np.bool_)) or not isinstance(start_frame, (int, np.integer)):
        raise TypeError(f"start_frame must be an integer, got {type(start_frame).__name__}")
    return int(start_frame)


def _write_text(
    target: Path,
    chosen: str,
    first_frame: int,
    source: PatternLike,
    library: velmora.PatternLibrary | None,
    interpolation: str,
    times: FloatArray,
    positions: npt.NDArray[Any],
    advance: Callable[[int], None],
) -> None:
    # Written through a temporary file so that a failure never leaves half a file.
    with replacing_text(target, encoding="ascii") as out:
        if chosen == "csv":
            out.write(CSV_HEADER + "\n")
        for part in _chunks(times.shape[0]):
            values = render(source, positions[part], library=library, interpolation=interpolation)
            _write_rows(out, chosen, first_frame + part.start, times[part], positions[part], values)
            advance(part.stop - part.start)


def _write_rows(out: IO[str], chosen: str, first: int, times: FloatArray, positions: npt.NDArray[Any], values: FloatArray) -> None:
    xyz = values.tolist()
    if chosen == "chan":
        line = "%d %.17g %.17g %.17g " + CHAN_ROTATION + "\n"
        out.write("".join(line % (first + k, x, y, z) for k, (x, y, z) in enumerate(xyz)))
        return
    pip_format = "%d" if positions.dtype.kind in "iu" else "%.17g"
    row = "%d,%.17g," + pip_format + ",%.17g,%.17g,%.17g\n"
    out.write(
        "".join(
            row % (first + k, t, p, x, y, z)
            for k, (t, p, (x, y, z)) in enumerate(zip(times.tolist(), positions.tolist(), xyz))
        )
    )


def _write_gltf(target: Path, chosen: str, name: str, times: FloatArray, values: FloatArray) -> None:
    try:
        import pygltflib  # type: ignore[import-untyped]
    except ImportError:
        raise ImportError("glTF export needs pygltflib: pip install 'velmora[gltf]'") from None

    keys = times.astype(np.float32)
    if keys.shape[0] > 1 and not bool(np.all(np.diff(keys) > 0)):
        clash = int(np.argmin(np.diff(keys) > 0))
        raise ValueError(
            f"frame times {float(times[clash])!r} and {float(times[clash + 1])!r} s are equal as glTF's "
            "32-bit floats; export a span nearer 0 s or at a lower fps"
        )
    moves = np.ascontiguousarray(values, dtype=np.float32)
    key_bytes = keys.tobytes()
    blob = key_bytes + moves.tobytes()

    gltf = pygltflib.GLTF2(
        asset=pygltflib.Asset(version="2.0", generator="velmora_kit"),
        scene=0,
        scenes=[pygltflib.Scene(nodes=[0])],
        nodes=[pygltflib.Node(name=name, translation=[float(v) for v in moves[0]])],
        buffers=[pygltflib.Buffer(byteLength=len(blob))],
        bufferViews=[
            pygltflib.BufferView(buffer=0, byteOffset=0, byteLength=len(key_bytes)),
            pygltflib.BufferView(buffer=0, byteOffset=len(key_bytes), byteLength=len(blob) - len(key_bytes)),
        ],
        accessors=[
            pygltflib.Accessor(
                bufferView=0,
                componentType=pygltflib.FLOAT,
                count=int(keys.shape[0]),
                type=pygltflib.SCALAR,
                min=[float(keys.min())],
                max=[float(keys.max())],
            ),
            pygltflib.Accessor(
                bufferView=1,
                componentType=pygltflib.FLOAT,
                count=int(moves.shape[0]),
                type=pygltflib.VEC3,
                min=[float(v) for v in moves.min(axis=0)],
                max=[float(v) for v in moves.max(axis=0)],
            ),
        ],
        animations=[
            pygltflib.Animation(
                name=name,
                samplers=[pygltflib.AnimationSampler(input=0, output=1, interpolation="LINEAR")],
                channels=[
                    pygltflib.AnimationChannel(
                        sampler=0, target=pygltflib.AnimationChannelTarget(node=0, path="translation")
                    )
                ],
            )
        ],
    )
    gltf.set_binary_blob(blob)
    if chosen == "glb":
        chunks = gltf.save_to_bytes()
        with replacing_binary(target) as binary:
            for chunk in chunks:
                binary.write(chunk)
    else:
        gltf.convert_buffers(pygltflib.BufferFormat.DATAURI)
        text = gltf.gltf_to_json()
        with replacing_text(target) as out:
            out.write(text)
