"""Property-based tests of the Python surface: whatever names, pips, sample lists,
recordings and argument types a caller passes, a call only ever returns the documented
result or raises the documented exception with the documented message."""

import decimal
import math

import pytest
import velmora
from hypothesis import HealthCheck, assume, given, settings
from hypothesis import strategies as st

INT32_MIN, INT32_MAX = -2**31, 2**31 - 1
CATALOGUE = velmora.catalogue()
NAMES = [entry["name"] for entry in CATALOGUE]
NAME_SET = set(NAMES)
NAME_BYTES = {name.encode() for name in NAMES}
PERIODS = {entry["name"]: entry["period_pips"] for entry in CATALOGUE}

PATTERN_NAME = "Invalid pattern name"
PATTERN_COUNT = "A pattern requires 1..65535 samples (one per pip)"
PATTERN_VALUE = "Pattern samples must be finite and within [-1, 1]"
IDENTIFIER = "Invalid identifier"
TEMPO = "A finite positive BPM and beat origin are required"
RESOURCE = "Empty recording or recording resource limit exceeded"
OUTSIDE = "Pip outside non-looping recording"

checks = settings(max_examples=300, deadline=None, database=None,
                  suppress_health_check=[HealthCheck.too_slow, HealthCheck.filter_too_much])

pips = st.integers(INT32_MIN, INT32_MAX)
surrogate = st.characters(min_codepoint=0xD800, max_codepoint=0xDFFF)
near_names = st.sampled_from(NAMES).flatmap(lambda n: st.sampled_from(
    [n, n[:-1], n + "_", n.upper(), " " + n, n + "\0", n.replace("_", "-")]))
identifier_like = st.from_regex(r"\A[a-z][a-z0-9_]{0,130}\Z")
any_name = st.one_of(near_names, identifier_like, st.text(max_size=40), st.binary(max_size=40),
                     st.builds(lambda a, s, b: a + s + b, st.text(max_size=5), surrogate, st.text(max_size=5)))


def name_bytes(name):
    return name if isinstance(name, (bytes, bytearray)) else name.encode("utf-8")


def encodable(name):
    try:
        name_bytes(name)
    except UnicodeEncodeError:
        return False
    return True


def is_identifier(raw):
    return (1 <= len(raw) <= 128 and 0x61 <= raw[0] <= 0x7A
            and all(0x61 <= c <= 0x7A or 0x30 <= c <= 0x39 or c == 0x5F for c in raw))


def unknown_message(name):
    return (b"Unknown velmora: " + bytes(name_bytes(name))).decode("utf-8", "backslashreplace")


def in_unit(offset):
    return all(math.isfinite(v) and -1.0 <= v <= 1.0 for v in offset.as_tuple())


# --- the built-in lookup ------------------------------------------------------------------

@checks
@given(name=any_name, pip=pips)
def test_sample_by_any_name(name, pip):
    if not encodable(name):
        with pytest.raises(TypeError):
            velmora.sample(name, pip)
        return
    if bytes(name_bytes(name)) in NAME_BYTES:
        assert in_unit(velmora.sample(name, pip))
    else:
        with pytest.raises(ValueError) as error:
            velmora.sample(name, pip)
        assert str(error.value) == unknown_message(name)


@checks
@given(name=st.sampled_from(NAMES), pip=pips, turns=st.integers(-3, 3))
def test_built_in_patterns_repeat_over_the_whole_pip_range(name, pip, turns):
    other = pip + turns * PERIODS[name]
    assume(INT32_MIN <= other <= INT32_MAX)
    assert velmora.sample(name, pip).as_tuple() == velmora.sample(name, other).as_tuple()
    assert velmora.sample(name, pip).as_tuple() == velmora.sample(name, pip % PERIODS[name]).as_tuple()


class Indexable:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


pip_like = st.one_of(
    pips, st.integers(), st.booleans(), st.floats(), st.none(), st.text(max_size=3),
    st.decimals(allow_nan=True, allow_infinity=True, places=2),
    st.integers().map(Indexable), st.just([]))


