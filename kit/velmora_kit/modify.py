"""Patterns transformed in time and value, sequences of patterns, and fans of copies.

Everything here is a pure function of the pip, like the patterns themselves: a `Layer` or
a `Sequence` answers any pip (seeking, replays, negative pips) with exactly the same
position every time, and both are motion sources, so `render` takes them wherever it
takes a pattern.

Time in a `Layer` is exact. The pip p of the layer reads its source at the position

    source position = swing_warp(p + phase) × rate

computed in rational arithmetic on integers: `rate` is a fraction a/b, the swing warp is
piecewise linear with rational breakpoints, and the result is split into its integer
floor and its exact remainder before any float is made. Floats appear only for the
fractional part handed to the interpolation, so no drift builds up anywhere in the
signed 32-bit pip range. The phase comes first, so a layer with a phase is the same motion
shifted in time, swing grid included: ``Layer(x, phase=f, ...)`` at p equals
``Layer(x, ...)`` at p + f.
"""

from __future__ import annotations

import math
import numbers
from collections.abc import Callable, Iterator
from collections.abc import Sequence as SequenceABC
from fractions import Fraction
from typing import Any, Union

import numpy as np
import numpy.typing as npt

import velmora
from velmora_kit._checks import Frozen
from velmora_kit.easing import easing, parse_easing
from velmora_kit.render import (
    INTERPOLATIONS,
    PIP_MAX,
    PIP_MIN,
    MotionSource,
    PatternLike,
    _as_array,
    _gather_step,
    _integer_pips,
    check_pips,
    describe_recording,
    period_of,
    render,
    table,
)
from velmora_kit.tempo import PIPS_PER_BEAT

try:  # the float warp in one native pass per pip, built with the package; numpy does it without
    from velmora_kit import _warp  # type: ignore[attr-defined]
except ImportError:  # pragma: no cover - only when running from the source tree
    _warp = None

__all__ = ["Layer", "Sequence", "fan", "parse_rate"]

FloatArray = npt.NDArray[np.float64]
IntArray = npt.NDArray[np.int64]
Axes = Union[float, SequenceABC[float]]

# Integer work stays in int64 while every intermediate is below this; beyond it (absurd
# rates or swing amounts with huge denominators) the same formulas run on Python ints.
_INT64_SAFE = 2**62
# Remainders are turned into fractions by one float division; it is correctly rounded
# while the denominator is exactly representable.
_FLOAT_EXACT = 2**53
# Swing given as a float is read as the nearest fraction with at most this denominator
# (0.66 is 33/50 and 2/3 as a float is 2/3), which keeps the warp's integers small.
_SWING_DENOMINATOR = 2**16
_MAX_SWING_GRID = 2**16
_MAX_SEQUENCE_PIPS = 2**40


# --- argument checks ----------------------------------------------------------------------


def parse_rate(rate: object, name: str = "rate") -> Fraction:
    """A playback rate as an exact positive fraction.

    Parameters
    ----------
    rate : int, fractions.Fraction, str or float
        ``2``, ``Fraction(3, 2)``, ``"1/2"``, ``"3/2"`` (triplet), ``"2/3"`` (dotted),
        ``"1.5"``. A float is read as the decimal it prints as (1.5 is 3/2, 0.1 is 1/10).
    name : str
        The argument's name for error messages.

    Returns
    -------
    fractions.Fraction
        In lowest terms, greater than zero.

    Raises
    ------
    ValueError
        A rate that is zero, negative, not finite or not a number.
    TypeError
        A value of another kind.

    Example
    -------
    >>> parse_rate("3/2")
    Fraction(3, 2)
    """
    value: Fraction
    if isinstance(rate, (bool, np.bool_)):
        raise TypeError(f"{name} must be a positive rational (int, Fraction or a string like '3/2'), got {rate!r}")
    if isinstance(rate, (int, np.integer)):
        value = Fraction(int(rate))
    elif isinstance(rate, Fraction):
        value = rate
    elif isinstance(rate, (float, np.floating)):
        if not math.isfinite(float(rate)):
            raise ValueError(f"{name} must be a positive rational, got {rate!r}")
        value = Fraction(repr(float(rate)))
    elif isinstance(rate, str):
        try:
            value = Fraction(rate.strip())
        except (ValueError, ZeroDivisionError):
            raise ValueError(f"{name} must be a positive rational such as 2, 1/2 or 3/2, got {rate!r}") from None
    elif isinstance(rate, numbers.Rational):
        value = Fraction(int(rate.numerator), int(rate.denominator))
    else:
        raise TypeError(f"{name} must be a positive rational (int, Fraction or a string like '3/2'), got {rate!r}")
    if value <= 0:
        raise ValueError(f"{name} must be positive, got {rate!r}")
    return value


def _parse_swing(swing: object) -> Fraction | None:
    """The swing amount as a fraction in [1/2, 3/4], or None for straight time."""
    if isinstance(swing, (bool, np.bool_)):
        raise TypeError(f"swing must be a number in [0.5, 0.75] (or 0 for off), got {swing!r}")
    value: Fraction
    if isinstance(swing, Fraction):
        value = swing
    elif isinstance(swing, (int, np.integer)):
        value = Fraction(int(swing))
    elif isinstance(swing, (float, np.floating)):
        if not math.isfinite(float(swing)):
            raise ValueError(f"swing must be 0 (off) or within [0.5, 0.75], got {swing!r}")
        value = Fraction(float(swing)).limit_denominator(_SWING_DENOMINATOR)
    elif isinstance(swing, str):
        try:
            value = Fraction(swing.strip())
        except (ValueError, ZeroDivisionError):
            raise ValueError(f"swing must be 0 (off) or within [0.5, 0.75], got {swing!r}") from None
    else:
        raise TypeError(f"swing must be a number in [0.5, 0.75] (or 0 for off), got {swing!r}")
    if value == 0 or value == Fraction(1, 2):
        return None
    if not Fraction(1, 2) <= value <= Fraction(3, 4):
        raise ValueError(f"swing must be 0 (off) or within [0.5, 0.75], got {swing!r}")
    return value


def _check_int(name: str, value: object) -> int:
    if isinstance(value, (bool, np.bool_)) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"{name} must be an integer, got {value!r}")
    return int(value)


