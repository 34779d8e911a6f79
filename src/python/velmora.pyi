"""Integer-pip rhythmic position functions.

Musical time is counted in pips, 64 to the beat (``PIPS_PER_BEAT``). Every pattern is a
pure function from a signed 32-bit pip to a position ``Offset3(x, y, z)`` with each
coordinate in [-1, 1]: exactly periodic, seekable to any pip (negative ones included) and
bit-for-bit reproducible.

- The fifteen core patterns are module functions (``bounce``, ``helix``, ``flam``, ...).
- ``catalogue()`` lists all 1,731 built-in patterns; ``sample(name, pip)`` evaluates any of
  them by name.
- ``SampledPattern`` and ``PatternLibrary`` add looping patterns of your own, given as one
  sample per pip; ``SampledRecording`` holds captured, non-looping multi-axis motion.

Example:
    >>> import velmora
    >>> velmora.sample("bounce", 32).as_tuple()
    (1.0, 0.0, 0.0)

A pip is an ``int`` or any object with ``__index__`` (numpy integers included) in
[-2**31, 2**31 - 1]; module functions and constructors also truncate other exact numbers
(``decimal.Decimal("5.9")`` is pip 5), while methods take integers only. A ``float`` is
always refused with ``TypeError``. Names
are ``str`` (taken as UTF-8), ``bytes`` or ``bytearray``. Arguments typed as collections
accept any object with ``__len__`` and ``__getitem__`` (list, tuple, range, numpy array)
except ``str`` and ``bytes``, and, where the parameter converts, also generators, sets,
dict views, ``map`` and ``zip`` objects; a bare iterator such as ``iter(a_list)`` is
refused with ``TypeError``.
"""

from collections.abc import Generator, ValuesView
from decimal import Decimal
from fractions import Fraction
from collections.abc import Set as AbstractSet
from typing import (
    Any,
    Final,
    NoReturn,
    Protocol,
    SupportsFloat,
    SupportsIndex,
    TypeAlias,
    TypedDict,
    TypeVar,
    type_check_only,
)

_T = TypeVar("_T")
_T_co = TypeVar("_T_co", covariant=True)

@type_check_only
class _SequenceLike(Protocol[_T_co]):
    # What the interpreter's sequence protocol asks of an argument: a length and items
    # by position. Lists, tuples, ranges and numpy arrays all qualify.
    def __len__(self) -> int: ...
    def __getitem__(self, index: int, /) -> _T_co: ...

# A collection argument: a sequence, or one of the iterables that the module exhausts
# into a tuple first. Plain iterators are refused at run time.
_Collection: TypeAlias = (
    _SequenceLike[_T] | Generator[_T, Any, Any] | AbstractSet[_T] | ValuesView[_T] | map[_T] | zip[_T]
)
_Name: TypeAlias = str | bytes | bytearray
_Real: TypeAlias = SupportsFloat | SupportsIndex
# A pip given to a method: an integer (int, bool, numpy integers, anything with __index__).
_Pip: TypeAlias = SupportsIndex
# A pip given to a module function or a constructor, which also converts the standard
# library's other exact numbers, truncating them; never a float.
_AnyPip: TypeAlias = SupportsIndex | Decimal | Fraction

@type_check_only
class _BoundClassType(type):
    # pybind11 makes every bound class with a metaclass of its own
    # (pybind11_builtins.pybind11_type); it adds nothing that a caller uses.
    ...

PIPS_PER_BEAT: Final = 64
"""Pips in one beat: pip p lies p / 64 beats after pip 0."""

@type_check_only
class CatalogueEntry(TypedDict):
    """One pattern as ``catalogue()`` lists it; the keys always come in this order."""

    name: str
    """The pattern's name: lower-case letters, digits and ``_``, starting with a letter."""
    description: str
    """One line of prose about the pattern."""
    period_pips: int
    """The length of one loop in pips (64 per beat)."""
    dimensions: int
    """The highest axis the pattern uses: 1 (x), 2 (y) or 3 (z); higher axes stay 0."""

class Offset3(metaclass=_BoundClassType):
    """A position sample: three floats ``x``, ``y`` and ``z``, each within [-1, 1].

    Only the module makes them (``Offset3()`` raises ``TypeError``). Each call returns a
    new object; instances compare equal only to themselves, so compare ``as_tuple()``
    values. They cannot be pickled.

    Example:
        >>> velmora.circle(16).as_tuple()
        (1.0, 0.0, 0.0)
    """

    def __init__(self, *args: NoReturn, **kwargs: NoReturn) -> None:
        """Always raises ``TypeError``: positions come only from the module's functions."""
    @property
    def x(self) -> float:
        """The x coordinate, in [-1, 1]; read-only."""
    @property
    def y(self) -> float:
        """The y coordinate, in [-1, 1]; read-only."""
    @property
    def z(self) -> float:
        """The z coordinate, in [-1, 1]; read-only."""
    def as_tuple(self) -> tuple[float, float, float]:
        """A new tuple ``(x, y, z)``."""

