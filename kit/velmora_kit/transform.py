"""Motion turned, mirrored and moved between axes: `Transform`, a source over a source.

A `Layer` changes when a motion happens; a `Transform` changes where: it maps each
position of its source, pip by pip, in this order:

1. axis mapping: output axis i takes the source axis ``axes[i]`` (``"yxz"`` swaps x and y,
   ``"0x0"`` puts a one-axis pattern on y, ``"zyx"`` swaps x and z);
2. mirror: the named axes change sign;
3. rotation by `rotate` degrees about an axis (``about="z"``, the default, turns the x-y
   plane counter-clockwise, x towards y; ``"x"``, ``"y"`` or any direction (x, y, z));
4. per-axis scale, then offset;
5. clipping to [-1, 1].

Why clip, not normalise: a rotation keeps every point's distance from the centre, so a
motion that stays within the unit circle or ball (every path of `velmora_kit.shapes`, the
circles and orbits of the catalogue) turns without any change, and a motion of the whole
square that is turned has its corners cut exactly as far as they leave the square, never
everything shrunk. Normalising would need the whole loop before the first pip (and a
source may never loop) or a fixed shrink of up to 1/√3 for every rotation. Clipping is
also what `Layer` does after its scale and offset, so the kit has one rule; to keep a
turned square whole, scale it (``scale=2**-0.5`` for 45°).

Exactness: a transform is applied to the values `render` gives for the source at the same
pips, by the same element-wise arithmetic, so ``render(Transform(s, ...), pips)`` equals
the transform applied to ``render(s, pips)`` bit for bit. Mappings, mirrors and rotations by
whole quarter turns about x, y or z move and negate values without arithmetic.
"""

from __future__ import annotations

import math
import numbers
from collections.abc import Sequence as SequenceABC
from typing import Any, Union

import numpy as np
import numpy.typing as npt

import velmora
from velmora_kit._checks import Frozen
from velmora_kit.modify import Axes, _axes, _check_source, _LoopTables, _source_name, _source_period
from velmora_kit.render import PatternLike, render

__all__ = ["Transform"]

FloatArray = npt.NDArray[np.float64]
Direction = Union[str, SequenceABC[float]]

_AXIS_NAMES = "xyz"
_AXIS_SOURCES = "xyz0"


def _axis_mapping(axes: object) -> tuple[int, int, int]:
    """Each output axis's source axis: 0, 1, 2, or 3 for a constant zero."""
    if not isinstance(axes, str):
        raise TypeError(f"axes must be a string of three letters from x, y, z and 0, got {axes!r}")
    text = axes.strip().lower()
    if len(text) != 3 or any(letter not in _AXIS_SOURCES for letter in text):
        raise ValueError(f"axes must be three letters from x, y, z and 0 (such as 'yxz' or '0x0'), got {axes!r}")
    return (_AXIS_SOURCES.index(text[0]), _AXIS_SOURCES.index(text[1]), _AXIS_SOURCES.index(text[2]))


def _mirrored(mirror: object) -> tuple[bool, bool, bool]:
    if not isinstance(mirror, str):
        raise TypeError(f"mirror must be a string of the axes to mirror, such as 'x' or 'xz', got {mirror!r}")
    text = mirror.strip().lower()
    if any(letter not in _AXIS_NAMES for letter in text) or len(set(text)) != len(text):
        raise ValueError(f"mirror must name each of x, y, z at most once (such as 'x' or 'xz'), got {mirror!r}")
    return ("x" in text, "y" in text, "z" in text)