def converted_pip(value, strict):
    """The pip a convertible or strict 32-bit parameter takes from `value`, or None for TypeError."""
    if isinstance(value, float) or value is None or isinstance(value, (str, list)):
        return None
    if isinstance(value, (int, Indexable)):
        number = int(value.value if isinstance(value, Indexable) else value)
    elif isinstance(value, decimal.Decimal):
        if strict or not value.is_finite():
            return None
        number = int(value)
    else:
        return None
    return number if INT32_MIN <= number <= INT32_MAX else None


@checks
@given(value=pip_like)
def test_pip_argument_types(value):
    pattern = velmora.SampledPattern("p", "", [(0.25, 0.0, 0.0), (0.5, 0.0, 0.0), (0.75, 0.0, 0.0)])
    library = velmora.PatternLibrary([pattern])
    take = velmora.SampledRecording("take", ["x"], [[0.5]], 120.0, 0.0, 7)
    calls = [("module", lambda v: velmora.sample("sway", v)), ("module", velmora.sway),
             ("pattern", pattern.sample), ("pattern", lambda v: library.sample("p", v)),
             ("recording", take.sample)]
    for kind, call in calls:
        pip = converted_pip(value, strict=kind != "module")
        if pip is None:
            with pytest.raises(TypeError):
                call(value)
        elif kind == "recording":
            if pip == 7:
                assert call(value) == [0.5]
            else:
                with pytest.raises(IndexError, match=f"^{OUTSIDE}$"):
                    call(value)
        elif kind == "pattern":
            assert call(value).x == [0.25, 0.5, 0.75][pip % 3]
        else:
            assert call(value).as_tuple() == velmora.sway(pip).as_tuple()


# --- user patterns ------------------------------------------------------------------------

coordinate = st.one_of(st.floats(), st.floats(-1.0, 1.0), st.sampled_from([1.0, -1.0, 0.0, -0.0]),
                       st.integers(-2, 2), st.booleans())
triple = st.tuples(coordinate, coordinate, coordinate)
odd_sample = st.one_of(st.tuples(coordinate, coordinate), st.tuples(coordinate, coordinate, coordinate, coordinate),
                       st.tuples(coordinate, st.text(max_size=1), coordinate), st.none(), coordinate)
sample_lists = st.one_of(st.lists(triple, max_size=12), st.lists(triple.map(list), max_size=4),
                         st.lists(st.one_of(triple, odd_sample), max_size=6))


def pattern_outcome(name, samples):
    """(exception type, message) for a refused construction, or None."""
    well_formed = all(isinstance(s, (tuple, list)) and len(s) == 3 and
                      all(isinstance(v, (int, float)) for v in s) for s in samples)
    if not well_formed or not encodable(name):
        return TypeError, None
    if not is_identifier(name_bytes(name)):
        return ValueError, PATTERN_NAME
    if not 1 <= len(samples) <= 65535:
        return ValueError, PATTERN_COUNT
    if not all(math.isfinite(v) and abs(v) <= 1 for s in samples for v in s):
        return ValueError, PATTERN_VALUE
    return None


@checks
@given(name=any_name, description=st.one_of(st.text(max_size=8), st.binary(max_size=8)),
       samples=sample_lists, pip=pips)
def test_sampled_pattern_from_anything(name, description, samples, pip):
    outcome = pattern_outcome(name, samples)
    if outcome is not None:
        kind, message = outcome
        with pytest.raises(kind) as error:
            velmora.SampledPattern(name, description, samples)
        if message is not None:
            assert str(error.value) == message
        return
    pattern = velmora.SampledPattern(name, description, samples)
    assert pattern.period_pips == len(samples)
    got = pattern.sample(pip).as_tuple()
    assert got == tuple(float(v) for v in samples[pip % len(samples)])
    # One period on or back is the same sample.
    for other in (pip + len(samples), pip - len(samples)):
        if INT32_MIN <= other <= INT32_MAX:
            assert pattern.sample(other).as_tuple() == got


