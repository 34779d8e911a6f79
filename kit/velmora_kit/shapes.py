"""Parametric shapes: paths, LFO waveforms and easing loops, generated to an exact period.

Each generator returns a `Shape`: one loop computed when it is made (one row per pip, at
most 65,535), played like a built-in pattern's table. A shape is a motion source, so
`render`, `Layer`, `Sequence`, `Transform`, `fan`, `export` and `Player` take it, and
`Shape.to_pattern` turns it into a `velmora.SampledPattern` for a `PatternLibrary`.

House style, shared by every generator:

- The period is given in beats (``beats=4``: 256 pips) and must be a whole number of
  pips, 64 to the beat; `period_pips` and `period_beats` give it back exactly.
- Paths lie in the x-y plane (z = 0), within the unit circle, y up, and start at their
  first vertex (or at the centre) at pip 0. Waveforms and easing loops move x only;
  `Transform` puts them on any axis.
- Paths are traversed at constant speed along the path by default
  (``traversal="constant"``): equal pips cover equal distances, so corners are passed
  at full speed and a light's beam never lingers. ``traversal="parameter"`` follows the
  curve's own parameter instead: each edge of a polygon, star, cross or zigzag takes the
  same time whatever its length, and Lissajous figures and spirals move as their
  formulas do (slower where the curve turns tightly, as an LFO pair would draw them).
- Random waveforms draw their values from a small integer hash of the seed and the step
  (SplitMix64), and smooth random joins them with polynomial ramps, so a seed gives the
  same bits on every machine and numpy version.
- Arguments are checked when the shape is made; each mistake is one line naming the
  argument and the value.

Generators: `polygon`, `star`, `ellipse`, `lissajous`, `spiral`, `cross`, `zigzag`,
`line`; `sine`, `triangle`, `saw`, `square`, `sample_and_hold`, `smooth_random`; `ease`.
`GENERATORS` maps each name to its function; `to_pattern` turns any looping source (a
transformed shape, say) into a `velmora.SampledPattern`.
"""

from __future__ import annotations

import math
import numbers
import types
from collections.abc import Callable, Mapping
from fractions import Fraction
from typing import Any

import numpy as np
import numpy.typing as npt

import velmora
from velmora_kit._checks import Frozen
from velmora_kit.easing import easing, parse_easing
from velmora_kit.modify import _beats_to_pips
from velmora_kit.render import PatternLike, _gather_linear, _gather_step, period_of, render
from velmora_kit.tempo import PIPS_PER_BEAT

__all__ = [
    "GENERATORS", "Shape", "TRAVERSALS",
    "polygon", "star", "ellipse", "lissajous", "spiral", "cross", "zigzag", "line",
    "sine", "triangle", "saw", "square", "sample_and_hold", "smooth_random", "ease", "to_pattern",
]

FloatArray = npt.NDArray[np.float64]

MAX_PERIOD_PIPS = 65_535  # the longest loop a velmora.SampledPattern holds
TRAVERSALS = ("constant", "parameter")
SPIRAL_DIRECTIONS = ("out", "in", "in-out")
SAW_DIRECTIONS = ("up", "down")
# Curves are measured on this many points per pip of the loop (at least _MIN_SAMPLES) to
# find where each pip lies at constant speed; the positions themselves are then computed
# from the curve's formula, so they lie on it exactly.
_OVERSAMPLE = 16
_MIN_SAMPLES = 8192
_MAX_COUNT = 1024  # vertices, points, teeth, turns, random steps: far beyond any use


# --- the shape ----------------------------------------------------------------------------