def _axes(name: str, value: object) -> tuple[float, float, float]:
    """A number for every axis, or a 3-sequence; finite."""
    if isinstance(value, (bool, np.bool_)):
        raise TypeError(f"{name} must be a number or a sequence of three numbers, got {value!r}")
    if isinstance(value, (numbers.Real, np.number)):
        values = [value, value, value]
    elif isinstance(value, (str, bytes)):
        raise TypeError(f"{name} must be a number or a sequence of three numbers, got {value!r}")
    else:
        try:
            values = list(value)  # type: ignore[call-overload]
        except TypeError:
            raise TypeError(f"{name} must be a number or a sequence of three numbers, got {value!r}") from None
        if len(values) != 3:
            raise ValueError(f"{name} must have one value per axis (three), got {value!r}")
    result = []
    for item in values:
        if isinstance(item, (bool, np.bool_)) or not isinstance(item, (numbers.Real, np.number)):
            raise TypeError(f"{name} must be a number or a sequence of three numbers, got {value!r}")
        number = float(item)
        if not math.isfinite(number):
            raise ValueError(f"{name} must be finite, got {value!r}")
        result.append(number)
    return (result[0], result[1], result[2])


def _beats_to_pips(name: str, beats: object, *, allow_zero: bool) -> int:
    """A length in beats as a whole number of pips."""
    if isinstance(beats, (bool, np.bool_)) or not isinstance(beats, (numbers.Real, np.number, str)):
        raise TypeError(f"{name} must be a number of beats, got {beats!r}")
    try:
        if isinstance(beats, (float, np.floating)):
            if not math.isfinite(float(beats)):
                raise ValueError
            exact = Fraction(float(beats))
        else:
            exact = Fraction(beats.strip() if isinstance(beats, str) else beats)  # type: ignore[arg-type]
    except (ValueError, TypeError, ZeroDivisionError):
        raise ValueError(f"{name} must be a finite number of beats, got {beats!r}") from None
    if exact < 0 or (exact == 0 and not allow_zero):
        raise ValueError(f"{name} must {'not be negative' if allow_zero else 'be positive'}, got {beats!r}")
    pips = exact * PIPS_PER_BEAT
    if pips.denominator != 1:
        raise ValueError(f"{name} must be a whole number of pips (a multiple of 1/64 beat), got {beats!r}")
    return int(pips)


def _source_period(source: object, library: velmora.PatternLibrary | None) -> int | None:
    """The loop length of a source in pips, or None when it has none (it never repeats)."""
    if isinstance(source, (str, velmora.SampledPattern)):
        return period_of(source, library=library)
    period = getattr(source, "period_pips", None)
    if isinstance(period, (int, np.integer)) and not isinstance(period, bool) and period > 0:
        return int(period)
    return None


def _check_source(source: object, library: velmora.PatternLibrary | None, name: str) -> None:
    """Refuses what cannot be a motion's source, with render's own messages for bad names."""
    if isinstance(source, velmora.SampledRecording):
        raise TypeError(
            f"{name} must be a pattern (name, velmora.SampledPattern or motion source), got {describe_recording(source)}; "
            "RecordingMotion(recording) makes it one"
        )
    if isinstance(source, (str, velmora.SampledPattern)):
        period_of(source, library=library)  # unknown names: the module's own ValueError
        return
    if not isinstance(source, MotionSource):
        raise TypeError(
            f"{name} must be a pattern name (str), a velmora.SampledPattern or a motion source, got {type(source).__name__}"
        )


def _source_name(source: object) -> str:
    if isinstance(source, str):
        return source
    name = getattr(source, "name", None)
    return name if isinstance(name, str) and name else type(source).__name__


def _as_object_ints(values: npt.NDArray[Any]) -> npt.NDArray[Any]:
    return np.array([int(v) for v in values.reshape(-1)], dtype=object).reshape(values.shape)


class _LoopTables:
    """One loop of a periodic source, computed once and then gathered like a pattern's table.

    A layer or a sequence with period L gives the same value at p and p + L, so once a whole
    loop is known every integer pip is one row of it: the same bits as computing the pip
    directly, for the cost of a gather. A loop is tabled only when it is short (at most
    2**18 rows, 6 MiB) and, on the first call, when it is no longer than the number of pips
    asked for or 4,096 rows, so that one small render of a long loop stays cheap. Tables
    live as long as their layer or sequence; building one twice in two threads is harmless.
    """

    LIMIT = 2**18
    EAGER = 4096

    def __init__(self) -> None:
        self.rows: dict[str, FloatArray] = {}
        # The native program of the owner's float warp: None until built, False when the
        # owner has none (a source it cannot describe, or numbers beyond its exact range).
        self.warp: tuple[Any, int] | bool | None = None

    def warped(self, build: Callable[[Any], int | None], floats: FloatArray,
               rest: Callable[[FloatArray], FloatArray]) -> FloatArray | None:
        """Positions at float pips through the owner's native program, or None without one.
        The pips the program leaves (whole pips reaching a layer, positions render refuses)
        are rendered by `rest`, the numpy code, which gives every other pip the same bits."""
        if self.warp is None:
            compiled: tuple[Any, int] | bool = False
            if _warp is not None:
                program = _warp.Program()
                try:
                    root = build(program)
                except ValueError:  # nested deeper than a native program goes
                    root = None
                if root is not None:
                    compiled = (program, root)
            self.warp = compiled
        if not isinstance(self.warp, tuple):
            return None
        program, root = self.warp
        flat = np.ascontiguousarray(floats, dtype=np.float64).reshape(-1)
        out = np.empty(flat.shape + (3,), dtype=np.float64)
        left = program.render(root, flat, out)
        if left.size:
            # Pips outside the 32-bit range are among these: refused here, the first named.
            _put_rows(out, left, rest(_checked(flat[left])))
        return out

    def render(self, period: int | None, pips: IntArray, interpolation: str,
               compute: Callable[[IntArray, str], FloatArray]) -> FloatArray | None:
        rows = self.rows.get(interpolation)
        if rows is None:
            if period is None or period > self.LIMIT or period > max(self.EAGER, pips.size):
                return None
            rows = np.ascontiguousarray(compute(np.arange(period, dtype=np.int64), interpolation), dtype=np.float64)
            rows.flags.writeable = False
            self.rows[interpolation] = rows
        return _gather_step(rows, np.ascontiguousarray(pips, dtype=np.int64))


# --- Layer --------------------------------------------------------------------------------