def dimensions_of(samples):
    if any(s[2] != 0 for s in samples):
        return 3
    return 2 if any(s[1] != 0 for s in samples) else 1


unit_triple = st.tuples(st.floats(-1, 1), st.floats(-1, 1), st.floats(-1, 1))
user_names = st.one_of(st.from_regex(r"\A[a-z][a-z0-9_]{0,6}\Z"), st.sampled_from(NAMES[:20] + NAMES[-20:]))


@checks
@given(entries=st.lists(st.tuples(user_names, st.lists(unit_triple, min_size=1, max_size=6)), max_size=8),
       pip=pips)
def test_pattern_library_from_any_pack(entries, pip):
    patterns = [velmora.SampledPattern(name, "user", samples) for name, samples in entries]
    seen, expected_error, stored = set(), None, []
    for name, samples in entries:
        if name in seen:
            expected_error = "Duplicate pattern name: " + name
            break
        seen.add(name)
        if name in NAME_SET:  # a description of "user" never repeats a built-in entry
            expected_error = "Cannot override default pattern: " + name
            break
        stored.append((name, samples))
    if expected_error is not None:
        with pytest.raises(ValueError) as error:
            velmora.PatternLibrary(patterns)
        assert str(error.value) == expected_error
        return
    library = velmora.PatternLibrary(patterns)
    listed = library.catalogue()
    assert len(listed) == len(CATALOGUE) + len(stored)
    assert listed[:len(CATALOGUE)] == CATALOGUE
    for entry, (name, samples) in zip(listed[len(CATALOGUE):], stored):
        assert entry == {"name": name, "description": "user", "period_pips": len(samples),
                         "dimensions": dimensions_of(samples)}
        assert library.sample(name, pip).as_tuple() == tuple(samples[pip % len(samples)])
    name = NAMES[pip % len(NAMES)]
    assert library.sample(name, pip).as_tuple() == velmora.sample(name, pip).as_tuple()


@checks
@given(pack=st.one_of(st.lists(st.one_of(st.none(), st.integers(), st.text(max_size=2), st.just("pattern")),
                               min_size=1, max_size=4),
                      st.integers(), st.text(max_size=3), st.none()))
def test_pattern_library_argument_types(pack):
    good = velmora.SampledPattern("good", "", [(0.0, 0.0, 0.0)])
    if isinstance(pack, list):
        pack = [good if item == "pattern" else item for item in pack]
        assume(any(item is not good for item in pack))
        # Any element that is not a SampledPattern, None included, fails the conversion.
        with pytest.raises(TypeError):
            velmora.PatternLibrary(pack)
    else:
        with pytest.raises(TypeError):
            velmora.PatternLibrary(pack)


# --- recordings ---------------------------------------------------------------------------

value = st.one_of(st.floats(-1, 1), st.sampled_from([1.0, -1.0, 1.0000000000000002, math.nan, math.inf]),
                  st.floats())
axis_names = st.one_of(st.sampled_from(["x", "y", "z", "w"]), identifier_like, st.text(max_size=4))
tempo = st.one_of(st.floats(), st.sampled_from([120.0, 1e-320, 3e-307, 0.0, -120.0]), st.integers(-5, 500))


def recording_outcome(name, axes, rows, bpm, origin, start):
    if not encodable(name) or not all(encodable(a) for a in axes):
        return TypeError
    if not is_identifier(name_bytes(name)):
        return IDENTIFIER
    bpm, origin = float(bpm), float(origin)
    beat = 60.0 / bpm if bpm > 0 else math.inf
    if not (math.isfinite(bpm) and bpm > 0 and math.isfinite(beat) and beat * (1 / 64) > 0 and math.isfinite(origin)):
        return TEMPO
    if not axes or not rows or len(rows) > (1 << 23) // len(axes) or start + len(rows) > INT32_MAX:
        return RESOURCE
    seen = set()
    for axis in axes:
        if not is_identifier(name_bytes(axis)):
            return IDENTIFIER
        if axis in seen:
            return "Duplicate axis"
        seen.add(axis)
    for row in rows:
        if len(row) != len(axes):
            return "Ragged recording"
        if not all(math.isfinite(v) and abs(v) <= 1 for v in row):
            return "Invalid sample"
    return None


