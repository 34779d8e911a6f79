"""Mapping positions onto real devices: physical ranges and DMX channel values.

Positions live in [-1, 1] on each axis; a moving head wants degrees of pan and tilt, a
DMX universe wants 8- or 16-bit channel values, and 16-bit channels travel as a coarse
byte followed by a fine byte. These functions are plain array maths on top of numpy.
"""

from __future__ import annotations

from collections.abc import Iterator, Sequence
from typing import Any, Union

import numpy as np
import numpy.typing as npt

from velmora_kit._checks import check_finite

Bound = Union[float, Sequence[float], npt.ArrayLike]

__all__ = ["to_range", "to_dmx", "dmx_bytes"]


def _array(values: object) -> npt.NDArray[Any]:
    """Any container of numbers as an array; generators and other one-shot iterators are
    read once (numpy would otherwise wrap them as a single object)."""
    if isinstance(values, Iterator):
        values = [list(v) if isinstance(v, Iterator) else v for v in values]
    return np.asarray(values)


def _positions(values: npt.ArrayLike) -> npt.NDArray[np.float64]:
    """`values` as a float64 array, refused unless every element is finite and in [-1, 1]."""
    array = _array(values)
    if array.dtype == np.bool_ or not (np.issubdtype(array.dtype, np.number)):
        raise TypeError(f"values must be real numbers in [-1, 1], got an array of {array.dtype}")
    if np.issubdtype(array.dtype, np.complexfloating):
        raise TypeError("values must be real numbers in [-1, 1], got complex numbers")
    array = array.astype(np.float64, copy=False)
    outside = ~((array >= -1.0) & (array <= 1.0))  # NaN lands here too
    if outside.any():
        where = tuple(int(i) for i in np.argwhere(outside)[0])
        raise ValueError(f"values must lie within [-1, 1], got {float(array[where])!r} at index {where}")
    return array


def _bound(name: str, value: Bound) -> npt.NDArray[np.float64]:
    """A range end: one finite number for every axis, or one per axis."""
    if isinstance(value, (int, float, np.integer, np.floating)) and not isinstance(value, bool):
        return np.asarray(check_finite(name, value), dtype=np.float64)
    wanted = f"{name} must be a number or a sequence of numbers (one per axis), got {value!r}"
    if isinstance(value, (str, bytes, bool, np.bool_)):
        raise TypeError(wanted)
    try:
        array = _array(value).astype(np.float64)
    except (TypeError, ValueError):  # numpy's own text would not name the argument
        raise TypeError(wanted) from None
    if array.ndim != 1:
        raise ValueError(wanted)
    if not np.all(np.isfinite(array)):
        raise ValueError(f"{name} must be finite, got {value!r}")
    return array


def to_range(values: npt.ArrayLike, low: Bound, high: Bound) -> npt.NDArray[np.float64]:
    """Maps positions in [-1, 1] linearly onto [low, high], per axis.

    Parameters
    ----------
    values : array_like of float, shape (..., n)
        Positions, each in [-1, 1] (for example `render`'s `(frames, 3)` output).
    low, high : float or sequence of n floats
        The device value at -1 and at 1 (one for every axis, or one per axis). `low` may be
        greater than `high` to invert an axis.

    Returns
    -------
    numpy.ndarray, float64, the shape of `values`
        -1 maps to exactly `low` and 1 to exactly `high`.

    Raises
    ------
    ValueError
        A value outside [-1, 1] or not finite, or a bound that is not finite.

    Example
    -------
    >>> to_range([[-1.0, 0.0, 1.0]], [-270.0, -135.0, 0.0], [270.0, 135.0, 1.0]).tolist()
    [[-270.0, 0.0, 1.0]]
    """
    array = _positions(values)
    lo = _bound("low", low)
    hi = _bound("high", high)
    for name, bound in (("low", lo), ("high", hi)):
        if bound.ndim == 1 and array.ndim == 0:
            raise ValueError(f"{name} must be one number for a single position, got {bound.shape[0]} values")
        if bound.ndim == 1 and bound.shape[0] != array.shape[-1]:
            raise ValueError(f"{name} has {bound.shape[0]} values but the positions have {array.shape[-1]} axes")
    # The two weights sum to one and are exact at the ends, so -1 and 1 land exactly on the
    # bounds (low + (v + 1) / 2 * (high - low) can miss high by a rounding).
    below = (1.0 - array) * 0.5
    above = (1.0 + array) * 0.5
    result: npt.NDArray[np.float64] = lo * below + hi * above
    return result


def to_dmx(values: npt.ArrayLike, bits: int = 16) -> npt.NDArray[np.uint16] | npt.NDArray[np.uint8]:
    """Maps positions in [-1, 1] to DMX channel values, rounding to the nearest step.

    Parameters
    ----------
    values : array_like of float
        Positions, each in [-1, 1].
    bits : int, 16 or 8
        16 gives 0..65535 (uint16), 8 gives 0..255 (uint8).

    Returns
    -------
    numpy.ndarray, the shape of `values`
        -1 is 0 and 1 is the top value; half-way values round up.

    Raises
    ------
    ValueError
        `bits` other than 8 or 16, or a value outside [-1, 1].

    Example
    -------
    >>> to_dmx([-1.0, 0.0, 1.0]).tolist()
    [0, 32768, 65535]
    """
    if isinstance(bits, bool) or not isinstance(bits, (int, np.integer)) or int(bits) not in (8, 16):
        raise ValueError(f"bits must be 8 or 16, got {bits!r}")
    top = (1 << int(bits)) - 1
    array = _positions(values)
    scaled = np.floor((array + 1.0) * (top / 2.0) + 0.5)
    if int(bits) == 16:
        return scaled.astype(np.uint16)
    return scaled.astype(np.uint8)


def dmx_bytes(values16: npt.ArrayLike) -> npt.NDArray[np.uint8]:
    """Splits 16-bit DMX values into coarse and fine bytes, each value's pair side by side.

    Parameters
    ----------
    values16 : array_like of int, shape (..., n)
        16-bit channel values, 0..65535, for example `to_dmx` of (pan, tilt).

    Returns
    -------
    numpy.ndarray, uint8, shape (..., 2n)
        For every value its coarse byte (value >> 8) then its fine byte (value & 255):
        Pan, Pan fine, Tilt, Tilt fine, as fixtures number their channels.

    Raises
    ------
    TypeError
        Values that are not integers.
    ValueError
        A value outside 0..65535.

    Example
    -------
    >>> dmx_bytes([0x1234, 0xABCD]).tolist()
    [18, 52, 171, 205]
    """
    array = _array(values16)
    if array.dtype == np.bool_ or not np.issubdtype(array.dtype, np.integer):
        if array.size == 0 and array.dtype == np.float64:
            array = array.astype(np.int64)
        else:
            raise TypeError(f"values16 must be integers in 0..65535, got an array of {array.dtype}")
    if array.ndim == 0:
        array = array.reshape(1)
    outside = (array < 0) | (array > 65535)
    if outside.any():
        where = tuple(int(i) for i in np.argwhere(outside)[0])
        raise ValueError(f"values16 must lie within 0..65535, got {int(array[where])} at index {where}")
    wide = array.astype(np.uint16)
    pairs = np.stack(((wide >> 8).astype(np.uint8), (wide & 0xFF).astype(np.uint8)), axis=-1)
    return pairs.reshape(array.shape[:-1] + (2 * array.shape[-1],))