class Layer(Frozen):
    """A pattern transformed in time (phase, rate, swing) and in value (scale, offset).

    Parameters
    ----------
    pattern : str, velmora.SampledPattern or motion source
        A built-in name, a name held by `library`, a user pattern, or another `Layer` or
        `Sequence`.
    library : velmora.PatternLibrary, optional
        Where a name is looked up first.
    phase : int, default 0
        Pips added to the pip before anything else: ``phase=32`` is half a beat ahead.
    rate : int, Fraction or str, default 1
        Playback rate, an exact positive fraction (``"2"``, ``"1/2"``, ``"3/2"`` triplet,
        ``"2/3"`` dotted; see `parse_rate`). The source is read at pip × rate, exactly; a
        fractional position is sampled with the render's interpolation (``"step"`` takes the
        floor, ``"linear"`` interpolates).
    swing : float, Fraction or str, default 0.0
        MPC-style swing in [0.5, 0.75]; 0 (off) and 0.5 are straight time. Within each pair
        of `swing_grid`-pip steps the first step is stretched to `swing` of the pair and the
        second squeezed, by a piecewise-linear warp; the ends of each pair stay fixed. A
        float is read as the nearest fraction with a denominator up to 65,536 (0.66 is
        33/50); Fractions and strings such as ``"2/3"`` are exact.
    swing_grid : int, default 32
        The step of the swing in pips (32 is an eighth note, 16 a sixteenth).
    scale, offset : float or 3 floats, default 1.0 and 0.0
        Applied after sampling, per axis: ``value × scale + offset``. Results outside
        [-1, 1] are clipped to it, so every output is a valid position.

    Raises
    ------
    ValueError
        A rate that is not positive, swing outside its range, a swing grid that is not
        positive, a scale or offset that is not finite, an unknown pattern name.
    TypeError
        Arguments of the wrong kind.

    Notes
    -----
    With rate a/b in lowest terms and a source of period P, a layer repeats after
    P·b / gcd(a, P·b) pips; with swing, after the least common multiple of that and
    2·swing_grid (`period_pips`). ``Layer(x)`` with every default renders bit for bit as
    `x` does.

    Example
    -------
    >>> from velmora_kit import render
    >>> triplet = Layer("bounce", rate="3/2", swing=0.6, scale=0.5)
    >>> render(triplet, [0, 64, 128]).shape
    (3, 3)
    """

    __slots__ = (
        "_source", "_library", "_phase", "_rate", "_swing", "_grid", "_scale", "_offset",
        "_source_period", "_period", "_identity", "_values_identity", "_tables",
    )
    # render hands float pips over unchecked: the native pass finds a bad one in its own pass.
    checks_float_pips = True
    _source: PatternLike
    _library: velmora.PatternLibrary | None
    _phase: int
    _rate: Fraction
    _swing: Fraction | None
    _grid: int
    _scale: tuple[float, float, float]
    _offset: tuple[float, float, float]
    _source_period: int | None
    _period: int | None
    _identity: bool
    _values_identity: bool
    _tables: _LoopTables

    def __init__(
        self,
        pattern: PatternLike,
        *,
        library: velmora.PatternLibrary | None = None,
        phase: int = 0,
        rate: int | Fraction | str = 1,
        swing: float | Fraction | str = 0.0,
        swing_grid: int = 32,
        scale: Axes = 1.0,
        offset: Axes = 0.0,
    ) -> None:
        if library is not None and not isinstance(library, velmora.PatternLibrary):
            raise TypeError(f"library must be a velmora.PatternLibrary or None, got {type(library).__name__}")
        _check_source(pattern, library, "pattern")
        phase_value = _check_int("phase", phase)
        rate_value = parse_rate(rate)
        swing_value = _parse_swing(swing)
        grid = _check_int("swing_grid", swing_grid)
        if not 1 <= grid <= _MAX_SWING_GRID:
            raise ValueError(f"swing_grid must be a positive number of pips up to {_MAX_SWING_GRID}, got {swing_grid!r}")
        scale_value = _axes("scale", scale)
        offset_value = _axes("offset", offset)

        source_period = _source_period(pattern, library)
        period: int | None = None
        if source_period is not None:
            a, b = rate_value.numerator, rate_value.denominator
            period = source_period * b // math.gcd(a, source_period * b)
            if swing_value is not None:
                period = math.lcm(period, 2 * grid)
        elif not -_INT64_SAFE < phase_value < _INT64_SAFE:
            # A source that never loops cannot wrap the phase away.
            raise ValueError(f"phase must lie within ±2**62 for a source that does not loop, got {phase!r}")
        values_identity = scale_value == (1.0, 1.0, 1.0) and offset_value == (0.0, 0.0, 0.0)
        set_ = object.__setattr__
        set_(self, "_source", pattern)
        set_(self, "_library", library)
        set_(self, "_phase", phase_value if period is None else phase_value % period)
        set_(self, "_rate", rate_value)
        set_(self, "_swing", swing_value)
        set_(self, "_grid", grid)
        set_(self, "_scale", scale_value)
        set_(self, "_offset", offset_value)
        set_(self, "_source_period", source_period)
        set_(self, "_period", period)
        set_(self, "_values_identity", values_identity)
        set_(self, "_identity", values_identity and phase_value == 0 and rate_value == 1 and swing_value is None)
        set_(self, "_tables", _LoopTables())


    def __reduce__(self) -> tuple[Any, ...]:
        arguments = dict(library=self._library, phase=self._phase, rate=self._rate, swing=self._swing or 0,
                         swing_grid=self._grid, scale=self._scale, offset=self._offset)
        return (_rebuild_layer, (self._source, arguments))

    # Read-only views of what the layer was built with.
    @property
    def source(self) -> PatternLike:
        return self._source

    @property
    def name(self) -> str:
        """The source's name (a name, a user pattern's name, or the inner layer's)."""
        return _source_name(self._source)

    @property
    def phase(self) -> int:
        """The phase in pips, reduced modulo `period_pips` when there is one."""
        return self._phase

    @property
    def rate(self) -> Fraction:
        return self._rate

    @property
    def swing(self) -> Fraction | None:
        """The swing amount as an exact fraction, or None for straight time."""
        return self._swing

    @property
    def swing_grid(self) -> int:
        return self._grid

    @property
    def scale(self) -> tuple[float, float, float]:
        return self._scale

    @property
    def offset(self) -> tuple[float, float, float]:
        return self._offset

    @property
    def period_pips(self) -> int | None:
        """The loop length in pips, or None when the source does not loop."""
        return self._period

    def __repr__(self) -> str:
        parts = [repr(self._source) if isinstance(self._source, (str, Layer, Sequence)) else _source_name(self._source)]
        if self._phase:
            parts.append(f"phase={self._phase}")
        if self._rate != 1:
            parts.append(f"rate='{self._rate}'")
        if self._swing is not None:
            parts.append(f"swing='{self._swing}', swing_grid={self._grid}")
        if self._scale != (1.0, 1.0, 1.0):
            parts.append(f"scale={self._scale}")
        if self._offset != (0.0, 0.0, 0.0):
            parts.append(f"offset={self._offset}")
        return f"Layer({', '.join(parts)})"

    # --- rendering ---

    def render_pips(self, pips: npt.NDArray[Any], interpolation: str) -> FloatArray:
        """Positions at checked pips (int64 for "step", float64 for "linear"); use `render`."""
        if self._identity:
            return render(self._source, pips, library=self._library, interpolation=interpolation)
        flat = np.asarray(pips).reshape(-1)
        if interpolation == "step":
            values = self._integer_values(flat.astype(np.int64, copy=False), interpolation)
        else:
            # Integral pips take the exact path (and the loop table); the rest go through
            # float arithmetic on pips already reduced into one period.
            floats = flat.astype(np.float64, copy=False)
            if _all_whole(floats):
                values = self._integer_values(np.floor(_checked(floats)).astype(np.int64), "linear")
            else:
                warped = self._tables.warped(self._build_warp, floats, self._numpy_mixed_values)
                values = warped if warped is not None else self._numpy_mixed_values(_checked(floats))
        return values.reshape(np.shape(pips) + (3,))

    def _numpy_mixed_values(self, floats: FloatArray) -> FloatArray:
        return _in_blocks(self._mixed_values, floats, "linear")

    def _build_warp(self, program: Any) -> int | None:
        """This layer as a node of a native warp program (see `_build_warp`), or None."""
        if self._identity:
            return _build_warp(program, self._source, self._library)
        period, source_period = self._period, self._source_period
        if period is None or source_period is None or max(period, source_period) > _WARP_POSITIONS:
            return None
        a, b = self._rate.numerator, self._rate.denominator
        if period * a > _WARP_POSITIONS * b:
            return None  # positions that could leave the exact range of the float remainder
        child = _build_warp(program, self._source, self._library)
        if child is None:
            return None
        swing = None
        if self._swing is not None:
            # The constants of _float_positions, computed as it computes them.
            grid, amount = float(self._grid), float(self._swing)
            swing = (2.0 * grid, 2.0 * grid * amount, 2.0 * amount, 2.0 * (1.0 - amount), grid)
        values = (None, None) if self._values_identity else (self._scale, self._offset)
        return int(program.layer(child, float(period), float(self._phase), swing, float(a), float(b),
                                 float(source_period), *values))

    def _mixed_values(self, floats: FloatArray, interpolation: str) -> FloatArray:
        whole = np.floor(floats)
        integral = whole == floats
        if not integral.any():
            return self._finish(render(self._source, self._float_positions(floats), library=self._library,
                                       interpolation=interpolation))
        values = np.empty(floats.shape + (3,), dtype=np.float64)
        if integral.any():
            values[integral] = self._integer_values(whole[integral].astype(np.int64), interpolation)
        rest = ~integral
        positions = self._float_positions(floats[rest])
        values[rest] = self._finish(render(self._source, positions, library=self._library, interpolation=interpolation))
        return values

    def _integer_values(self, pips: IntArray, interpolation: str) -> FloatArray:
        tabled = self._tables.render(self._period, pips, interpolation, self._compute)
        return tabled if tabled is not None else self._compute(pips, interpolation)

    def _compute(self, pips: IntArray, interpolation: str) -> FloatArray:
        return _in_blocks(self._compute_block, pips, interpolation)

    def _compute_block(self, pips: IntArray, interpolation: str) -> FloatArray:
        return self._finish(self._sample_exact(pips, interpolation))

    def _finish(self, values: FloatArray) -> FloatArray:
        """Scale and offset per axis, clipped to [-1, 1] so every output is a valid position."""
        if self._values_identity:
            return values
        result: FloatArray = np.clip(values * np.asarray(self._scale) + np.asarray(self._offset), -1.0, 1.0)
        return result

    def _sample_exact(self, pips: IntArray, interpolation: str) -> FloatArray:
        floor, numerator, denominator = self._exact_positions(pips)
        if interpolation == "step" or denominator == 1:
            return render(self._source, floor, library=self._library, interpolation=interpolation)
        fraction = self._fraction(numerator, denominator)
        positions = floor.astype(np.float64) + fraction
        return render(self._source, positions, library=self._library, interpolation="linear")

    @staticmethod
    def _fraction(numerator: npt.NDArray[Any], denominator: int) -> FloatArray:
        if numerator.dtype == object:
            return np.array([n / denominator for n in numerator], dtype=np.float64)
        return numerator.astype(np.float64) / float(denominator)

    def _exact_positions(self, pips: IntArray) -> tuple[IntArray, npt.NDArray[Any], int]:
        """Source positions floor(N / D) (reduced into the source's loop when it has one)
        and the remainders N mod D, for N / D = swing_warp(pip + phase) × rate exactly."""
        a, b = self._rate.numerator, self._rate.denominator
        grid2 = 2 * self._grid
        if self._swing is not None:
            u, v = self._swing.numerator, self._swing.denominator
            # Pair position tau in [0, 2g); boundary where the first step ends: 2g·u/v.
            # Both halves of the warp over the common denominator E = 2u(v − u).
            common = 2 * u * (v - u)
        else:
            u = v = 1
            common = 1
        denominator = common * b
        period = self._period
        lo = int(pips.min()) if pips.size else 0
        hi = int(pips.max()) if pips.size else 0
        if period is not None and period < _INT64_SAFE:
            reach = period  # times are reduced into [0, period) first
        else:
            reach = max(abs(lo), abs(hi)) + abs(self._phase)
        # The largest intermediate is the numerator, about (time + 2g)·E·a; the warp's own
        # products (tau·v·(v − u) and the like) stay below 2g·v², far smaller.
        bound = (reach + grid2) * common * a
        # Loops of 2**62 pips and more (tiny rates, deep nests of layers) are reduced with
        # Python ints: numpy cannot hold the period itself.
        long_loops = any(loop is not None and loop >= _INT64_SAFE for loop in (period, self._source_period))
        use_int64 = bound < _INT64_SAFE and denominator < _FLOAT_EXACT and not long_loops
        times: npt.NDArray[Any]
        if use_int64:
            times = pips.astype(np.int64) + self._phase
            if period is not None:
                times = np.mod(times, period)
        else:
            times = _as_object_ints(pips) + self._phase
            if period is not None:
                times = times % period
        if self._swing is not None:
            pair = times // grid2
            tau = times - pair * grid2
            first = tau * v < grid2 * u
            warped_tau = np.where(first, tau * (v * (v - u)), self._grid * common + (tau * v - grid2 * u) * u)
            numerator = (pair * (grid2 * common) + warped_tau) * a
        else:
            numerator = times * a
        floor = numerator // denominator
        remainder = numerator - floor * denominator
        if self._source_period is not None:
            floor = floor % self._source_period
            if self._source_period > PIP_MAX + 1:
                # A loop longer than the pips render takes: a position past PIP_MAX is read
                # one loop earlier, where the source gives the same value.
                beyond = floor > PIP_MAX
                if beyond.any():
                    floor = np.where(beyond, floor - self._source_period, floor)
        if floor.dtype == object:
            outside = [f for f in floor if not -_INT64_SAFE < f < _INT64_SAFE]
            if outside:  # only for a source that does not loop, which reads these pips as they are
                raise ValueError(f"source position {outside[0]} lies outside the signed 32-bit pip range")
            floor = np.array([int(f) for f in floor], dtype=np.int64) if floor.size else floor.astype(np.int64)
        return floor.astype(np.int64, copy=False), remainder, denominator

    def _float_positions(self, pips: FloatArray) -> FloatArray:
        """The same warp in float arithmetic, for fractional pips; times are reduced into
        one period first so that the floats keep their precision."""
        period = self._period
        if period is None:
            times = pips + float(self._phase)
        else:
            times = _float_mod(pips, period)
            times += float(self._phase)  # in [0, 2·period): one period off at most
            times = _wrap_once(times, period) if period <= _FLOAT_INTEGERS else _float_mod(times, period)
        if self._swing is not None:
            grid = float(self._grid)
            swing = float(self._swing)
            pair = np.floor(times / (2.0 * grid))
            tau = times - pair * (2.0 * grid)
            boundary = 2.0 * grid * swing
            # np.where(tau < boundary, early, late) as arithmetic: where's data-dependent
            # branches cost more than the rest of the warp. Exact: early and late are never
            # -0.0, so adding the other side's 0.0 changes nothing.
            early = tau / (2.0 * swing)
            late = grid + (tau - boundary) / (2.0 * (1.0 - swing))
            first = np.less(tau, boundary).astype(np.float64)
            early *= first
            first -= 1.0  # -1.0 where late applies, else 0.0
            late *= first
            warped = early - late
            times = pair * (2.0 * grid) + warped
        positions = times * float(self._rate.numerator) / float(self._rate.denominator)
        if self._source_period is not None:
            loop = float(self._source_period)
            positions = _float_mod(positions, self._source_period)
            positions[positions >= loop] = 0.0
        result: FloatArray = positions
        return result