@checks
@given(name=st.one_of(st.just("take"), any_name), axes=st.lists(axis_names, max_size=4),
       rows=st.lists(st.lists(value, max_size=4), max_size=5), bpm=tempo,
       origin=st.one_of(st.just(0.0), st.floats()), start=pips, pip=pips)
def test_sampled_recording_from_anything(name, axes, rows, bpm, origin, start, pip):
    outcome = recording_outcome(name, axes, rows, bpm, origin, start)
    if outcome is TypeError:
        with pytest.raises(TypeError):
            velmora.SampledRecording(name, axes, rows, bpm, origin, start)
        return
    if outcome is not None:
        with pytest.raises(ValueError) as error:
            velmora.SampledRecording(name, axes, rows, bpm, origin, start)
        assert str(error.value) == outcome
        return
    take = velmora.SampledRecording(name, axes, rows, bpm, origin, start)
    assert take.sample_count == len(rows) and take.dimensions == list(axes)
    for row, at in enumerate(range(start, start + len(rows))):
        assert take.sample(at) == [float(v) for v in rows[row]]
    if start <= pip < start + len(rows):
        assert take.sample(pip) == [float(v) for v in rows[pip - start]]
    else:
        with pytest.raises(IndexError) as error:
            take.sample(pip)
        assert str(error.value) == OUTSIDE


@checks
@given(dimensions=st.one_of(st.text(max_size=3), st.binary(max_size=3), st.integers(), st.lists(st.integers(), min_size=1)),
       rows=st.one_of(st.text(max_size=2), st.lists(st.text(max_size=2), min_size=1), st.just([[None]])))
def test_recording_argument_types(dimensions, rows):
    with pytest.raises(TypeError):
        velmora.SampledRecording("take", dimensions, [[0.5]], 120.0)
    with pytest.raises(TypeError):
        velmora.SampledRecording("take", ["x"], rows, 120.0)


# --- every sequence argument through every kind of container ------------------------------
#
# Each sequence-taking argument is given the same data as a plain list and through another
# kind of container; the two calls must end the same way: the same result, or the same
# exception with the same message (pybind11's TypeError message quotes the arguments, so
# only its type is compared). Containers that raise must pass their exception through.
# VELMORA_HYPOTHESIS_EXAMPLES sets the number of examples for each kind (10,000 for the
# long run under PYTHONMALLOC=debug); the default keeps `make test` short.

import os
import struct

import numpy

hostile = settings(checks, max_examples=int(os.environ.get("VELMORA_HYPOTHESIS_EXAMPLES", "40")))


class Boom(Exception):
    """Raised by the containers that fail while being read."""


def fresh(item):
    """An equal object that nothing else holds, as a numpy array or a lazy sequence makes
    on every access."""
    if isinstance(item, float):
        return struct.unpack("d", struct.pack("d", item))[0]
    if isinstance(item, str):
        return (item + ".")[:-1]
    if isinstance(item, (list, tuple)):
        return type(item)(fresh(x) for x in item)
    return item() if callable(item) else item


class FreshSequence:
    def __init__(self, items):
        self.items = items

    def __len__(self):
        return len(self.items)

    def __getitem__(self, index):
        if index >= len(self.items):
            raise IndexError(index)
        return fresh(self.items[index])


class LyingSequence(FreshSequence):
    """Its __len__ is off by a little; its items are what iterating it gives."""

    def __init__(self, items, off):
        super().__init__(items)
        self.off = off

    def __len__(self):
        return max(0, len(self.items) + self.off)


