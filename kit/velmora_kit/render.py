"""Whole animations in one call: a pattern's loop as a table, and any array of pips rendered
through it.

`velmora.sample` answers one pip per Python call. `table` asks the module once for every
pip of one loop and keeps the answer; `render` then indexes that table for a whole array
of pips at once, so each result is the module's own double, bit for bit.

What `render` accepts as its pattern
------------------------------------
- a built-in name (`str`), or a name held by `library` (a `velmora.PatternLibrary`;
  built-in names fall through to the catalogue, as `library.sample` does);
- a `velmora.SampledPattern`;
- a `velmora.SampledRecording` (one column per axis, integer pips only, no looping);
- any *motion source*: an object with a method
  ``render_pips(pips: numpy.ndarray, interpolation: str) -> numpy.ndarray``
  (the `MotionSource` protocol). Higher layers (layered and sequenced motion) implement it.
  `render` checks the pips first and hands the source an int64 array whose values lie in
  the signed 32-bit range when `interpolation` is ``"step"``, or a float64 array of finite
  values whose floors lie in that range when it is ``"linear"``; the source returns a
  float64 array of shape ``pips.shape + (3,)``. A source whose class sets
  ``checks_float_pips = True`` (layers and sequences) gets a float64 array of pips for
  ``"linear"`` as it was given, and refuses bad pips itself with render's messages.

Tables are cached in one bounded LRU cache. A library's or a pattern object's table is
keyed by that object (through a weak reference, so the cache never keeps it alive and a
new object at a recycled address is never mistaken for it), never by name alone.
"""

from __future__ import annotations

import collections
import functools
import itertools
import math
import operator
import threading
import types
import weakref
from collections.abc import Callable, Hashable, Iterable, Mapping, Sequence
from collections.abc import Set as AbstractSet
from typing import Any, Protocol, Union, runtime_checkable

import numpy as np
import numpy.typing as npt

import velmora
from velmora_kit._checks import close_names

from velmora_kit import _gather as _native  # type: ignore[attr-defined]
from velmora_kit.catalogue import builtin_table

__all__ = ["MotionSource", "period_of", "render", "table", "check_pips", "describe_recording", "INTERPOLATIONS"]

PIP_MIN = -(2**31)
PIP_MAX = 2**31 - 1
INTERPOLATIONS = ("step", "linear")

# Room for every built-in table at once (1,731 of at most 24 KiB); a user pattern's table
# is at most 1.5 MiB, and the byte bound keeps libraries and recordings in check.
_CACHE_ENTRIES = 4096
_CACHE_BYTES = 256 * 2**20

FloatArray = npt.NDArray[np.float64]
IntArray = npt.NDArray[np.int64]


@runtime_checkable
class MotionSource(Protocol):
    """Anything `render` can delegate to: given checked pips, return their positions.

    `pips` is an int64 array within the signed 32-bit range for ``"step"``, or a float64
    array of finite values whose floors lie in that range for ``"linear"``. The result is
    float64 of shape ``pips.shape + (3,)``.
    """

    def render_pips(self, pips: npt.NDArray[Any], interpolation: str) -> npt.NDArray[np.float64]: ...


PatternLike = Union[str, "velmora.SampledPattern", "velmora.SampledRecording", MotionSource]

_PATTERN_TYPES = (
    "a pattern name (str), a velmora.SampledPattern, a velmora.SampledRecording "
    "or a motion source with render_pips"
)


# --- the bounded cache ----------------------------------------------------------------