# --- Sequence -----------------------------------------------------------------------------


class Sequence(Frozen):
    """Sources played one after another, looping, with optional crossfades.

    Parameters
    ----------
    steps : sequence of (source, beats)
        Each source (a name, a `velmora.SampledPattern`, a `Layer`, another `Sequence`)
        plays for its beats, from its own pip 0 at the start of its step. Beats may be
        fractional as long as they are whole pips (multiples of 1/64).
    crossfade_beats : float, default 0
        Over the last `crossfade_beats` of each step the output moves from that step's
        source to the next one's (the last step fades into the first). The next source is
        read at its own time then, negative pips just before its step, so the fade ends
        exactly where the next step begins.
    crossfade_curve : str, default "linear"
        How the weight of the next source grows over the fade: "linear", or an easing
        curve such as "sine-in-out" or "cubic-in-out" (any name
        `velmora_kit.easing.parse_easing` reads). Back and elastic curves overshoot: the
        blend then passes beyond the two positions for a moment (clipped to [-1, 1]).
    library : velmora.PatternLibrary, optional
        Where names among the sources are looked up first.

    Notes
    -----
    The crossfade is linear by default (the two weights sum to one), not equal-power: these are
    positions, not sound powers, so a linear blend keeps the output between the two
    sources (always a valid position) and leaves it unchanged where they agree, while an
    equal-power blend would bulge by up to √2 half-way. A sequence is a pure function of
    the pip with period `period_pips`, the total length of its steps.

    Raises
    ------
    ValueError
        No steps, a step of zero or negative beats, a crossfade longer than a step.
    TypeError
        Steps that are not (source, beats) pairs, sources of the wrong kind.

    Example
    -------
    >>> from velmora_kit import render
    >>> intro = Sequence([("bounce", 4), (Layer("sway", rate=2), 4)], crossfade_beats=1)
    >>> intro.period_pips
    512
    """

    __slots__ = ("_steps", "_lengths", "_ends", "_crossfade", "_curve", "_library", "_tables")
    checks_float_pips = True  # as Layer's
    _tables: _LoopTables
    _steps: tuple[tuple[PatternLike, int], ...]
    _lengths: tuple[int, ...]
    _ends: tuple[int, ...]
    _crossfade: int
    _curve: str
    _library: velmora.PatternLibrary | None

    def __init__(
        self,
        steps: SequenceABC[tuple[PatternLike, Any]],
        *,
        crossfade_beats: float | Fraction = 0,
        library: velmora.PatternLibrary | None = None,
        crossfade_curve: str = "linear",
    ) -> None:
        if library is not None and not isinstance(library, velmora.PatternLibrary):
            raise TypeError(f"library must be a velmora.PatternLibrary or None, got {type(library).__name__}")
        if isinstance(steps, (str, bytes)):
            raise TypeError(f"steps must be a list of (source, beats) pairs, got {type(steps).__name__}")
        try:
            items = list(steps)
        except TypeError:
            raise TypeError(f"steps must be a list of (source, beats) pairs, got {type(steps).__name__}") from None
        if not items:
            raise ValueError("steps must hold at least one (source, beats) pair, got none")
        sources: list[PatternLike] = []
        lengths: list[int] = []
        for index, item in enumerate(items):
            if isinstance(item, (str, bytes)) or not isinstance(item, (tuple, list)) or len(item) != 2:
                raise TypeError(f"steps[{index}] must be a (source, beats) pair, got {item!r}")
            source, beats = item
            _check_source(source, library, f"steps[{index}] source")
            sources.append(source)
            lengths.append(_beats_to_pips(f"steps[{index}] beats", beats, allow_zero=False))
        crossfade = _beats_to_pips("crossfade_beats", crossfade_beats, allow_zero=True)
        curve = parse_easing(crossfade_curve, "crossfade_curve")
        for index, length in enumerate(lengths):
            if crossfade > length:
                raise ValueError(
                    f"crossfade_beats {crossfade_beats!r} is longer than steps[{index}] ({length / PIPS_PER_BEAT:g} beats)"
                )
        ends = np.cumsum(np.asarray(lengths, dtype=object)).tolist()
        if ends[-1] > _MAX_SEQUENCE_PIPS:
            raise ValueError(f"steps total {ends[-1]} pips, more than {_MAX_SEQUENCE_PIPS}")
        set_ = object.__setattr__
        set_(self, "_steps", tuple(zip(sources, lengths)))
        set_(self, "_lengths", tuple(lengths))
        set_(self, "_ends", tuple(int(e) for e in ends))
        set_(self, "_crossfade", crossfade)
        set_(self, "_curve", curve)
        set_(self, "_library", library)
        set_(self, "_tables", _LoopTables())


    def __reduce__(self) -> tuple[Any, ...]:
        return (_rebuild_sequence, (self.steps, Fraction(self._crossfade, PIPS_PER_BEAT), self._library, self._curve))

    @property
    def steps(self) -> tuple[tuple[PatternLike, Fraction], ...]:
        """The (source, beats) pairs, beats as exact fractions."""
        return tuple((source, Fraction(length, PIPS_PER_BEAT)) for source, length in self._steps)

    @property
    def crossfade_pips(self) -> int:
        return self._crossfade

    @property
    def crossfade_curve(self) -> str:
        return self._curve

    @property
    def period_pips(self) -> int:
        """The total length of the steps in pips: the sequence repeats after it."""
        return self._ends[-1]

    @property
    def name(self) -> str:
        """The step sources' names joined by '+'."""
        return "+".join(_source_name(source) for source, _ in self._steps)

    def __repr__(self) -> str:
        steps = ", ".join(f"({source!r}, {Fraction(length, PIPS_PER_BEAT)})" for source, length in self._steps)
        fade = f", crossfade_beats={Fraction(self._crossfade, PIPS_PER_BEAT)}" if self._crossfade else ""
        fade += f", crossfade_curve={self._curve!r}" if self._curve != "linear" else ""
        return f"Sequence([{steps}]{fade})"

    def render_pips(self, pips: npt.NDArray[Any], interpolation: str) -> FloatArray:
        """Positions at checked pips (int64 for "step", float64 for "linear"); use `render`."""
        flat: npt.NDArray[Any] = np.asarray(pips).reshape(-1)
        values: FloatArray | None = None
        if interpolation == "step":
            values = self._tables.render(self._ends[-1], flat.astype(np.int64, copy=False), "step", self._compute)
        elif _all_whole(flat):
            flat = _checked(flat)
            values = self._tables.render(self._ends[-1], np.floor(flat).astype(np.int64), "linear", self._compute)
        if values is None and interpolation == "linear":
            values = self._tables.warped(self._build_warp, flat, self._numpy_values)
        if values is None:
            values = self._compute(_checked(flat) if interpolation == "linear" else flat, interpolation)
        return values.reshape(np.shape(pips) + (3,))

    def _numpy_values(self, floats: FloatArray) -> FloatArray:
        return self._compute(floats, "linear")

    def _build_warp(self, program: Any) -> int | None:
        """This sequence as a node of a native warp program, or None (eased crossfades and
        steps beyond the 32-bit pips stay with numpy)."""
        if self._curve != "linear" or self._ends[-1] > PIP_MAX:
            return None
        children = [_build_warp(program, source, self._library) for source, _ in self._steps]
        if any(child is None for child in children):
            return None
        return int(program.sequence(children, [float(end) for end in self._ends], float(self._crossfade)))

    def _compute(self, flat: npt.NDArray[Any], interpolation: str) -> FloatArray:
        # Each block renders every step it reaches once: blocks grow with the steps so that
        # those calls stay few beside the pips.
        return _in_blocks(self._compute_block, flat, interpolation, max(_BLOCK, _PIPS_PER_STEP * len(self._steps)))

    def _compute_block(self, flat: npt.NDArray[Any], interpolation: str) -> FloatArray:
        total = self._ends[-1]
        times: npt.NDArray[Any]
        if interpolation == "step":
            times = np.mod(flat.astype(np.int64, copy=False), total)
        else:
            times = _float_mod(flat.astype(np.float64, copy=False), total)
            times[times >= total] = 0.0
        index = _step_numbers(self._ends, times)
        out = np.empty(flat.shape + (3,), dtype=np.float64)
        count = len(self._steps)
        for i, where in _groups(index, count):
            source, length = self._steps[i]
            local = times[where]
            start = self._ends[i] - length
            values = render(source, self._source_pips(source, local - start), library=self._library, interpolation=interpolation)
            if self._crossfade:
                fade_start = self._ends[i] - self._crossfade
                fading = np.flatnonzero(local >= fade_start)
                if fading.size:
                    following = self._steps[(i + 1) % count][0]
                    at = local.take(fading)
                    ahead = render(following, self._source_pips(following, at - self._ends[i]), library=self._library,
                                   interpolation=interpolation)
                    weight = self._weight((at - fade_start) / float(self._crossfade))[:, np.newaxis]
                    blended = values.take(fading, axis=0) * (1.0 - weight) + ahead * weight
                    values = np.ascontiguousarray(values)
                    _put_rows(values, fading, np.clip(blended, -1.0, 1.0))
            _put_rows(out, where, values)
        return out

    def _weight(self, progress: FloatArray) -> FloatArray:
        """The next source's weight at each fraction of the fade done."""
        return progress if self._curve == "linear" else easing(self._curve)(progress)

    def _source_pips(self, source: PatternLike, pips: npt.NDArray[Any]) -> npt.NDArray[Any]:
        """A step's own pips, as render takes them. A step longer than the signed 32-bit pip
        range reaches pips beyond it; a looping source gives the same value one loop
        earlier, so those are reduced into its loop (the rest render as they are)."""
        if not pips.size or (PIP_MIN <= pips.min() and pips.max() <= PIP_MAX):
            return pips
        period = _source_period(source, self._library)
        if period is None:
            return pips  # render names the pip it cannot take
        reduced: npt.NDArray[Any] = np.mod(pips, float(period) if pips.dtype.kind == "f" else period)
        if pips.dtype.kind == "f":
            reduced[reduced >= period] = 0.0
        return reduced