class FailingItem(FreshSequence):
    def __init__(self, items, at):
        super().__init__(items)
        self.at = at

    def __getitem__(self, index):
        if index == self.at < len(self.items):
            raise Boom(index)
        return super().__getitem__(index)


class FailingLength(FreshSequence):
    def __len__(self):
        raise Boom("len")


PLAIN_KINDS = ["list", "tuple", "fresh", "generator", "map", "lying", "numpy_object"]
RAISING_KINDS = ["failing_item", "failing_length"]
TABLE_KINDS = ["numpy_float64", "numpy_float32", "numpy_int", "numpy_strided"]
INNER_KINDS = ["list", "tuple", "fresh", "generator", "map", "numpy_float64", "numpy_float32"]


def contain(kind, items, off=1, at=0):
    """`items` (a list) through a container of that kind, and the list the call through it
    must match; for numpy number types that is the array's own list."""
    if kind == "list":
        return [fresh(x) for x in items], items
    if kind == "tuple":
        return tuple(fresh(x) for x in items), items
    if kind == "fresh":
        return FreshSequence(items), items
    if kind == "generator":
        return (fresh(x) for x in items), items
    if kind == "map":
        return map(fresh, items), items
    if kind == "lying":
        return LyingSequence(items, off), items
    if kind == "failing_item":
        return FailingItem(items, at), items
    if kind == "failing_length":
        return FailingLength(items), items
    if kind == "numpy_object":
        array = numpy.empty(len(items), dtype=object)
        for index, item in enumerate(items):
            array[index] = fresh(item)
        return array, items
    rows = [list(item) for item in items]
    if kind == "numpy_int":
        rows = [[int(v) if math.isfinite(v) else 2 for v in row] for row in rows]
    dtype = {"numpy_float32": numpy.float32, "numpy_int": numpy.int64}.get(kind, numpy.float64)
    if kind == "numpy_strided":
        # Every other row and column of a larger array: a view with gaps.
        wide = numpy.full((2 * len(rows), 2 * len(rows[0]) if rows else 0), 9.0)
        wide[::2, ::2] = rows
        array = wide[::2, ::2]
    else:
        array = numpy.array(rows, dtype=dtype).reshape(len(rows), len(rows[0]) if rows else 0)
    return array, array.tolist()


def contain_inner(kind, row):
    if kind.startswith("numpy"):
        array = numpy.array(row, dtype=numpy.float32 if kind == "numpy_float32" else numpy.float64)
        return array, array.tolist()
    return contain(kind, list(row))


def ending(call):
    """How a call ends: its result, or the exception's type and (but for TypeError) message."""
    try:
        return "result", call()
    except TypeError:
        return TypeError, None
    except (ValueError, IndexError, Boom) as error:
        return type(error), str(error)


def pattern_result(name, description, samples):
    pattern = velmora.SampledPattern(name, description, samples)
    return pattern.name, pattern.period_pips, [pattern.sample(p).as_tuple() for p in range(pattern.period_pips)]


def recording_result(axes, rows):
    take = velmora.SampledRecording("take", axes, rows, 120.0)
    return take.dimensions, [take.sample(p) for p in range(take.sample_count)]


def library_result(patterns):
    library = velmora.PatternLibrary(patterns)
    # Its whole catalogue is checked by the tests above; here, what each name gives.
    return [ending(lambda n=n: library.sample(n, 5).as_tuple()) for n in ("a", "b", "c", "bounce")]


def expect_same(kind, call_through, call_plain, rows_given):
    got = ending(call_through)
    if kind in RAISING_KINDS and rows_given:
        assert got[0] is Boom, got
        return
    assert got == ending(call_plain)


number = st.one_of(st.floats(-1, 1), st.sampled_from([1.0, -1.0, 0.0, -0.0, 1.5, math.nan, math.inf]),
                   st.integers(-2, 2).map(float))