class _TableCache:
    """A least-recently-used map from keys to read-only arrays, bounded in entries and bytes.

    Keys that involve a Python object hold `id(obj)`; the entry keeps a weak reference to
    the object, so a recycled id never finds a stale table, and the entry goes once the
    object dies. The weak reference's callback may run inside any allocation (the garbage
    collector), even one made while this cache holds its lock, so it only notes the dead
    entry; the next call under the lock removes it.
    """

    def __init__(self, max_entries: int, max_bytes: int) -> None:
        self._entries: collections.OrderedDict[Hashable, tuple[Any, Any]] = collections.OrderedDict()
        self._bytes = 0
        self._max_entries = max_entries
        self._max_bytes = max_bytes
        self._lock = threading.Lock()
        self._dead: list[tuple[Hashable, Any]] = []  # list.append is safe from any callback

    def get(self, key: Hashable, owner: object | None) -> Any:
        """The value stored under `key` (for `owner`, when given), or None."""
        with self._lock:
            self._purge()
            entry = self._entries.get(key)
            if entry is None:
                return None
            ref, value = entry
            if owner is not None and (ref is None or ref() is not owner):
                return None
            self._entries.move_to_end(key)
            return value[0]

    def put(self, key: Hashable, owner: object | None, value: Any, size: int) -> None:
        """Stores `value` (of `size` bytes) under `key`, for as long as `owner` lives."""
        if size > self._max_bytes:
            return
        ref: Any = None
        if owner is not None:
            try:
                ref = weakref.ref(owner, functools.partial(_note_dead, self._dead, key))
            except TypeError:
                return  # an object that cannot be watched is never cached
        with self._lock:
            self._purge()
            self._drop(key)
            self._entries[key] = (ref, (value, size))
            self._bytes += size
            while len(self._entries) > self._max_entries or self._bytes > self._max_bytes:
                self._drop(next(iter(self._entries)))

    def clear(self) -> None:
        with self._lock:
            self._entries.clear()
            self._bytes = 0

    def _purge(self) -> None:
        while self._dead:
            key, ref = self._dead.pop()
            entry = self._entries.get(key)
            if entry is not None and entry[0] is ref:
                self._drop(key)

    def _drop(self, key: Hashable) -> None:
        entry = self._entries.pop(key, None)
        if entry is not None:
            self._bytes -= entry[1][1]


def _note_dead(dead: list[tuple[Hashable, Any]], key: Hashable, ref: Any) -> None:
    dead.append((key, ref))


_cache = _TableCache(_CACHE_ENTRIES, _CACHE_BYTES)


def clear_cache() -> None:
    """Forgets every cached table (they are rebuilt on their next use)."""
    _cache.clear()


def _cached(key: Hashable, owner: object | None, build: Callable[[], Any], size: Callable[[Any], int]) -> Any:
    hit = _cache.get(key, owner)
    if hit is not None:
        return hit
    value = build()
    _cache.put(key, owner, value, size(value))
    return value


# --- periods and tables -----------------------------------------------------------------


# The built-in catalogue never changes: its periods and places are read once, when the
# package is imported, so that a pattern's first table costs one native fill of its rows.
_BUILTIN: Mapping[str, tuple[int, int]] = types.MappingProxyType(
    {entry["name"]: (index, entry["period_pips"]) for index, entry in enumerate(velmora.catalogue())}
)
_BUILTIN_PERIODS: Mapping[str, int] = types.MappingProxyType({name: period for name, (_, period) in _BUILTIN.items()})


def _builtin_periods() -> Mapping[str, int]:
    return _BUILTIN_PERIODS


def _library_periods(library: velmora.PatternLibrary) -> dict[str, int]:
    """The periods of the library's own patterns (the entries after the built-in ones)."""
    builtin_count = len(_builtin_periods())

    def build() -> dict[str, int]:
        return {entry["name"]: entry["period_pips"] for entry in library.catalogue()[builtin_count:]}

    return _cached(("periods", id(library)), library, build, lambda periods: 64 * len(periods) + 64)  # type: ignore[no-any-return]


def _check_library(library: object) -> velmora.PatternLibrary | None:
    if library is None or isinstance(library, velmora.PatternLibrary):
        return library
    raise TypeError(f"library must be a velmora.PatternLibrary or None, got {type(library).__name__}")