class Shape(Frozen):
    """One generated loop: a motion source with an exact period.

    Made by the generators of this module rather than directly. Immutable.

    Attributes
    ----------
    name : str
        The generator's name (``"star"``).
    parameters : mapping
        The arguments it was made with, every default included.
    period_pips, period_beats : int, fractions.Fraction
    table : numpy.ndarray
        ``(period_pips, 3)`` float64, read-only: row p is the position at pip p.
    description : str
        One line naming the shape and its parameters.

    Example
    -------
    >>> from velmora_kit import render, shapes
    >>> render(shapes.star(points=5), [0]).round(12).tolist()
    [[0.0, 1.0, 0.0]]
    """

    __slots__ = ("_name", "_parameters", "_table", "_description")
    _name: str
    _parameters: Mapping[str, Any]
    _table: FloatArray
    _description: str

    def __init__(self, name: str, parameters: Mapping[str, Any], rows: FloatArray, description: str) -> None:
        table = np.array(rows, dtype=np.float64)
        if table.ndim != 2 or table.shape[1] != 3 or not 1 <= table.shape[0] <= MAX_PERIOD_PIPS:
            raise ValueError(f"a shape's loop must be (1..{MAX_PERIOD_PIPS}, 3), got {table.shape}")
        if not np.all(np.abs(table) <= 1.0):  # NaN fails too
            raise ValueError(f"the loop of {name} leaves [-1, 1]")
        table += 0.0  # no -0.0 in the table: a mirrored zero then stays a plain zero
        table.flags.writeable = False
        set_ = object.__setattr__
        set_(self, "_name", name)
        set_(self, "_parameters", types.MappingProxyType(dict(parameters)))
        set_(self, "_table", table)
        set_(self, "_description", description)


    def __reduce__(self) -> tuple[Any, ...]:
        # A generator's shape is made again from its arguments; any other keeps its loop.
        if GENERATORS.get(self._name) is not None:
            return (_rebuild, (self._name, dict(self._parameters)))
        return (Shape, (self._name, dict(self._parameters), np.array(self._table), self._description))

    @property
    def name(self) -> str:
        return self._name

    @property
    def parameters(self) -> Mapping[str, Any]:
        return self._parameters

    @property
    def period_pips(self) -> int:
        return int(self._table.shape[0])

    @property
    def period_beats(self) -> Fraction:
        return Fraction(self.period_pips, PIPS_PER_BEAT)

    @property
    def table(self) -> FloatArray:
        return self._table

    @property
    def description(self) -> str:
        return self._description

    @property
    def dimensions(self) -> int:
        """The highest axis the loop moves on: 1 (x), 2 (y) or 3 (z)."""
        used = [axis for axis in range(3) if np.any(self._table[:, axis] != 0.0)]
        return used[-1] + 1 if used else 1

    @property
    def snippet(self) -> str:
        """Python that makes this shape again: ``velmora_kit.shapes.star(points=5, ...)``."""
        arguments = ", ".join(f"{key}={value!r}" for key, value in self._parameters.items())
        return f"velmora_kit.shapes.{self._name}({arguments})"

    def __repr__(self) -> str:
        return self.snippet.removeprefix("velmora_kit.")

    def render_pips(self, pips: npt.NDArray[Any], interpolation: str) -> FloatArray:
        """Positions at checked pips (int64 for "step", float64 for "linear"); use `render`."""
        if interpolation == "step":
            return _gather_step(self._table, np.asarray(pips, dtype=np.int64))
        return _gather_linear(self._table, np.asarray(pips, dtype=np.float64))

    def to_pattern(self, name: str | None = None, description: str | None = None) -> velmora.SampledPattern:
        """The loop as a `velmora.SampledPattern` (bit for bit the same samples).

        Parameters
        ----------
        name : str, optional
            The pattern's name in a `PatternLibrary` (default: the generator's name).
        description : str, optional
            Default: this shape's description.

        Raises
        ------
        ValueError
            The module's "Invalid pattern name" for a name it does not accept.
        """
        return velmora.SampledPattern(
            self._name if name is None else name,
            self._description if description is None else description,
            self._table.tolist(),
        )


def _rebuild(name: str, parameters: dict[str, Any]) -> Shape:
    return GENERATORS[name](**parameters)