# A position as one 24-byte record, so that rows are scattered as records: numpy's
# row-wise fancy assignment costs several times as much.
_ROW = np.dtype((np.void, 24))


def _put_rows(target: FloatArray, where: npt.NDArray[np.intp] | slice, rows: FloatArray) -> None:
    """``target[where] = rows`` for C-contiguous (n, 3) float64 arrays, the same bytes."""
    target.view(_ROW).reshape(-1)[where] = np.ascontiguousarray(rows, dtype=np.float64).view(_ROW).reshape(-1)


# Up to this many steps a pip's step is counted by comparisons, cheaper than a binary search.
_COMPARED_STEPS = 8


def _step_numbers(ends: tuple[int, ...], times: npt.NDArray[Any]) -> npt.NDArray[np.intp]:
    """The step of each time in [0, ends[-1]): how many step ends lie at or before it."""
    if len(ends) > _COMPARED_STEPS:
        found: npt.NDArray[np.intp] = np.searchsorted(np.asarray(ends, dtype=times.dtype), times, side="right")
        return found
    index = np.zeros(times.shape, dtype=np.intp)
    for end in ends[:-1]:
        index += times >= end
    return index


def _groups(index: npt.NDArray[np.intp], count: int) -> Iterator[tuple[int, npt.NDArray[np.intp] | slice]]:
    """The positions of each group in `index` (values in [0, count)), for the groups that
    occur: one stable sort of the group numbers (a radix sort up to 65,536 groups), so the
    cost grows with the pips and not with pips × groups."""
    if count == 1:
        yield 0, slice(None)
        return
    keys = index.astype(np.uint16) if count <= 2**16 else index
    order = np.argsort(keys, kind="stable")
    bounds = np.concatenate(([0], np.cumsum(np.bincount(index, minlength=count))))
    for i in np.flatnonzero(bounds[1:] > bounds[:-1]).tolist():
        yield i, order[bounds[i]:bounds[i + 1]]