def _check_name(pattern: str, library: velmora.PatternLibrary | None) -> tuple[int, bool]:
    """The period of a named pattern and whether the library holds it; unknown names raise
    the module's own ValueError."""
    if library is not None:
        period = _library_periods(library).get(pattern)
        if period is not None:
            return period, True
    period = _builtin_periods().get(pattern)
    if period is None:
        # The module's own refusal and message, with the closest names known.
        try:
            (library.sample(pattern, 0) if library is not None else velmora.sample(pattern, 0))
        except ValueError as error:
            known = list(_builtin_periods()) + (list(_library_periods(library)) if library is not None else [])
            close = close_names(pattern, known)
            if not close:
                raise
            raise ValueError(f"{error} (did you mean {', '.join(close)}?)") from None
        raise ValueError(f"Unknown velmora: {pattern}")  # not reached: the module raised
    return period, False


def period_of(pattern: object, library: velmora.PatternLibrary | None = None) -> int:
    """The loop length in pips of a built-in or library pattern, or of a SampledPattern.

    Parameters
    ----------
    pattern : str or velmora.SampledPattern
        A built-in name, a name held by `library`, or a user pattern.
    library : velmora.PatternLibrary, optional
        Where user names are looked up first; built-in names fall through.

    Returns
    -------
    int
        The period (64 to 1,024 for built-in patterns, up to 65,535 for user ones).

    Raises
    ------
    ValueError
        The module's own "Unknown velmora: <name>" for a name nobody holds.
    TypeError
        For anything else.

    Examples
    --------
    >>> period_of("sway")
    128
    """
    library = _check_library(library)
    if isinstance(pattern, str):
        return _check_name(pattern, library)[0]
    if isinstance(pattern, velmora.SampledPattern):
        return int(pattern.period_pips)
    raise TypeError(f"pattern must be a pattern name (str) or a velmora.SampledPattern, got {type(pattern).__name__}")


def _freeze(array: FloatArray) -> FloatArray:
    array.flags.writeable = False
    return array


def _sampled_table(offsets: Iterable[velmora.Offset3], count: int) -> FloatArray:
    """The module's answers, one Offset3 per pip, as a (count, 3) table (the quickest way
    found: C-level maps streamed into one flat read, so each answer is freed as soon as it
    is read and its memory serves the next, instead of a thousand objects held at once)."""
    triples = map(velmora.Offset3.as_tuple, offsets)
    flat = np.fromiter(itertools.chain.from_iterable(triples), dtype=np.float64, count=3 * count)
    return _freeze(flat.reshape(count, 3))


def table(pattern: str | velmora.SampledPattern, *, library: velmora.PatternLibrary | None = None) -> FloatArray:
    """One whole loop of a pattern: the module's own answers for pips 0 to period − 1.

    Parameters
    ----------
    pattern : str or velmora.SampledPattern
        A built-in name, a name held by `library`, or a user pattern.
    library : velmora.PatternLibrary, optional
        Looked up first for names; built-in names fall through to the catalogue exactly
        as `library.sample` does.

    Returns
    -------
    numpy.ndarray
        Shape ``(period, 3)``, float64, read-only; row p is ``sample(p).as_tuple()``.
        Cached (bounded): later calls return the same array.

    Raises
    ------
    ValueError
        The module's own "Unknown velmora: <name>".
    TypeError
        A pattern or library of another type.

    Examples
    --------
    >>> table("bounce").shape
    (64, 3)
    """
    library = _check_library(library)
    if isinstance(pattern, str):
        period, held = _check_name(pattern, library)
        if held:
            assert library is not None
            lib = library
            return _cached(  # type: ignore[no-any-return]
                ("table", id(lib), pattern),
                lib,
                lambda: _sampled_table(map(lib.sample, itertools.repeat(pattern, period), range(period)), period),
                lambda array: array.nbytes,
            )
        index = _BUILTIN[pattern][0]
        return _cached(  # type: ignore[no-any-return]
            ("table", "builtin", pattern),
            None,
            lambda: _freeze(builtin_table(index, period)),
            lambda array: array.nbytes,
        )
    if isinstance(pattern, velmora.SampledPattern):
        user = pattern
        return _cached(  # type: ignore[no-any-return]
            ("table", id(user)),
            user,
            lambda: _sampled_table(map(user.sample, range(user.period_pips)), int(user.period_pips)),
            lambda array: array.nbytes,
        )
    raise TypeError(f"pattern must be a pattern name (str) or a velmora.SampledPattern, got {type(pattern).__name__}")