def to_pattern(source: PatternLike, name: str, description: str = "", *,
               library: velmora.PatternLibrary | None = None) -> velmora.SampledPattern:
    """One loop of any looping motion source as a `velmora.SampledPattern`.

    For a `Transform` or `Layer` of a shape, a `Sequence`, or a built-in pattern, so that
    it can join a `velmora.PatternLibrary` under a name of its own.

    Parameters
    ----------
    source : str, velmora.SampledPattern or motion source with `period_pips`
    name, description : str
        The pattern's name (as `velmora.SampledPattern` accepts it) and description.
    library : velmora.PatternLibrary, optional
        Where a name among the sources is looked up first.

    Raises
    ------
    ValueError
        A source that does not loop, or whose loop is longer than 65,535 pips; the
        module's own messages for a bad name.

    Example
    -------
    >>> from velmora_kit import Transform
    >>> to_pattern(Transform("bounce", axes="0x0"), "bounce_y").period_pips
    64
    """
    if isinstance(source, (str, velmora.SampledPattern)):
        period: object = period_of(source, library=library)
    else:
        period = getattr(source, "period_pips", None)
    if not isinstance(period, int) or isinstance(period, bool) or not 1 <= period <= MAX_PERIOD_PIPS:
        raise ValueError(f"source must loop within {MAX_PERIOD_PIPS:,} pips to become a velmora.SampledPattern, got a period of {period!r}")
    rows = render(source, np.arange(period, dtype=np.int64), library=library)
    return velmora.SampledPattern(name, description, rows.tolist())


# --- argument checks ----------------------------------------------------------------------


def _period(beats: object) -> int:
    """A period in beats as a whole number of pips that a loop table can hold."""
    pips = _beats_to_pips("beats", beats, allow_zero=False)
    if not 2 <= pips <= MAX_PERIOD_PIPS:
        raise ValueError(
            f"beats must give a loop of 2 to {MAX_PERIOD_PIPS:,} pips (1/32 to {MAX_PERIOD_PIPS / PIPS_PER_BEAT:g} beats), got {beats!r}"
        )
    return pips


def _count(name: str, value: object, low: int, high: int = _MAX_COUNT) -> int:
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"{name} must be an integer, got {value!r}")
    if not low <= value <= high:
        raise ValueError(f"{name} must be an integer from {low} to {high}, got {value!r}")
    return int(value)


def _real(name: str, value: object, low: float = -math.inf, high: float = math.inf, *,
          open_low: bool = False) -> float:
    """A finite float within [low, high] ((low, high] with `open_low`)."""
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, (numbers.Real, np.number)):
        raise TypeError(f"{name} must be a real number, got {value!r}")
    number = float(value)
    if not math.isfinite(number) or number < low or number > high or (open_low and number == low):
        if low == -math.inf:
            where = ""
        else:
            where = f" in {'(' if open_low else '['}{low:g}, {high:g}]" if high < math.inf else f" of at least {low:g}"
        raise ValueError(f"{name} must be a finite number{where}, got {value!r}")
    return number


def _choice(name: str, value: object, choices: tuple[str, ...]) -> str:
    if not isinstance(value, str) or value not in choices:
        raise ValueError(f"{name} must be one of {', '.join(repr(c) for c in choices)}, got {value!r}")
    return value


def _seed(value: object) -> int:
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"seed must be an integer, got {value!r}")
    if not 0 <= value < 2**64:
        raise ValueError(f"seed must be an integer from 0 to 2**64 - 1, got {value!r}")
    return int(value)


# --- paths --------------------------------------------------------------------------------


def _phases(period: int) -> FloatArray:
    """The loop's pips as fractions of the loop, each exactly p / period."""
    return np.arange(period, dtype=np.float64) / float(period)


def _as_rows(xy: FloatArray) -> FloatArray:
    rows = np.zeros((xy.shape[0], 3), dtype=np.float64)
    rows[:, : xy.shape[1]] = xy
    return np.clip(rows, -1.0, 1.0)  # trigonometry may land a rounding beyond the unit circle