kinds = st.sampled_from(INNER_KINDS)


@pytest.mark.parametrize("kind", PLAIN_KINDS + RAISING_KINDS + TABLE_KINDS)
@hostile
@given(samples=st.lists(st.tuples(number, number, number), max_size=6), inner=kinds,
       off=st.integers(-2, 3), at=st.integers(0, 5))
def test_pattern_samples_through_any_container(kind, samples, inner, off, at):
    if kind in TABLE_KINDS:
        through, plain = contain(kind, samples)
    else:
        # Each sample is made anew on each access (a generator can be read only once).
        through, _ = contain(kind, [lambda s=s: contain_inner(inner, s)[0] for s in samples], off, at)
        plain = [tuple(contain_inner(inner, s)[1]) for s in samples]
    raising = kind in RAISING_KINDS and (kind == "failing_length" or at < len(samples))
    expect_same(kind, lambda: pattern_result("p", "", through), lambda: pattern_result("p", "", plain), raising)


@pytest.mark.parametrize("kind", PLAIN_KINDS + RAISING_KINDS + TABLE_KINDS)
@hostile
@given(width=st.integers(0, 3), rows=st.lists(st.lists(number, min_size=0, max_size=3), max_size=5),
       ragged=st.booleans(), inner=kinds, off=st.integers(-2, 3), at=st.integers(0, 5))
def test_recording_rows_through_any_container(kind, width, rows, ragged, inner, off, at):
    if not ragged or kind in TABLE_KINDS:
        rows = [(row * 3)[:width] if row else [0.5] * width for row in rows]
    axes = ["x", "y", "z"][:width]
    if kind in TABLE_KINDS:
        through, plain = contain(kind, rows)
    else:
        through, _ = contain(kind, [lambda r=r: contain_inner(inner, r)[0] for r in rows], off, at)
        plain = [contain_inner(inner, r)[1] for r in rows]
    raising = kind in RAISING_KINDS and (kind == "failing_length" or at < len(rows))
    expect_same(kind, lambda: recording_result(axes, through), lambda: recording_result(axes, plain), raising)


@pytest.mark.parametrize("kind", PLAIN_KINDS + RAISING_KINDS + ["numpy_str"])
@hostile
@given(axes=st.lists(st.one_of(st.sampled_from(["x", "y", "z", "x1"]), st.text(max_size=3)), max_size=4),
       off=st.integers(-2, 3), at=st.integers(0, 5))
def test_recording_axes_through_any_container(kind, axes, off, at):
    rows = [[0.25] * len(axes)]
    if kind == "numpy_str":
        if not all(encodable(a) and "\0" not in a for a in axes):
            return
        array = numpy.array(axes, dtype=str) if axes else numpy.array([], dtype=str)
        through, plain = array, [str(a) for a in array]
    else:
        through, plain = contain(kind, axes, off, at)
    raising = kind in RAISING_KINDS and (kind == "failing_length" or at < len(axes))
    expect_same(kind, lambda: recording_result(through, rows), lambda: recording_result(plain, rows), raising)


@pytest.mark.parametrize("kind", PLAIN_KINDS + RAISING_KINDS)
@hostile
@given(named_samples=st.lists(st.tuples(st.sampled_from(["a", "b", "c", "bounce"]), st.lists(unit_triple, min_size=1, max_size=3)),
                      max_size=4), off=st.integers(-2, 3), at=st.integers(0, 5))
def test_library_patterns_through_any_container(kind, named_samples, off, at):
    # Each access may make a new pattern object, which only the library's conversion holds.
    makers = [lambda n=n, s=s: velmora.SampledPattern(n, "user", s) for n, s in named_samples]
    through, _ = contain(kind, makers, off, at)
    plain = [make() for make in makers]
    raising = kind in RAISING_KINDS and (kind == "failing_length" or at < len(named_samples))
    expect_same(kind, lambda: library_result(through), lambda: library_result(plain), raising)