def describe_recording(recording: velmora.SampledRecording) -> str:
    """A recording as the package's messages name it: name, axes, pips and tempo.

    >>> describe_recording(velmora.SampledRecording("take", ["cc1"], [[0.0], [0.5]], 120.0, start_pip=64))
    "recording 'take' (axes cc1; pips 64 to 65 at 120 BPM)"
    """
    first = int(recording.start_pip)
    last = first + int(recording.sample_count) - 1
    axes = ", ".join(recording.dimensions)
    return f"recording {recording.name!r} (axes {axes}; pips {first} to {last} at {float(recording.bpm):g} BPM)"


def _recording_rows(recording: velmora.SampledRecording) -> FloatArray:
    def build() -> FloatArray:
        start = int(recording.start_pip)
        count = int(recording.sample_count)
        axes = len(recording.dimensions)
        flat = np.fromiter(
            (value for row in range(count) for value in recording.sample(start + row)),
            dtype=np.float64,
            count=count * axes,
        )
        return _freeze(flat.reshape(count, axes))

    return _cached(("recording", id(recording)), recording, build, lambda array: array.nbytes)  # type: ignore[no-any-return]


# --- pips ---------------------------------------------------------------------------------


def _out_of_range(values: npt.NDArray[Any], bad: npt.NDArray[np.bool_]) -> ValueError:
    first = values.reshape(-1)[int(np.argmax(bad.reshape(-1)))]
    shown = int(first) if values.dtype.kind in "iub" else float(first)
    return ValueError(f"pips must lie in the signed 32-bit range [{PIP_MIN}, {PIP_MAX}], got {shown}")


def _as_array(pips: object) -> npt.NDArray[Any]:
    if isinstance(pips, np.ndarray):
        return pips
    if isinstance(pips, (str, bytes, bytearray)):
        raise TypeError(f"pips must be an integer, a float or a sequence or array of them, got {type(pips).__name__}")
    if isinstance(pips, (int, float, np.generic)) and not isinstance(pips, bool):
        return np.asarray(pips)
    if isinstance(pips, bool):
        return np.asarray(int(pips))
    if isinstance(pips, (Mapping, AbstractSet)):
        # A set has no order, and a mapping's keys are rarely the pips meant: the rows
        # would come back in an order nobody asked for.
        raise TypeError(
            f"pips must be an ordered sequence or an array, got {type(pips).__name__}; pass a list, e.g. sorted(pips)"
        )
    if not isinstance(pips, (list, tuple)) and (isinstance(pips, Iterable) or hasattr(pips, "__getitem__")):
        pips = list(pips)  # type: ignore[call-overload]  # generators, map, lazy sequences: read once
    if isinstance(pips, (list, tuple)):
        try:
            return np.asarray(pips)
        except (OverflowError, ValueError):
            return np.asarray(pips, dtype=object)
    # A lone object with __index__ is one pip.
    if hasattr(pips, "__index__"):
        return np.asarray(operator.index(pips))
    raise TypeError(f"pips must be an integer, a float or a sequence or array of them, got {type(pips).__name__}")


def _objects_to_int(values: npt.NDArray[Any]) -> IntArray:
    out = np.empty(values.shape, dtype=np.int64)
    flat_out = out.reshape(-1)
    for i, value in enumerate(values.reshape(-1)):
        if isinstance(value, (float, np.floating)):
            raise TypeError(_step_float_message(np.dtype(np.float64)))
        try:
            number = operator.index(value)
        except TypeError:
            raise TypeError(f"pips must be integers, got {type(value).__name__} {value!r}") from None
        if not PIP_MIN <= number <= PIP_MAX:
            raise ValueError(f"pips must lie in the signed 32-bit range [{PIP_MIN}, {PIP_MAX}], got {number}")
        flat_out[i] = number
    return out