def _closed_polyline(vertices: FloatArray, period: int, traversal: str) -> FloatArray:
    """Positions along the closed path through `vertices` (back to the first), one per pip.

    Constant speed: pip p lies at the fraction p / period of the path's length. By
    parameter: each edge takes the same time."""
    count = vertices.shape[0]
    ends = np.roll(vertices, -1, axis=0)
    lengths = np.hypot(*(ends - vertices).T)
    phases = _phases(period)
    # Edges equal by construction may differ in their last bits; they count as equal.
    if traversal == "constant" and lengths.sum() > 0.0 and not np.allclose(lengths, lengths[0], rtol=1e-9, atol=0.0):
        starts = np.concatenate(([0.0], np.cumsum(lengths)[:-1])) / lengths.sum()
        edge = np.searchsorted(starts, phases, side="right") - 1
        fraction = (phases - starts[edge]) / (lengths[edge] / lengths.sum())
    else:
        # Equal edges: constant speed is equal time per edge, with vertices on exact pips.
        position = np.arange(period, dtype=np.float64) * count / float(period)
        edge = np.minimum(np.floor(position).astype(np.int64), count - 1)
        fraction = position - edge
    fraction = np.clip(fraction, 0.0, 1.0)[:, np.newaxis]
    return _as_rows(vertices[edge] + (ends[edge] - vertices[edge]) * fraction)


def _curve(formula: Callable[[FloatArray], FloatArray], period: int, traversal: str) -> FloatArray:
    """Positions on a closed parametric curve u ↦ formula(u), u in [0, 1), one per pip.

    By parameter, pip p is at u = p / period. At constant speed the curve's length is
    measured on a fine grid of u and each pip's u found by interpolating the cumulative
    length; the position is then the formula at that u, on the curve."""
    phases = _phases(period)
    if traversal == "constant":
        count = max(_MIN_SAMPLES, _OVERSAMPLE * period)
        grid = np.arange(count + 1, dtype=np.float64) / float(count)
        points = formula(grid)
        travelled = np.concatenate(([0.0], np.cumsum(np.hypot(*np.diff(points, axis=0).T))))
        if travelled[-1] > 0.0:
            phases = np.interp(phases * travelled[-1], travelled, grid)
    return _as_rows(formula(phases))