# Below this an integer and everything the float remainder below computes with it is exact.
_FLOAT_INTEGERS = 2**52


def _float_mod(values: FloatArray, period: int) -> FloatArray:
    """``np.mod(values, float(period))`` bit for bit, several times faster: numpy's float
    remainder is slow (and slower still for large quotients). The floor of each value is
    reduced as an exact integer in float arithmetic and the fraction added back; the sum is
    the exact remainder (plus the period for a negative value) rounded once, which is
    exactly what np.mod returns, +0.0 for a zero remainder included."""
    if not values.size or period > _FLOAT_INTEGERS or not (
            -_FLOAT_INTEGERS <= values.min() and values.max() <= _FLOAT_INTEGERS):
        result: FloatArray = np.mod(values, float(period))
        return result
    loop = float(period)
    whole = np.floor(values)
    fraction = values - whole
    # The quotient's floor may be one off where the division rounds up to an integer; the
    # remainder then lies one period outside [0, period) and is moved back, exactly. (It
    # is never -0.0, so adding 0.0 where nothing moves leaves it as it is.)
    quotient = np.divide(whole, loop)
    np.floor(quotient, out=quotient)
    quotient *= loop
    whole -= quotient
    np.less(whole, 0.0, out=quotient)  # reused: 1.0 where below 0
    quotient *= loop
    whole += quotient
    np.greater_equal(whole, loop, out=quotient)
    quotient *= loop
    whole -= quotient
    whole += fraction
    return whole