def _step_float_message(dtype: np.dtype[Any]) -> str:
    return f"pips must be integers for interpolation='step' (use interpolation='linear' for fractional pips), got {dtype}"


def _integer_pips(values: npt.NDArray[Any], check_range: bool = True) -> npt.NDArray[Any]:
    """Integer pips checked against the 32-bit range: int32 or int64, as they came when
    possible (no copy), otherwise converted to int64. Without `check_range` an int64 array
    comes back unchecked (the native gather checks it in the same pass)."""
    kind = values.dtype.kind
    if kind == "O":
        return _objects_to_int(values)
    if kind == "b" or (values.size == 0 and kind in "fc"):  # [] arrives as float64
        return values.astype(np.int64)
    if kind not in "iu":
        raise TypeError(_step_float_message(values.dtype))
    if values.dtype.itemsize < 4 or (kind == "i" and values.dtype.itemsize == 4):
        return values if values.dtype == np.int32 else values.astype(np.int32)
    if values.dtype == np.int64 and not check_range:
        return values
    if values.size:
        low, high = values.min(), values.max()
        if (kind == "i" and int(low) < PIP_MIN) or int(high) > PIP_MAX:
            raise _out_of_range(values, (values > PIP_MAX) | ((values < PIP_MIN) if kind == "i" else False))
    return values if values.dtype == np.int64 else values.astype(np.int64)


def _float_pips(values: npt.NDArray[Any], check_range: bool = True) -> FloatArray:
    """Real pips as float64, checked to be finite with floors in the 32-bit range; without
    `check_range` a float64 array comes back unchecked (the native gather checks it)."""
    kind = values.dtype.kind
    if values.dtype == np.float64 and not check_range:
        return values
    if kind == "O":
        converted = np.empty(values.shape, dtype=np.float64)
        flat = converted.reshape(-1)
        for i, value in enumerate(values.reshape(-1)):
            if isinstance(value, (bool, np.bool_)) or not isinstance(value, (int, float, np.integer, np.floating)):
                raise TypeError(f"pips must be real numbers, got {type(value).__name__} {value!r}")
            flat[i] = float(value)
        values = converted
    elif kind not in "biuf":
        raise TypeError(f"pips must be real numbers, got an array of {values.dtype}")
    result = np.asarray(values, dtype=np.float64)
    # Two reductions settle the common case (NaN fails both comparisons); only a refusal
    # looks for the first bad pip.
    if result.size and not (result.min() >= PIP_MIN and result.max() < PIP_MAX + 1):
        whole = np.floor(result)
        bad = ~((whole >= PIP_MIN) & (whole <= PIP_MAX))  # NaN too
        if bad.any():
            raise _float_refusal(float(result.reshape(-1)[int(np.argmax(bad.reshape(-1)))]))
    return result


def check_pips(pips: object, interpolation: str = "step") -> npt.NDArray[Any]:
    """The pips as `render` hands them to a motion source, checked.

    Parameters
    ----------
    pips : int, float, sequence, iterable or numpy.ndarray
        Pips in any container; integers for ``"step"``, real numbers for ``"linear"``.
    interpolation : {"step", "linear"}

    Returns
    -------
    numpy.ndarray
        For ``"step"`` an int32 or int64 array (int32 only when given so), every value in
        the signed 32-bit range; for ``"linear"`` a float64 array of finite values whose
        floors lie in that range. Same shape as the input.

    Raises
    ------
    ValueError
        A pip outside the signed 32-bit range (named), a non-finite pip, an unknown
        interpolation.
    TypeError
        Fractional pips for ``"step"``, or values that are not numbers.

    Examples
    --------
    >>> check_pips([0, -1, 2**31 - 1]).dtype
    dtype('int64')
    """
    if interpolation not in INTERPOLATIONS:
        raise ValueError(f"interpolation must be 'step' or 'linear', got {interpolation!r}")
    values = _as_array(pips)
    if interpolation == "step":
        return _integer_pips(values)
    return _float_pips(values)