class SampledRecording(metaclass=_BoundClassType):
    """Captured motion: one row per pip from ``start_pip`` on, one value per named axis.

    It does not loop: sampling outside its rows raises ``IndexError``. The tempo and beat
    origin tie its pips to the performance's clock (pip p falls at
    ``beat_zero_seconds + p * 60 / bpm / 64`` seconds); the recording stores them but
    converts nothing itself. Immutable; cannot be pickled.

    Example:
        >>> take = velmora.SampledRecording("take", ["x", "y"], [[0.1, 0.2], [0.3, 0.4]], 120.0, start_pip=10)
        >>> take.sample(11)
        [0.3, 0.4]
    """

    def __init__(
        self,
        name: _Name,
        dimensions: _Collection[_Name],
        samples: _Collection[_Collection[_Real]],
        bpm: _Real,
        beat_zero_seconds: _Real = 0.0,
        start_pip: _AnyPip = 0,
    ) -> None:
        """Validates and copies a recording.

        Parameters:
            name: the recording's name, an identifier: 1 to 128 bytes, ``a``-``z`` first,
                then ``a``-``z``, ``0``-``9`` or ``_``.
            dimensions: the axis names, identifiers, no two alike.
            samples: the rows, one per pip, each holding one value per axis, in axis
                order; every value finite and within [-1, 1].
            bpm: the tempo in beats per minute, finite and positive.
            beat_zero_seconds: when beat 0 (pip 0) falls, in seconds; finite.
            start_pip: the pip of the first row.

        Raises:
            ValueError: in this order of checks: "Invalid identifier" (the name),
                "A finite positive BPM and beat origin are required", "Empty recording or
                recording resource limit exceeded" (no axes, no rows, more than 8,388,608
                values, or rows running past pip 2**31 - 1), "Invalid identifier" (an
                axis), "Duplicate axis", "Ragged recording" (a row of another length) or
                "Invalid sample".
            TypeError: an argument of the wrong type.
        """
    @property
    def name(self) -> str:
        """The recording's name."""
    @property
    def dimensions(self) -> list[str]:
        """The axis names in row order; a new list at each access."""
    @property
    def sample_count(self) -> int:
        """The number of rows."""
    @property
    def bpm(self) -> float:
        """The tempo of the performance, in beats per minute."""
    @property
    def beat_zero_seconds(self) -> float:
        """The time of beat 0 (pip 0), in seconds."""
    @property
    def start_pip(self) -> int:
        """The pip of the first row."""
    def sample(self, pip: _Pip) -> list[float]:
        """The row of ``pip``: a new list with one value per axis, in axis order.

        Raises:
            IndexError: "Pip outside non-looping recording" for a pip before
                ``start_pip`` or at ``start_pip + sample_count`` or later.
            TypeError: a pip that is not an integer (``int`` or ``__index__``).
        """

class SampledPattern(metaclass=_BoundClassType):
    """A looping pattern of your own: one sample per pip, repeating for ever.

    Its period is its number of samples; sampling wraps any pip into the loop, negative
    pips included. Immutable; cannot be pickled.

    Example:
        >>> step = velmora.SampledPattern("step", "one lift", [(0.0, 0.5, 0.0), (0.0, 0.0, 0.0)])
        >>> step.sample(-1).as_tuple()
        (0.0, 0.0, 0.0)
    """

    def __init__(self, name: _Name, description: _Name, samples: _Collection[_Collection[_Real]]) -> None:
        """Validates and copies a pattern.

        Parameters:
            name: an identifier: 1 to 128 bytes, ``a``-``z`` first, then ``a``-``z``,
                ``0``-``9`` or ``_``.
            description: free text.
            samples: 1 to 65,535 samples, sample i being the position at pip i of the
                loop; each exactly three numbers (x, y, z), finite and within [-1, 1].

        Raises:
            ValueError: "Invalid pattern name", "A pattern requires 1..65535 samples (one
                per pip)" or "Pattern samples must be finite and within [-1, 1]", checked
                in that order.
            TypeError: an argument of the wrong type, or a sample of other than three
                numbers.
        """
    @property
    def name(self) -> str:
        """The pattern's name."""
    @property
    def description(self) -> str:
        """The pattern's description.

        Raises:
            UnicodeDecodeError: for a description given as bytes that are not UTF-8.
        """
    @property
    def period_pips(self) -> int:
        """The length of the loop in pips: the number of samples."""
    def sample(self, pip_count: _Pip) -> Offset3:
        """The sample at ``pip_count``'s place in the loop (its Euclidean remainder).

        Raises:
            TypeError: a pip that is not an integer (``int`` or ``__index__``).
        """