def _wrap_once(values: FloatArray, period: int) -> FloatArray:
    """``np.mod(values, float(period))`` for values in [0, 2·period) and a period up to
    2**52: the value, or the value less one period (exact there), which is what np.mod gives."""
    loop = float(period)
    over = np.greater_equal(values, loop).astype(np.float64)
    over *= loop
    return values - over


# A layer's loops and float positions (below period × rate) stay under this in the native
# warp, inside the range where its float remainder and floor are exact.
_WARP_POSITIONS = 2**50


def _checked(floats: npt.NDArray[Any]) -> FloatArray:
    """Float pips checked as render checks them (layers and sequences take theirs unchecked)."""
    checked: FloatArray = check_pips(floats, "linear")
    return checked


def _all_whole(floats: FloatArray) -> bool:
    """Whether every pip is whole; the first pip settles it for most fractional arrays."""
    if floats.size and np.floor(floats.flat[0]) != floats.flat[0]:
        return False
    return bool(np.all(np.floor(floats) == floats))


def _build_warp(program: Any, source: PatternLike, library: velmora.PatternLibrary | None) -> int | None:
    """`source` as a node of a native warp program (`velmora_kit._warp.Program`), or None
    when it is no pattern, layer or sequence the program can run bit for bit."""
    if isinstance(source, (str, velmora.SampledPattern)):
        return int(program.table(table(source, library=library)))
    if isinstance(source, (Layer, Sequence)):
        return source._build_warp(program)
    return None


# Pips evaluated per pass by layers and sequences: the temporaries of one pass stay small
# (a few MiB) whatever the number of pips, and stay in cache.
_BLOCK = 2**15
# A sequence's blocks hold at least this many pips per step, so that the render calls each
# block makes per step stay cheap beside the pips.
_PIPS_PER_STEP = 2**12


def _in_blocks(compute: Callable[[npt.NDArray[Any], str], FloatArray], flat: npt.NDArray[Any],
               interpolation: str, block: int = _BLOCK) -> FloatArray:
    """`compute` over a flat array of pips, one block at a time (each result depends only
    on its own pip, so the blocks give the same bits as one pass)."""
    if flat.shape[0] <= block:
        return compute(flat, interpolation)
    out = np.empty(flat.shape + (3,), dtype=np.float64)
    for first in range(0, flat.shape[0], block):
        out[first:first + block] = compute(flat[first:first + block], interpolation)
    return out


def _rebuild_layer(source: PatternLike, arguments: dict[str, Any]) -> Layer:
    return Layer(source, **arguments)