# --- rendering ------------------------------------------------------------------------------

def _gather_step(rows: FloatArray, pips: npt.NDArray[Any]) -> FloatArray:
    """Rows by pip; int64 pips may still be unchecked here (see _integer_pips)."""
    out = np.empty(pips.shape + (3,), dtype=np.float64)
    pips = np.require(pips, requirements=("C", "A"))  # the native loops read aligned values only
    first_bad = int(_native.gather_step(rows, pips, out))
    if first_bad >= 0:
        bad = int(pips.reshape(-1)[first_bad])
        raise ValueError(f"pips must lie in the signed 32-bit range [{PIP_MIN}, {PIP_MAX}], got {bad}")
    return out


def _float_refusal(value: float) -> ValueError:
    if not math.isfinite(value):
        return ValueError(f"pips must be finite, got {value}")
    return ValueError(f"pips must lie in the signed 32-bit range [{PIP_MIN}, {PIP_MAX}], got {value}")


def _gather_linear(rows: FloatArray, pips: FloatArray) -> FloatArray:
    """Interpolated rows by real pip; float64 pips may still be unchecked (see _float_pips)."""
    out = np.empty(pips.shape + (3,), dtype=np.float64)
    pips = np.require(pips, requirements=("C", "A"))  # the native loops read aligned values only
    first_bad = int(_native.gather_linear(rows, pips, out))
    if first_bad >= 0:
        raise _float_refusal(float(pips.reshape(-1)[first_bad]))
    return out


class TableStack:
    """Loop tables stacked into one array, so that one call reads every table at every pip
    (a player's many patterns at each tick).

    Parameters
    ----------
    tables : sequence of numpy.ndarray
        Each ``(period, 3)`` float64, as `table` returns them.

    Example
    -------
    >>> TableStack([table("bounce"), table("helix")]).at(np.array([0, 32])).shape
    (2, 2, 3)
    """

    def __init__(self, tables: Sequence[FloatArray]) -> None:
        # Each distinct table once (tables are cached, so a name played by many outputs is
        # one array): a big rig of few patterns gathers from a stack that stays in cache.
        distinct: dict[int, int] = {}
        unique: list[FloatArray] = []
        for rows in tables:
            if id(rows) not in distinct:
                distinct[id(rows)] = len(unique)
                unique.append(rows)
        starts = np.cumsum([0] + [int(rows.shape[0]) for rows in unique[:-1]], dtype=np.int64)
        self._rows = np.ascontiguousarray(np.concatenate(unique) if unique else np.zeros((0, 3)), dtype=np.float64)
        self._offsets = np.array([starts[distinct[id(rows)]] for rows in tables], dtype=np.int64)
        self._periods = np.array([int(rows.shape[0]) for rows in tables], dtype=np.int64)

    def __len__(self) -> int:
        return int(self._periods.size)

    def at(self, pips: IntArray, part: slice = slice(None)) -> FloatArray:
        """Shape ``(len(pips), tables, 3)``: row ``pip mod period`` of every table (or of
        the tables in `part`) at every pip (int64 pips within the signed 32-bit range)."""
        pips = np.ascontiguousarray(pips, dtype=np.int64)
        out = np.empty((pips.size, self._periods[part].size, 3), dtype=np.float64)
        self.into(pips, out, part)
        return out

    def into(self, pips: IntArray, out: FloatArray, part: slice = slice(None)) -> None:
        """As `at`, written into `out` of shape ``(len(pips), tables in part, 3)``, which
        may be columns of a wider array (C-contiguous within each pip)."""
        pips = np.require(pips, np.int64, ("C", "A"))
        first_bad = int(_native.gather_stack(self._rows, self._offsets[part], self._periods[part], pips, out))
        if first_bad >= 0:
            bad = int(pips[first_bad])
            raise ValueError(f"pips must lie in the signed 32-bit range [{PIP_MIN}, {PIP_MAX}], got {bad}")