class PatternLibrary(metaclass=_BoundClassType):
    """Your patterns layered over the built-in catalogue; built-in ones cannot be replaced.

    The library keeps its own copies, so the ``SampledPattern`` objects given to it stay
    usable and may go into other libraries. Immutable; cannot be pickled.

    Example:
        >>> wave = velmora.SampledPattern("my_wave", "", [(0.5, 0.0, 0.0), (-0.5, 0.0, 0.0)])
        >>> library = velmora.PatternLibrary([wave])
        >>> library.sample("my_wave", 3).x, library.sample("bounce", 32).x
        (-0.5, 1.0)
    """

    def __init__(self, patterns: _Collection[SampledPattern] = ...) -> None:
        """Validates a pack of patterns.

        A pattern bearing a built-in name is accepted only if it repeats that pattern
        exactly (description, period and every sample); it is then not stored.

        Parameters:
            patterns: at most 1,024 patterns of at most 1,048,576 samples in all, with
                distinct names; empty by default.

        Raises:
            ValueError: "Too many patterns", "Duplicate pattern name: <name>", "Pattern
                pack is too large" or "Cannot override default pattern: <name>"; the first
                offending pattern decides.
            TypeError: an element that is not a ``SampledPattern``.
            RuntimeError: an element that is ``None``.
        """
    def sample(self, name: _Name, pip_count: _Pip) -> Offset3:
        """The named pattern at ``pip_count``: a stored pattern first, else a built-in one.

        Raises:
            ValueError: "Unknown velmora: <name>" for a name that is neither stored nor
                built in.
            TypeError: a pip that is not an integer (``int`` or ``__index__``).
        """
    def catalogue(self) -> list[CatalogueEntry]:
        """Every built-in entry, then one per stored pattern in input order; a new list.

        Raises:
            UnicodeDecodeError: for a stored description given as bytes that are not UTF-8.
        """

def sample(name: _Name, pip_count: _AnyPip) -> Offset3:
    """Any built-in pattern, by name, at a pip.

    Parameters:
        name: a name from ``catalogue()``, matched byte for byte.
        pip_count: the pip; besides integers, other exact numbers are truncated
            (``decimal.Decimal("5.9")`` is pip 5); a ``float`` is refused.

    Raises:
        ValueError: "Unknown velmora: <name>" for any other name.
        TypeError: a float pip, or one outside the signed 32-bit range.

    Example:
        >>> velmora.sample("lfo_breathe", 64).x
        0.8
    """

def catalogue() -> list[CatalogueEntry]:
    """All 1,731 built-in patterns, the fifteen core ones first; a new list at each call.

    Example:
        >>> [entry["name"] for entry in velmora.catalogue()][:3]
        ['bounce', 'sway', 'circle']
    """

def bounce(pip: _AnyPip, /) -> Offset3:
    """One-beat vertical bounce (period 64 pips, one axis: x)."""

def sway(pip: _AnyPip, /) -> Offset3:
    """Two-beat side-to-side sway (period 128 pips, one axis: x)."""

def circle(pip: _AnyPip, /) -> Offset3:
    """One-beat circular orbit (period 64 pips, two axes)."""

def figure_eight(pip: _AnyPip, /) -> Offset3:
    """Two-beat figure eight (period 128 pips, two axes)."""

def step_touch(pip: _AnyPip, /) -> Offset3:
    """Two-beat side step with a small lift (period 128 pips, two axes)."""

def box_step(pip: _AnyPip, /) -> Offset3:
    """Four-beat softened square path (period 256 pips, two axes)."""

def helix(pip: _AnyPip, /) -> Offset3:
    """Four-beat double-turn helix (period 256 pips, three axes)."""

def clay_background(pip: _AnyPip, /) -> Offset3:
    """Clay/Stars four-beat accented background drift (period 256 pips, two axes)."""

def single_stroke_roll(pip: _AnyPip, /) -> Offset3:
    """Alternating R/L strokes with smooth attack and decay (period 64 pips, two axes)."""

def double_stroke_roll(pip: _AnyPip, /) -> Offset3:
    """RRLL strokes with a softer second motion (period 64 pips, two axes)."""

def multiple_bounce_roll(pip: _AnyPip, /) -> Offset3:
    """Decaying same-hand bounce clusters (period 64 pips, two axes)."""

def single_paradiddle(pip: _AnyPip, /) -> Offset3:
    """RLRR LRLL with accented lead strokes (period 128 pips, two axes)."""

def flam(pip: _AnyPip, /) -> Offset3:
    """A grace motion flowing into an opposite-hand primary motion (period 64 pips, two axes)."""

def drag(pip: _AnyPip, /) -> Offset3:
    """Two grace motions flowing into an opposite-hand primary motion (period 64 pips, two axes)."""

def five_stroke_roll(pip: _AnyPip, /) -> Offset3:
    """Two diddles resolving to an accented fifth motion (period 128 pips, two axes)."""
