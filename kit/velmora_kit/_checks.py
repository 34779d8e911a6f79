"""Argument checks shared by the package: one small function per kind of field.

Each raises TypeError for a value of the wrong kind and ValueError for one out of range,
and names both the argument and the value it was given.
"""

from __future__ import annotations

import math
import numbers
from collections.abc import Iterable
from typing import Any, TypeVar


def check_real(name: str, value: object) -> float:
    """Returns `value` as a float, or raises TypeError when it is not a real number."""
    if isinstance(value, bool) or not isinstance(value, numbers.Real):
        raise TypeError(f"{name} must be a real number, got {value!r}")
    return float(value)


def check_finite(name: str, value: object) -> float:
    """Returns `value` as a finite float."""
    number = check_real(name, value)
    if not math.isfinite(number):
        raise ValueError(f"{name} must be finite, got {value!r}")
    return number


def check_positive(name: str, value: object) -> float:
    """Returns `value` as a finite float greater than zero."""
    number = check_real(name, value)
    if not (math.isfinite(number) and number > 0.0):
        raise ValueError(f"{name} must be finite and positive, got {value!r}")
    return number


# An output latency is a device's delay, milliseconds to a second or two; a minute covers
# any of them, and far beyond it the pips played would leave the 32-bit range.
MAX_LATENCY_SECONDS = 60.0


def check_latency(name: str, value: object) -> float:
    """Returns `value` as a float within ±MAX_LATENCY_SECONDS."""
    number = check_finite(name, value)
    if abs(number) > MAX_LATENCY_SECONDS:
        raise ValueError(f"{name} must be within ±{MAX_LATENCY_SECONDS:g} s, got {value!r}")
    return number


def close_names(name: str, known: Iterable[str]) -> list[str]:
    """Up to three known names close to a mistyped one, closest first."""
    import difflib

    return difflib.get_close_matches(name, list(known), n=3, cutoff=0.6)


def check_items(name: str, value: object, what: str) -> list[Any]:
    """Returns the items of any sequence or iterable (lists, tuples, arrays, generators,
    `map`, lazy sequences), read once; a string or a non-iterable is a TypeError naming
    `what` it should hold."""
    if isinstance(value, (str, bytes, bytearray)):
        raise TypeError(f"{name} must be {what}, got {type(value).__name__} {value!r}")
    try:
        items: list[Any] = list(value)  # type: ignore[call-overload]
        return items
    except TypeError:
        raise TypeError(f"{name} must be {what}, got {type(value).__name__}") from None


_FrozenT = TypeVar("_FrozenT", bound="Frozen")


class Frozen:
    """A value fixed by its constructor, which sets its slots through
    ``object.__setattr__``; afterwards nothing can be set or deleted, and a copy is the
    object itself (pickling rebuilds it from its arguments, through ``__reduce__``)."""

    __slots__ = ()

    def __setattr__(self, name: str, value: object) -> None:
        raise AttributeError(f"{type(self).__name__} is immutable")

    def __delattr__(self, name: str) -> None:
        raise AttributeError(f"{type(self).__name__} is immutable")

    def __copy__(self: _FrozenT) -> _FrozenT:
        return self

    def __deepcopy__(self: _FrozenT, memo: object) -> _FrozenT:
        return self
