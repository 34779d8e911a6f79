"""The classic easing curves, as vectorised functions from [0, 1] onto [0, 1].

Ten kinds (quad, cubic, quart, quint, sine, expo, circ, back, elastic, bounce), each in
three modes: ``in`` starts slowly, ``out`` ends slowly, ``in-out`` does both. A curve is
named ``"<kind>-<mode>"`` (``"cubic-in-out"``); ``"linear"`` is the straight line. The
usual spellings of animation libraries are read too: ``"easeInOutCubic"``,
``"ease-in-out-cubic"``, ``"cubic_in_out"``.

Every curve is exactly 0 at t = 0 and exactly 1 at t = 1. The formulas are the common
ones of animation tools (Penner's), so a curve looks as users know it; back and elastic
overshoot outside [0, 1] between the ends, bounce stays within it. The functions use
only numpy's element-wise arithmetic, powers, roots and trigonometry.

Used by `velmora_kit.shapes.ease` (one-axis loops) and by `Sequence`'s crossfades.
"""

from __future__ import annotations

import math
import re
from collections.abc import Callable

import numpy as np
import numpy.typing as npt

__all__ = ["EASING_KINDS", "EASING_MODES", "easing", "easing_names", "parse_easing"]

FloatArray = npt.NDArray[np.float64]
Curve = Callable[[FloatArray], FloatArray]

EASING_KINDS: tuple[str, ...] = ("quad", "cubic", "quart", "quint", "sine", "expo", "circ", "back", "elastic", "bounce")
EASING_MODES: tuple[str, ...] = ("in", "out", "in-out")
_POWERS = {"quad": 2, "cubic": 3, "quart": 4, "quint": 5}
# Penner's constants: the overshoot of back (about 10 %) and the ringing of elastic.
_BACK = 1.70158
_BACK_IN_OUT = _BACK * 1.525
_ELASTIC = 2.0 * math.pi / 3.0
_ELASTIC_IN_OUT = 2.0 * math.pi / 4.5


def easing_names() -> tuple[str, ...]:
    """Every canonical curve name: ``"linear"`` and ``"<kind>-<mode>"`` for each kind and mode."""
    return ("linear",) + tuple(f"{kind}-{mode}" for kind in EASING_KINDS for mode in EASING_MODES)


def parse_easing(name: object, argument: str = "curve") -> str:
    """The canonical name of a curve given in any of the usual spellings.

    Raises
    ------
    TypeError
        A value that is not a string.
    ValueError
        A name that is no known curve (the message lists the kinds and modes).

    Example
    -------
    >>> parse_easing("easeInOutCubic")
    'cubic-in-out'
    """
    if not isinstance(name, str):
        raise TypeError(f"{argument} must be an easing name such as 'cubic-in-out', got {name!r}")
    spaced = re.sub(r"(?<=[a-z])(?=[A-Z])", "-", name.strip())
    words = [w for w in re.split(r"[-_\s]+", spaced.lower()) if w and w != "ease"]
    if words == ["linear"]:
        return "linear"
    kinds = [w for w in words if w in EASING_KINDS]
    modes = [w for w in words if w not in EASING_KINDS]
    mode = "-".join("in-out" if m == "inout" else m for m in modes)
    if len(kinds) != 1 or mode not in EASING_MODES:
        raise ValueError(
            f"{argument} must be 'linear' or '<kind>-<mode>' with kind one of {', '.join(EASING_KINDS)} "
            f"and mode in, out or in-out, got {name!r}"
        )
    return f"{kinds[0]}-{mode}"


def easing(name: str) -> Curve:
    """The curve of that name, as a function of a float64 array of t in [0, 1].

    Parameters
    ----------
    name : str
        ``"linear"`` or ``"<kind>-<mode>"`` in any spelling `parse_easing` reads.

    Returns
    -------
    callable
        ``curve(t) -> numpy.ndarray`` of the same shape, float64; exactly 0 where t is 0
        and 1 where t is 1.

    Raises
    ------
    ValueError, TypeError
        See `parse_easing`.

    Example
    -------
    >>> import numpy as np
    >>> easing("quad-in")(np.array([0.0, 0.5, 1.0])).tolist()
    [0.0, 0.25, 1.0]
    """
    canonical = parse_easing(name)
    if canonical == "linear":
        return _linear
    kind, mode = canonical.split("-", 1)
    if mode == "in":
        ease_in = _IN[kind]
    elif mode == "out":
        ease_in = _out(kind)
    else:
        ease_in = _in_out(kind)
    return _pinned(ease_in)