def _quarter_cos_sin(degrees: float) -> tuple[float, float]:
    """cos and sin of an angle in degrees, exact for whole quarter turns."""
    turned = math.fmod(degrees, 360.0)
    if turned < 0.0:
        turned += 360.0
    if turned % 90.0 == 0.0:
        return ((1.0, 0.0), (0.0, 1.0), (-1.0, 0.0), (0.0, -1.0))[int(turned // 90.0) % 4]
    radians = math.radians(degrees)
    return math.cos(radians), math.sin(radians)


def _rotation(degrees: float, about: object) -> tuple[tuple[float, float, float], ...]:
    """The rotation matrix (rows) by `degrees` about an axis name or a direction, by the
    right-hand rule (about z: x turns towards y)."""
    if isinstance(about, str):
        name = about.strip().lower()
        if name not in _AXIS_NAMES:
            raise ValueError(f"about must be 'x', 'y', 'z' or a direction (x, y, z), got {about!r}")
        direction = tuple(1.0 if axis == name else 0.0 for axis in _AXIS_NAMES)
    elif isinstance(about, (bool, np.bool_, numbers.Real, np.number)):
        raise TypeError(f"about must be 'x', 'y', 'z' or a direction (x, y, z), got {about!r}")
    else:
        try:
            direction = _axes("about", about)
        except (TypeError, ValueError):
            raise ValueError(f"about must be 'x', 'y', 'z' or a direction of three finite numbers, got {about!r}") from None
    norm = math.sqrt(sum(v * v for v in direction))
    if norm == 0.0:
        raise ValueError(f"about must be a direction of non-zero length, got {about!r}")
    c, s = _quarter_cos_sin(degrees)
    along = [axis for axis, v in enumerate(direction) if v != 0.0]
    if len(along) == 1:
        # About a coordinate axis: that axis stays exactly, the other two turn by (c, s).
        axis = along[0]
        s = s if direction[axis] > 0.0 else -s
        first, second = (axis + 1) % 3, (axis + 2) % 3
        rows = [[0.0] * 3 for _ in range(3)]
        rows[axis][axis] = 1.0
        rows[first][first], rows[first][second] = c, -s
        rows[second][first], rows[second][second] = s, c
        return tuple((r[0], r[1], r[2]) for r in rows)
    ux, uy, uz = (v / norm for v in direction)
    t = 1.0 - c
    # Rodrigues' formula for any other axis.
    return (
        (c + ux * ux * t, ux * uy * t - uz * s, ux * uz * t + uy * s),
        (uy * ux * t + uz * s, c + uy * uy * t, uy * uz * t - ux * s),
        (uz * ux * t - uy * s, uz * uy * t + ux * s, c + uz * uz * t),
    )


class Transform(Frozen):
    """A motion source mapped in space: axes, mirror, rotation, scale and offset.

    Parameters
    ----------
    pattern : str, velmora.SampledPattern or motion source
        A built-in name, a name held by `library`, a user pattern, a `Shape`, a `Layer`,
        a `Sequence` or another `Transform`.
    library : velmora.PatternLibrary, optional
        Where a name is looked up first.
    axes : str, default "xyz"
        For each output axis, the source axis it takes: three letters from x, y, z and 0
        (zero). ``"0x0"`` plays a one-axis pattern on y, ``"zyx"`` swaps x and z.
    mirror : str, default ""
        The output axes that change sign: ``"x"`` mirrors left and right.
    rotate : float, default 0.0
        Degrees, counter-clockwise looking down the axis `about` (right-hand rule).
    about : "x", "y", "z" or 3 floats, default "z"
        The axis of the rotation; "z" turns in the x-y plane.
    scale, offset : float or 3 floats, default 1.0 and 0.0
        Per output axis, after the rotation: ``value × scale + offset``.

    Results outside [-1, 1] are clipped to it (see the module notes for why).

    Raises
    ------
    ValueError
        An axes string or mirror that names other letters, an axis of zero length,
        values that are not finite, an unknown pattern name.
    TypeError
        Arguments of the wrong kind.

    Example
    -------
    >>> from velmora_kit import render
    >>> render(Transform("bounce", axes="0x0"), [32]).tolist()
    [[0.0, 1.0, 0.0]]
    """

    __slots__ = ("_source", "_library", "_axes", "_mirror", "_rotate", "_about", "_scale", "_offset",
                 "_matrix", "_period", "_identity", "_tables")
    _source: PatternLike
    _library: velmora.PatternLibrary | None
    _axes: tuple[int, int, int]
    _mirror: tuple[bool, bool, bool]
    _rotate: float
    _about: str | tuple[float, float, float]
    _scale: tuple[float, float, float]
    _offset: tuple[float, float, float]
    _matrix: tuple[tuple[float, float, float], ...] | None
    _period: int | None
    _identity: bool
    _tables: _LoopTables

    def __init__(
        self,
        pattern: PatternLike,
        *,
        library: velmora.PatternLibrary | None = None,
        axes: str = "xyz",
        mirror: str = "",
        rotate: float = 0.0,
        about: Direction = "z",
        scale: Axes = 1.0,
        offset: Axes = 0.0,
    ) -> None:
        if library is not None and not isinstance(library, velmora.PatternLibrary):
            raise TypeError(f"library must be a velmora.PatternLibrary or None, got {type(library).__name__}")
        _check_source(pattern, library, "pattern")
        mapping = _axis_mapping(axes)
        mirror_value = _mirrored(mirror)
        if isinstance(rotate, (bool, np.bool_)) or not isinstance(rotate, (numbers.Real, np.number)):
            raise TypeError(f"rotate must be a number of degrees, got {rotate!r}")
        degrees = float(rotate)
        if not math.isfinite(degrees):
            raise ValueError(f"rotate must be a finite number of degrees, got {rotate!r}")
        matrix = _rotation(degrees, about)
        about_value = about.strip().lower() if isinstance(about, str) else _axes("about", about)
        scale_value = _axes("scale", scale)
        offset_value = _axes("offset", offset)
        identity_matrix = matrix == ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0))
        set_ = object.__setattr__
        set_(self, "_source", pattern)
        set_(self, "_library", library)
        set_(self, "_axes", mapping)
        set_(self, "_mirror", mirror_value)
        set_(self, "_rotate", degrees)
        set_(self, "_about", about_value)
        set_(self, "_scale", scale_value)
        set_(self, "_offset", offset_value)
        set_(self, "_matrix", None if identity_matrix else matrix)
        set_(self, "_period", _source_period(pattern, library))
        set_(self, "_identity", mapping == (0, 1, 2) and not any(mirror_value) and identity_matrix
             and scale_value == (1.0, 1.0, 1.0) and offset_value == (0.0, 0.0, 0.0))
        set_(self, "_tables", _LoopTables())


    def __reduce__(self) -> tuple[Any, ...]:
        return (_rebuild_transform, (self._source, self._arguments()))

    def _arguments(self) -> dict[str, Any]:
        return dict(
            library=self._library,
            axes="".join(_AXIS_SOURCES[i] for i in self._axes),
            mirror="".join(name for name, flag in zip(_AXIS_NAMES, self._mirror) if flag),
            rotate=self._rotate, about=self._about, scale=self._scale, offset=self._offset,
        )

    @property
    def source(self) -> PatternLike:
        return self._source

    @property
    def name(self) -> str:
        """The source's name."""
        return _source_name(self._source)

    @property
    def period_pips(self) -> int | None:
        """The source's loop length in pips, or None when it does not loop."""
        return self._period

    @property
    def matrix(self) -> FloatArray:
        """The rotation as a 3 × 3 matrix (output = matrix @ input), read-only."""
        rows = np.array(self._matrix if self._matrix is not None else np.eye(3), dtype=np.float64)
        rows.flags.writeable = False
        return rows

    def __repr__(self) -> str:
        arguments = self._arguments()
        defaults = dict(axes="xyz", mirror="", rotate=0.0, about="z", scale=(1.0, 1.0, 1.0), offset=(0.0, 0.0, 0.0))
        parts = [repr(self._source) if isinstance(self._source, str) else _source_name(self._source)]
        parts += [f"{key}={value!r}" for key, value in arguments.items() if key in defaults and value != defaults[key]]
        return f"Transform({', '.join(parts)})"

    def apply(self, values: npt.ArrayLike) -> FloatArray:
        """The transform of positions already rendered: ``(..., 3)`` in, ``(..., 3)`` out.

        ``render(t, pips)`` is ``t.apply(render(t.source, pips))``, bit for bit.
        """
        positions = np.asarray(values, dtype=np.float64)
        if positions.ndim == 0 or positions.shape[-1] != 3:
            raise ValueError(f"values must have shape (..., 3), got {positions.shape}")
        if self._identity:
            return positions.copy()
        columns = [positions[..., i] if i < 3 else np.zeros(positions.shape[:-1]) for i in self._axes]
        columns = [-column if flip else column for column, flip in zip(columns, self._mirror)]
        if self._matrix is not None:
            columns = [self._row(row, columns) for row in self._matrix]
        out = np.empty(positions.shape, dtype=np.float64)
        for axis in range(3):
            column = columns[axis]
            if self._scale[axis] != 1.0:
                column = column * self._scale[axis]
            if self._offset[axis] != 0.0:
                column = column + self._offset[axis]
            out[..., axis] = column
        result: FloatArray = np.clip(out, -1.0, 1.0)
        return result

    @staticmethod
    def _row(row: tuple[float, float, float], columns: list[FloatArray]) -> FloatArray:
        """One output axis, m0·x + m1·y + m2·z; terms with a zero weight are left out and
        weights of ±1 only copy or negate, so quarter turns involve no rounding."""
        total: FloatArray | None = None
        for weight, column in zip(row, columns):
            if weight == 0.0:
                continue
            term = column if weight == 1.0 else -column if weight == -1.0 else column * weight
            total = term if total is None else total + term
        return total if total is not None else np.zeros_like(columns[0])

    def render_pips(self, pips: npt.NDArray[Any], interpolation: str) -> FloatArray:
        """Positions at checked pips (int64 for "step", float64 for "linear"); use `render`.

        Whole pips of a source that loops are read from one transformed loop, computed
        once: the same bits as transforming each pip, since the source repeats exactly.
        """
        flat = np.asarray(pips).reshape(-1)
        values: FloatArray | None = None
        if interpolation == "step":
            values = self._tables.render(self._period, flat.astype(np.int64, copy=False), "step", self._compute)
        else:
            whole = np.floor(flat)
            if bool(np.all(whole == flat)):
                values = self._tables.render(self._period, whole.astype(np.int64), "linear", self._compute)
        if values is None:
            values = self._compute(flat, interpolation)
        return values.reshape(np.shape(pips) + (3,))

    def _compute(self, pips: npt.NDArray[Any], interpolation: str) -> FloatArray:
        return self.apply(render(self._source, pips, library=self._library, interpolation=interpolation))


def _rebuild_transform(source: PatternLike, arguments: dict[str, Any]) -> Transform:
    return Transform(source, **arguments)