def _polar(radius: FloatArray | float, degrees: FloatArray) -> FloatArray:
    """Points at these radii and angles; quarter turns are exact (no 6e-17 for cos 90°)."""
    turned = np.mod(np.asarray(degrees, dtype=np.float64), 360.0)
    cos, sin = np.cos(np.radians(turned)), np.sin(np.radians(turned))
    quarter = np.mod(turned, 90.0) == 0.0
    index = (turned[quarter] // 90.0).astype(np.int64)
    cos[quarter] = np.array([1.0, 0.0, -1.0, 0.0])[index]
    sin[quarter] = np.array([0.0, 1.0, 0.0, -1.0])[index]
    return np.stack([radius * cos, radius * sin], axis=-1)


def _fmt(value: float) -> str:
    return f"{value:g}"


def polygon(sides: int = 3, *, radius: float = 1.0, rotation: float = 0.0, beats: object = 4,
            traversal: str = "constant") -> Shape:
    """A regular polygon with straight edges, counter-clockwise from its top vertex.

    Parameters
    ----------
    sides : int, default 3
        3 (triangle) to 1,024.
    radius : float, default 1.0
        Distance of the vertices from the centre, in (0, 1].
    rotation : float, default 0.0
        Degrees counter-clockwise; 0 puts a vertex straight up.
    beats : number or str, default 4
        The loop's length; a whole number of pips, at most 65,535.
    traversal : {"constant", "parameter"}
        All edges are equal, so both give the same loop: one edge per period / sides.

    Example
    -------
    >>> polygon(4, rotation=45).period_pips
    256
    """
    count = _count("sides", sides, 3)
    r = _real("radius", radius, 0.0, 1.0, open_low=True)
    turn = _real("rotation", rotation)
    period = _period(beats)
    mode = _choice("traversal", traversal, TRAVERSALS)
    vertices = _polar(r, 90.0 + turn + 360.0 * np.arange(count) / count)
    return Shape("polygon", dict(sides=count, radius=r, rotation=turn, beats=beats, traversal=mode),
                 _closed_polyline(vertices, period, mode),
                 f"Regular {count}-sided polygon, radius {_fmt(r)}, rotated {_fmt(turn)}°")


def star(points: int = 5, *, inner: float = 0.382, radius: float = 1.0, rotation: float = 0.0,
         beats: object = 4, traversal: str = "constant") -> Shape:
    """A star: its points joined through as many inner vertices, by straight edges.

    Parameters
    ----------
    points : int, default 5
        2 to 1,024.
    inner : float, default 0.382
        Radius of the inner vertices, in [0, radius): 0.382 gives the classic
        five-pointed star (the pentagram's outline), 0 a burst of spokes through the centre.
    radius : float, default 1.0
        Radius of the points, in (0, 1].
    rotation : float, default 0.0
        Degrees counter-clockwise; 0 puts a point straight up.
    beats, traversal
        As for `polygon`; all edges are equal, so both traversals agree.
    """
    count = _count("points", points, 2)
    r = _real("radius", radius, 0.0, 1.0, open_low=True)
    depth = _real("inner", inner, 0.0, r)
    if depth >= r:
        raise ValueError(f"inner must be below radius ({_fmt(r)}), got {inner!r}")
    turn = _real("rotation", rotation)
    period = _period(beats)
    mode = _choice("traversal", traversal, TRAVERSALS)
    radii = np.where(np.arange(2 * count) % 2 == 0, r, depth)
    vertices = _polar(radii, 90.0 + turn + 180.0 * np.arange(2 * count) / count)
    return Shape("star", dict(points=count, inner=depth, radius=r, rotation=turn, beats=beats, traversal=mode),
                 _closed_polyline(vertices, period, mode),
                 f"{count}-pointed star, inner radius {_fmt(depth)}, rotated {_fmt(turn)}°")


def ellipse(width: float = 1.0, height: float = 0.5, *, rotation: float = 0.0, beats: object = 4,
            traversal: str = "constant") -> Shape:
    """An ellipse (a circle when width equals height), counter-clockwise from the right.

    Parameters
    ----------
    width, height : float, default 1.0 and 0.5
        Half-axes in (0, 1].
    rotation : float, default 0.0
        Degrees counter-clockwise; applied to the axes, so the ellipse may reach at most
        its larger half-axis from the centre.
    beats, traversal
        See the module notes; by parameter the motion is that of two sine LFOs.
    """
    a = _real("width", width, 0.0, 1.0, open_low=True)
    b = _real("height", height, 0.0, 1.0, open_low=True)
    turn = _real("rotation", rotation)
    period = _period(beats)
    mode = _choice("traversal", traversal, TRAVERSALS)
    c, s = math.cos(math.radians(turn)), math.sin(math.radians(turn))

    def formula(u: FloatArray) -> FloatArray:
        x, y = a * np.cos(2.0 * math.pi * u), b * np.sin(2.0 * math.pi * u)
        return np.stack([c * x - s * y, s * x + c * y], axis=-1)

    return Shape("ellipse", dict(width=a, height=b, rotation=turn, beats=beats, traversal=mode),
                 _curve(formula, period, mode), f"Ellipse {_fmt(a)} × {_fmt(b)}, rotated {_fmt(turn)}°")


def lissajous(a: int = 2, b: int = 1, *, phase: float = 0.0, beats: object = 8,
              traversal: str = "constant") -> Shape:
    """A Lissajous figure: x = sin(a·θ + phase), y = sin(b·θ), θ once around the loop.

    Parameters
    ----------
    a, b : int, default 2 and 1
        Cycles of x and of y per loop, 1 to 64 each. a = 2, b = 1 (phase 0) is the
        standing figure-eight, a = 1, b = 2 the lying one; a = b = 1 with phase 90 a circle.
    phase : float, default 0.0
        Degrees by which x leads.
    beats, traversal
        See the module notes.
    """
    x_cycles = _count("a", a, 1, 64)
    y_cycles = _count("b", b, 1, 64)
    lead = _real("phase", phase)
    period = _period(beats)
    mode = _choice("traversal", traversal, TRAVERSALS)
    offset = math.radians(lead)

    def formula(u: FloatArray) -> FloatArray:
        theta = 2.0 * math.pi * u
        return np.stack([np.sin(x_cycles * theta + offset), np.sin(y_cycles * theta)], axis=-1)

    return Shape("lissajous", dict(a=x_cycles, b=y_cycles, phase=lead, beats=beats, traversal=mode),
                 _curve(formula, period, mode), f"Lissajous figure {x_cycles}:{y_cycles}, phase {_fmt(lead)}°")


def spiral(turns: float = 3.0, *, direction: str = "in-out", beats: object = 8,
           traversal: str = "constant") -> Shape:
    """An Archimedean spiral between the centre and the unit circle.

    Parameters
    ----------
    turns : float, default 3.0
        Turns between the centre and the edge, above 0, at most 1,024.
    direction : {"out", "in", "in-out"}, default "in-out"
        "out" winds from the centre to the edge, reached on the loop's last pip, and
        jumps back to the centre as the loop starts again; "in" the reverse; "in-out" winds out over the first half and on, in
        the same sense of rotation, back to the centre over the second, with no jump.
    beats, traversal
        See the module notes. At constant speed the centre is crossed as fast as the
        edge; by parameter each turn takes the same time.
    """
    count = _real("turns", turns, 0.0, float(_MAX_COUNT), open_low=True)
    way = _choice("direction", direction, SPIRAL_DIRECTIONS)
    period = _period(beats)
    mode = _choice("traversal", traversal, TRAVERSALS)

    def formula(u: FloatArray) -> FloatArray:
        if way == "out":
            r, angle = u, u
        elif way == "in":
            r, angle = 1.0 - u, u
        else:
            r, angle = 1.0 - np.abs(1.0 - 2.0 * u), 2.0 * u
        return _polar(r, 90.0 + 360.0 * count * angle)

    if way == "in-out":
        rows = _curve(formula, period, mode)
    else:
        rows = _open_curve(formula, period, mode)
    return Shape("spiral", dict(turns=count, direction=way, beats=beats, traversal=mode),
                 rows, f"Spiral of {_fmt(count)} turns, {way}")


def _open_curve(formula: Callable[[FloatArray], FloatArray], period: int, traversal: str) -> FloatArray:
    """Positions along an open curve from u = 0 at pip 0 to u = 1 at the loop's last pip
    (the jump back is not part of the path, so it is not measured)."""
    ends = np.arange(period, dtype=np.float64) / float(max(1, period - 1))
    if traversal == "constant":
        count = max(_MIN_SAMPLES, _OVERSAMPLE * period)
        grid = np.arange(count + 1, dtype=np.float64) / float(count)
        travelled = np.concatenate(([0.0], np.cumsum(np.hypot(*np.diff(formula(grid), axis=0).T))))
        ends = np.interp(ends * travelled[-1], travelled, grid)
    return _as_rows(formula(ends))


def cross(size: float = 1.0, *, rotation: float = 0.0, beats: object = 4, traversal: str = "constant") -> Shape:
    """A plus sign: from the centre out to each arm's end and back, right, up, left, down.

    Parameters
    ----------
    size : float, default 1.0
        Length of each arm, in (0, 1].
    rotation : float, default 0.0
        Degrees counter-clockwise (45 gives an x).
    beats, traversal
        All eight strokes are equal, so both traversals agree.
    """
    arm = _real("size", size, 0.0, 1.0, open_low=True)
    turn = _real("rotation", rotation)
    period = _period(beats)
    mode = _choice("traversal", traversal, TRAVERSALS)
    ends = _polar(arm, turn + 90.0 * np.arange(4, dtype=np.float64))
    vertices = np.zeros((8, 2))
    vertices[1::2] = ends
    return Shape("cross", dict(size=arm, rotation=turn, beats=beats, traversal=mode),
                 _closed_polyline(vertices, period, mode), f"Cross of arms {_fmt(arm)}, rotated {_fmt(turn)}°")


def zigzag(teeth: int = 4, *, height: float = 1.0, beats: object = 4, traversal: str = "constant") -> Shape:
    """A zigzag from left to right and back along the same line.

    Parameters
    ----------
    teeth : int, default 4
        Straight strokes from one side to the other, 1 to 1,024; the corners alternate
        between y = −height and y = +height.
    height : float, default 1.0
        In (0, 1].
    beats, traversal
        All strokes are equal, so both traversals agree.
    """
    count = _count("teeth", teeth, 1)
    h = _real("height", height, 0.0, 1.0, open_low=True)
    period = _period(beats)
    mode = _choice("traversal", traversal, TRAVERSALS)
    forward = np.stack([np.linspace(-1.0, 1.0, count + 1), np.where(np.arange(count + 1) % 2 == 0, -h, h)], axis=-1)
    vertices = np.concatenate([forward, forward[-2:0:-1]])
    return Shape("zigzag", dict(teeth=count, height=h, beats=beats, traversal=mode),
                 _closed_polyline(vertices, period, mode), f"Zigzag of {count} teeth, height {_fmt(h)}")


def line(angle: float = 0.0, *, length: float = 1.0, beats: object = 2, traversal: str = "constant") -> Shape:
    """Back and forth along a straight line through the centre.

    Parameters
    ----------
    angle : float, default 0.0
        Degrees counter-clockwise from the x axis (90 is vertical).
    length : float, default 1.0
        Half the line's length, in (0, 1]: it runs from −length to +length.
    beats, traversal
        The loop starts at the far end against the angle and turns at the other end
        half-way; both traversals agree.
    """
    direction = _real("angle", angle)
    half = _real("length", length, 0.0, 1.0, open_low=True)
    period = _period(beats)
    mode = _choice("traversal", traversal, TRAVERSALS)
    end = _polar(half, np.array([direction]))[0]
    return Shape("line", dict(angle=direction, length=half, beats=beats, traversal=mode),
                 _closed_polyline(np.stack([-end, end]), period, mode), f"Line at {_fmt(direction)}°, half-length {_fmt(half)}")


# --- waveforms ----------------------------------------------------------------------------


def _wave(name: str, parameters: dict[str, Any], x: FloatArray, description: str) -> Shape:
    rows = np.zeros((x.shape[0], 3), dtype=np.float64)
    rows[:, 0] = x
    return Shape(name, parameters, rows, description)


def sine(beats: object = 1) -> Shape:
    """A sine on x: 0 at pip 0, +1 a quarter of the way, −1 three quarters."""
    period = _period(beats)
    return _wave("sine", dict(beats=beats), np.sin(2.0 * math.pi * _phases(period)), "Sine LFO on x")


def triangle(beats: object = 1) -> Shape:
    """A triangle on x with straight ramps.

    0 at pip 0, +1 a quarter of the way, −1 at three quarters (the sine's turning points).
    """
    period = _period(beats)
    u = _phases(period)
    x = np.where(u < 0.25, 4.0 * u, np.where(u < 0.75, 2.0 - 4.0 * u, 4.0 * u - 4.0))
    return _wave("triangle", dict(beats=beats), x, "Triangle LFO on x")


def saw(direction: str = "up", *, beats: object = 1) -> Shape:
    """A sawtooth on x: a straight ramp and one sharp drop per period.

    Up runs from −1 at pip 0 towards +1 and drops between the loop's last pip and its
    first; down is the same mirrored.
    """
    way = _choice("direction", direction, SAW_DIRECTIONS)
    period = _period(beats)
    ramp = -1.0 + 2.0 * _phases(period)
    return _wave("saw", dict(direction=way, beats=beats), ramp if way == "up" else -ramp, f"Sawtooth LFO {way} on x")


def square(pulse_width: float = 0.5, *, beats: object = 1) -> Shape:
    """A square (pulse) wave on x with sharp edges and a pulse width.

    +1 for the first `pulse_width` of the loop, −1 after.

    Parameters
    ----------
    pulse_width : float, default 0.5
        The share of the loop at +1, in (0, 1); rounded to whole pips, and both parts
        must last at least one pip (0.25 is a 25 % pulse).
    """
    width = _real("pulse_width", pulse_width, 0.0, 1.0, open_low=True)
    period = _period(beats)
    high = round(width * period)
    if not 1 <= high <= period - 1:
        raise ValueError(f"pulse_width must leave both parts at least one pip of the {period}-pip loop, got {pulse_width!r}")
    x = np.where(np.arange(period) < high, 1.0, -1.0)
    return _wave("square", dict(pulse_width=width, beats=beats), x, f"Square LFO on x, pulse width {_fmt(width)}")


def _random_values(seed: int, count: int) -> FloatArray:
    """`count` values in [-1, 1) from SplitMix64 of the seed: the same bits everywhere."""
    mask = 2**64 - 1
    state = seed
    values = np.empty(count, dtype=np.float64)
    for k in range(count):
        state = (state + 0x9E3779B97F4A7C15) & mask
        z = state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & mask
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & mask
        z ^= z >> 31
        values[k] = (z >> 11) / 2.0**52 - 1.0  # 53 bits: exact in a double
    return values


def _steps(steps: object, period: int) -> tuple[int, npt.NDArray[np.int64]]:
    count = _count("steps", steps, 1)
    if count > period:
        raise ValueError(f"steps must be at most the loop's {period} pips, got {steps!r}")
    starts = (np.arange(count + 1, dtype=np.int64) * period) // count
    return count, starts


def sample_and_hold(steps: int = 8, *, seed: int = 0, beats: object = 4) -> Shape:
    """Random values on x, each held for one step: `steps` steps per loop.

    Step k starts at pip floor(k · period / steps). The values come from the seed alone
    (SplitMix64), so a seed plays the same on every machine.
    """
    period = _period(beats)
    count, starts = _steps(steps, period)
    key = _seed(seed)
    x = np.repeat(_random_values(key, count), np.diff(starts))
    return _wave("sample_and_hold", dict(steps=count, seed=key, beats=beats), x,
                 f"Sample-and-hold random on x, {count} steps, seed {key}")


def smooth_random(steps: int = 8, *, seed: int = 0, beats: object = 4) -> Shape:
    """Smooth random motion on x, from a seed: the same values as sample-and-hold, joined.

    The values of `sample_and_hold` with the same steps and seed are joined by
    smootherstep ramps from each step's start to the next (zero speed and acceleration at
    each value); the last step returns to the first value.
    """
    period = _period(beats)
    count, starts = _steps(steps, period)
    key = _seed(seed)
    values = _random_values(key, count)
    pips = np.arange(period, dtype=np.int64)
    step = np.searchsorted(starts, pips, side="right") - 1
    t = (pips - starts[step]) / np.diff(starts)[step].astype(np.float64)
    ramp = t * t * t * (t * (t * 6.0 - 15.0) + 10.0)
    now, following = values[step], values[(step + 1) % count]
    x = np.clip(now + (following - now) * ramp, -1.0, 1.0)
    return _wave("smooth_random", dict(steps=count, seed=key, beats=beats), x,
                 f"Smooth random on x, {count} steps, seed {key}")


def ease(curve: str = "cubic-in-out", *, beats: object = 2) -> Shape:
    """An easing curve (quad ... bounce; in, out, in-out) as a one-axis loop on x.

    Outward from −1 to +1 over the first half, and back by the same curve mirrored in
    time over the second.

    Parameters
    ----------
    curve : str, default "cubic-in-out"
        Any name `velmora_kit.easing.parse_easing` reads: "linear" or "<kind>-<mode>",
        kind in quad, cubic, quart, quint, sine, expo, circ, back, elastic, bounce, mode
        in, out, in-out ("easeOutBounce" works too).
    beats : default 2
        An even number of pips.

    Notes
    -----
    x = −1 + 2·(e − low) / (high − low), where e is the curve's value and low and high
    its extremes over the loop's pips (0 and 1 for curves that do not overshoot). Curves
    that overshoot (back, elastic) are thus normalised into [−1, 1], keeping their
    shape, rather than clipped, which would flatten the overshoot that makes them.
    """
    name = parse_easing(curve)
    period = _period(beats)
    if period % 2:
        raise ValueError(f"beats must give an even number of pips for an outward-and-return loop, got {beats!r}")
    half = period // 2
    pips = np.arange(period, dtype=np.int64)
    t = np.minimum(pips, period - pips) / float(half)
    e = easing(name)(t)
    low, high = min(0.0, float(e.min())), max(1.0, float(e.max()))
    x = np.clip(-1.0 + 2.0 * (e - low) / (high - low), -1.0, 1.0)
    return _wave("ease", dict(curve=name, beats=beats), x, f"Easing {name}, outward and return on x")


GENERATORS: Mapping[str, Callable[..., Shape]] = types.MappingProxyType({
    function.__name__: function
    for function in (polygon, star, ellipse, lissajous, spiral, cross, zigzag, line,
                     sine, triangle, saw, square, sample_and_hold, smooth_random, ease)
})