def _linear(t: FloatArray) -> FloatArray:
    return np.array(t, dtype=np.float64)


def _pinned(curve: Curve) -> Curve:
    """The curve with its ends set exactly (some formulas land a rounding away from them)."""

    def pinned(t: FloatArray) -> FloatArray:
        t = np.asarray(t, dtype=np.float64)
        result = np.asarray(curve(t), dtype=np.float64)
        result = np.where(t <= 0.0, 0.0, np.where(t >= 1.0, 1.0, result))
        return result

    return pinned


def _power_in(n: int) -> Curve:
    return lambda t: t**n


def _sine_in(t: FloatArray) -> FloatArray:
    return 1.0 - np.cos(t * (math.pi / 2.0))


def _expo_in(t: FloatArray) -> FloatArray:
    return np.power(2.0, 10.0 * t - 10.0)


def _circ_in(t: FloatArray) -> FloatArray:
    result: FloatArray = 1.0 - np.sqrt(np.maximum(0.0, 1.0 - t * t))
    return result


def _back_in(t: FloatArray) -> FloatArray:
    return (_BACK + 1.0) * t**3 - _BACK * t * t


def _elastic_in(t: FloatArray) -> FloatArray:
    result: FloatArray = -np.power(2.0, 10.0 * t - 10.0) * np.sin((10.0 * t - 10.75) * _ELASTIC)
    return result


def _bounce_out(t: FloatArray) -> FloatArray:
    n, d = 7.5625, 2.75
    return np.select(
        [t < 1.0 / d, t < 2.0 / d, t < 2.5 / d],
        [n * t * t, n * (t - 1.5 / d) ** 2 + 0.75, n * (t - 2.25 / d) ** 2 + 0.9375],
        n * (t - 2.625 / d) ** 2 + 0.984375,
    )


def _bounce_in(t: FloatArray) -> FloatArray:
    return 1.0 - _bounce_out(1.0 - t)


_IN: dict[str, Curve] = {
    **{kind: _power_in(power) for kind, power in _POWERS.items()},
    "sine": _sine_in, "expo": _expo_in, "circ": _circ_in, "back": _back_in,
    "elastic": _elastic_in, "bounce": _bounce_in,
}


def _out(kind: str) -> Curve:
    """Out is in turned half a turn: 1 − in(1 − t)."""
    if kind == "bounce":
        return _bounce_out
    ease_in = _IN[kind]
    return lambda t: 1.0 - ease_in(1.0 - t)


def _in_out(kind: str) -> Curve:
    """The in curve over the first half and the out curve over the second, each squeezed
    into half the time and half the travel; back and elastic use their own in-out
    constants, as animation tools do."""
    if kind == "back":
        c = _BACK_IN_OUT

        def back(t: FloatArray) -> FloatArray:
            u = 2.0 * t
            return np.where(
                t < 0.5, (u * u * ((c + 1.0) * u - c)) / 2.0,
                ((u - 2.0) ** 2 * ((c + 1.0) * (u - 2.0) + c) + 2.0) / 2.0,
            )

        return back
    if kind == "elastic":
        def elastic(t: FloatArray) -> FloatArray:
            ring = np.sin((20.0 * t - 11.125) * _ELASTIC_IN_OUT)
            return np.where(
                t < 0.5, -(np.power(2.0, 20.0 * t - 10.0) * ring) / 2.0,
                np.power(2.0, -20.0 * t + 10.0) * ring / 2.0 + 1.0,
            )

        return elastic
    ease_in = _IN[kind]
    return lambda t: np.where(t < 0.5, ease_in(2.0 * t) / 2.0, 1.0 - ease_in(2.0 - 2.0 * t) / 2.0)