def render(
    pattern: PatternLike,
    pips: object,
    *,
    library: velmora.PatternLibrary | None = None,
    interpolation: str = "step",
) -> FloatArray:
    """Positions of a pattern at many pips at once.

    Parameters
    ----------
    pattern : str, velmora.SampledPattern, velmora.SampledRecording or MotionSource
        What to render (see the module's docstring).
    pips : int, float, sequence, iterable or numpy.ndarray
        Any shape. Integers (any integer dtype, or Python ints) within the signed 32-bit
        range for ``"step"``; real numbers for ``"linear"``.
    library : velmora.PatternLibrary, optional
        Where names are looked up first; built-in names fall through.
    interpolation : {"step", "linear"}
        ``"step"``: the module's sample at each (integer) pip, bit for bit.
        ``"linear"``: straight-line interpolation between the samples at floor(p) and
        floor(p) + 1, wrapping across the loop; exactly the stored sample at integers.

    Returns
    -------
    numpy.ndarray
        float64 of shape ``pips.shape + (3,)``; for a recording ``pips.shape + (A,)``
        with one column per axis.

    Raises
    ------
    ValueError
        A pip outside the signed 32-bit range (naming it; nothing is rendered), an unknown
        name (the module's own message), an unknown interpolation, linear interpolation
        of a recording.
    IndexError
        A pip outside a recording: "Pip outside non-looping recording: pip P is not
        within recording 'name' (axes ...; pips FIRST to LAST at B BPM)".
    TypeError
        A pattern, library or pips of the wrong type, fractional pips for ``"step"``.

    Examples
    --------
    >>> render("bounce", [0, 32, -32]).shape
    (3, 3)
    """
    library = _check_library(library)
    if interpolation not in INTERPOLATIONS:
        raise ValueError(f"interpolation must be 'step' or 'linear', got {interpolation!r}")
    if isinstance(pattern, (str, velmora.SampledPattern)):
        values = _as_array(pips)
        rows = table(pattern, library=library)
        if interpolation == "step":
            return _gather_step(rows, _integer_pips(values, check_range=False))
        return _gather_linear(rows, _float_pips(values, check_range=False))
    checked: npt.NDArray[Any]
    if interpolation == "linear" and getattr(pattern, "checks_float_pips", False) is True:
        # A source that says so checks its own float pips, as the gathers above do: a
        # float64 array reaches it as it is (other inputs are converted and checked).
        checked = _float_pips(_as_array(pips), check_range=False)
    else:
        checked = check_pips(pips, interpolation)
    if isinstance(pattern, velmora.SampledRecording):
        if interpolation != "step":
            raise ValueError("a velmora.SampledRecording renders integer pips only: interpolation must be 'step'")
        rows = _recording_rows(pattern)
        offsets = checked.astype(np.int64) - int(pattern.start_pip)
        if offsets.size:
            outside = (offsets < 0) | (offsets >= rows.shape[0])
            if outside.any():
                pip = int(checked.reshape(-1)[int(np.argmax(outside.reshape(-1)))])
                raise IndexError(f"Pip outside non-looping recording: pip {pip} is not within {describe_recording(pattern)}")
        return np.take(rows, offsets, axis=0)
    if isinstance(pattern, MotionSource):
        source_pips = checked.astype(np.int64, copy=False) if interpolation == "step" else checked
        result: FloatArray = np.asarray(pattern.render_pips(source_pips, interpolation), dtype=np.float64)
        if result.shape[:-1] != source_pips.shape or result.ndim != source_pips.ndim + 1:
            raise ValueError(
                f"{type(pattern).__name__}.render_pips returned shape {result.shape} for pips of shape "
                f"{source_pips.shape}; a motion source returns pips.shape + (3,)"
            )
        return result
    raise TypeError(f"pattern must be {_PATTERN_TYPES}, got {type(pattern).__name__}")