def _rebuild_sequence(steps: Any, crossfade_beats: Fraction, library: velmora.PatternLibrary | None,
                      crossfade_curve: str = "linear") -> Sequence:
    return Sequence(steps, crossfade_beats=crossfade_beats, library=library, crossfade_curve=crossfade_curve)


# --- fan ----------------------------------------------------------------------------------


def fan(
    source: PatternLike,
    count: int,
    spread_pips: int,
    pips: object,
    *,
    library: velmora.PatternLibrary | None = None,
    interpolation: str = "step",
) -> FloatArray:
    """Renders `count` copies of a source with phases 0, spread, 2·spread, …

    For a row of lights or objects that should move as one wave: copy k is the source
    `k × spread_pips` pips ahead (a negative spread makes the wave run the other way).

    Parameters
    ----------
    source : str, velmora.SampledPattern or motion source
        Anything a `Layer` takes.
    count : int
        How many copies, at least 1.
    spread_pips : int
        The phase step between neighbouring copies.
    pips : int, sequence or numpy.ndarray
        The pips to render, as `render` takes them.
    library : velmora.PatternLibrary, optional
    interpolation : {"step", "linear"}

    Returns
    -------
    numpy.ndarray, float64, shape ``(count,) + pips.shape + (3,)``

    Raises
    ------
    ValueError
        A count below 1, pips out of range, an unknown name.
    TypeError
        Arguments of the wrong kind.

    Example
    -------
    >>> fan("bounce", 4, 16, [0, 8]).shape
    (4, 2, 3)
    """
    copies = _check_int("count", count)
    if copies < 1:
        raise ValueError(f"count must be at least 1, got {count!r}")
    spread = _check_int("spread_pips", spread_pips)
    if interpolation not in INTERPOLATIONS:
        raise ValueError(f"interpolation must be 'step' or 'linear', got {interpolation!r}")
    pattern = isinstance(source, (str, velmora.SampledPattern))
    if pattern and interpolation == "step" and _warp is not None:
        return _fan_pattern(source, copies, spread, pips, library)  # type: ignore[arg-type]
    checked = check_pips(pips, interpolation)
    shape = (copies,) + checked.shape + (3,)
    # Checks the source as each copy's layer would (a pattern's period is all a layer checks).
    period = period_of(source, library=library) if pattern else Layer(source, library=library).period_pips
    # Patterns, layers and sequences reduce a whole pip into their loop before anything else,
    # so the pips of all the copies need no reduction of their own: one render for them all.
    reduces_itself = pattern or isinstance(source, (Layer, Sequence))
    if reduces_itself and period is not None and spread != 0 and period <= _FAN_PERIODS and copies <= _FAN_PERIODS:
        flat = checked.reshape(-1)
        whole = np.floor(flat) if interpolation == "linear" else flat
        if interpolation == "step" or bool(np.all(whole == flat)):
            step = spread % period
            every_phase = np.arange(0, copies * step, step, dtype=np.int64) if step else np.zeros(copies, dtype=np.int64)
            every_phase %= period
            shifted = np.mod(whole.astype(np.int64, copy=False), period)[np.newaxis, :] + every_phase[:, np.newaxis]
            fanned: FloatArray = render(source, shifted, library=library, interpolation=interpolation)
            return fanned.reshape(shape)
    out = np.empty(shape, dtype=np.float64)
    if period is None or period > _FAN_PERIODS:
        for k in range(copies):
            out[k] = render(Layer(source, library=library, phase=k * spread), checked, interpolation=interpolation)
        return out
    # Copy k is Layer(source, phase=k·spread): the source at (pip + phase) reduced into its
    # loop, phase 0 being the source itself. Those pips are made for all the copies at once
    # and rendered in one call, with the same arithmetic as the layers', so the same bits.
    flat = checked.reshape(-1)
    whole = np.floor(flat) if interpolation == "linear" else flat
    integral = interpolation == "step" or bool(np.all(whole == flat))
    if spread == 0:
        out[...] = render(source, checked, library=library, interpolation=interpolation)
        return out
    out[0] = render(source, checked, library=library, interpolation=interpolation)
    phases = np.array([(k * spread) % period for k in range(1, copies)], dtype=np.int64)[:, np.newaxis]
    rows = out.reshape(copies, -1, 3)[1:]
    if integral:
        rows[...] = render(source, _shifted_pips(whole.astype(np.int64), phases, period), library=library,
                           interpolation=interpolation)
        return out
    integral_pips = whole == flat
    if integral_pips.any():
        rows[:, integral_pips] = render(source, _shifted_pips(whole[integral_pips].astype(np.int64), phases, period),
                                        library=library, interpolation="linear")
    rest = ~integral_pips
    positions = _float_mod(_float_mod(flat[rest], period)[np.newaxis, :] + phases.astype(np.float64), period)
    positions[positions >= period] = 0.0
    rows[:, rest] = render(source, positions, library=library, interpolation="linear")
    return out


def _fan_pattern(source: str | velmora.SampledPattern, copies: int, spread: int, pips: object,
                 library: velmora.PatternLibrary | None) -> FloatArray:
    """fan of a pattern's whole pips in one native pass over its table: copy k reads the
    row of (pip + k·spread) mod period, as the layers with those phases do. A few pips cost
    little more than one render: the pips are range-checked inside that pass."""
    values = _integer_pips(_as_array(pips), check_range=False)
    try:
        rows = table(source, library=library)
    except (TypeError, ValueError):
        _integer_pips(values)  # out-of-range pips are named first, as render names them
        raise
    period = rows.shape[0]
    out = np.empty((copies,) + values.shape + (3,), dtype=np.float64)
    flat = np.ascontiguousarray(values).reshape(-1)
    first_bad = int(_warp.fan_step(rows, flat, copies, spread % period, out))
    if first_bad >= 0:
        raise ValueError(f"pips must lie in the signed 32-bit range [{PIP_MIN}, {PIP_MAX}], got {int(flat[first_bad])}")
    return out


# Periods up to this make a fan's pips in one int64 array that render takes as they are.
_FAN_PERIODS = 2**30


def _shifted_pips(pips: IntArray, phases: IntArray, period: int) -> IntArray:
    """(pip + phase) mod period for every phase (a column) and pip (a row), phases in [0, period)."""
    shifted: IntArray = np.mod(pips, period)[np.newaxis, :] + phases
    shifted[shifted >= period] -= period
    return shifted
