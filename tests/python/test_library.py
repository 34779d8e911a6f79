import decimal
import gc
import inspect
import math
import pickle

import pytest
import velmora

SampledPattern = velmora.SampledPattern
PatternLibrary = velmora.PatternLibrary

VALUE_MESSAGE = "Pattern samples must be finite and within [-1, 1]"


def triples(pattern_name, count):
    """The samples of a built-in pattern, one per pip."""
    return [velmora.sample(pattern_name, pip).as_tuple() for pip in range(count)]


def builtin_entry(name):
    return next(entry for entry in velmora.catalogue() if entry["name"] == name)


def exact_repeat(entry):
    return SampledPattern(entry["name"], entry["description"], triples(entry["name"], entry["period_pips"]))


# --- SampledPattern ---------------------------------------------------------------------

def test_pattern_properties_and_sampling():
    step = SampledPattern("step", "one lift", [[0.0, 0.5, 0.0]])
    assert (step.name, step.description, step.period_pips) == ("step", "one lift", 1)
    for pip in (0, 1, -1, 2**31 - 1, -2**31, True):
        result = step.sample(pip)
        assert isinstance(result, velmora.Offset3)
        assert result.as_tuple() == (0.0, 0.5, 0.0)
    three = SampledPattern("three", "", [(0.1, 0, 0), (0.2, 0, 0), (0.3, 0, 0)])
    assert [three.sample(pip).x for pip in (0, 4, -1, -3)] == [0.1, 0.2, 0.3, 0.1]
    assert three.sample(pip_count=5).x == 0.3


def test_pattern_accepts_sequences_and_generators_of_triples():
    rows = [(0.25, -0.5, 1.0), (1, 0, -1)]
    expected = [(0.25, -0.5, 1.0), (1.0, 0.0, -1.0)]
    for samples in (rows, [list(r) for r in rows], tuple(rows), (tuple(r) for r in rows)):
        p = SampledPattern(name=b"gen", description=bytearray(b"d"), samples=samples)
        assert [p.sample(i).as_tuple() for i in range(2)] == expected
        assert p.name == "gen" and p.description == "d"


@pytest.mark.parametrize("samples", [[(0.0, 0.0)], [(0.0, 0.0, 0.0, 0.0)], [0.5], ["abc"], [(0.0, "x", 0.0)],
                                     "abc", None, iter([(0.0, 0.0, 0.0)])])
def test_pattern_refuses_unconvertible_samples(samples):
    with pytest.raises(TypeError):
        SampledPattern("p", "", samples)


@pytest.mark.parametrize("name", ["", "A", "aB", "1a", "_a", "a-b", "a.b", "a b", "a" * 129, "\u00e9",
                                  b"a\xff", "\udcff"])
def test_pattern_name_rule(name):
    expected = TypeError if name == "\udcff" else ValueError  # a lone surrogate cannot be encoded
    with pytest.raises(expected) as info:
        SampledPattern(name, "", [(0.0, 0.0, 0.0)])
    if expected is ValueError:
        assert str(info.value) == "Invalid pattern name"


def test_pattern_value_and_count_rules():
    assert SampledPattern("a" * 128, "", [(1.0, -1.0, 1.0)]).period_pips == 1
    assert SampledPattern("big", "", [(0.0, 0.0, 0.0)] * 65535).period_pips == 65535
    for count in (0, 65536):
        with pytest.raises(ValueError, match=r"^A pattern requires 1\.\.65535 samples \(one per pip\)$"):
            SampledPattern("p", "", [(0.0, 0.0, 0.0)] * count)
    for bad in (1.5, math.nextafter(1.0, 2.0), -1.0000001, math.inf, -math.inf, math.nan):
        for axis in range(3):
            sample = [0.0, 0.0, 0.0]
            sample[axis] = bad
            with pytest.raises(ValueError) as info:
                SampledPattern("p", "", [(0.0, 0.0, 0.0), sample])
            assert str(info.value) == VALUE_MESSAGE
    with pytest.raises(ValueError, match="^Invalid pattern name$"):
        SampledPattern("Bad", "", [(2.0, 0.0, 0.0)])


def test_pattern_pip_is_strict():
    p = SampledPattern("p", "", [(0.0, 0.0, 0.0)])
    for pip in (1.0, decimal.Decimal(1), "1", 2**31, -2**31 - 1, None):
        with pytest.raises(TypeError):
            p.sample(pip)
    with pytest.raises(TypeError):
        p.sample(pip=0)


def test_undecodable_description_fails_only_when_read():
    p = SampledPattern("raw", b"\xff", [(0.0, 0.0, 0.1)])
    assert p.sample(0).z == 0.1
    with pytest.raises(UnicodeDecodeError):
        p.description
    library = PatternLibrary([p])
    assert library.sample("raw", 3).z == 0.1
    with pytest.raises(UnicodeDecodeError):
        library.catalogue()


# --- PatternLibrary ---------------------------------------------------------------------

def test_empty_library_matches_the_module_functions():
    builtins = velmora.catalogue()
    for library in (PatternLibrary(), PatternLibrary([]), PatternLibrary(patterns=())):
        assert library.catalogue() == builtins
    library = PatternLibrary()
    for entry in builtins:
        for pip in (0, 7, -1, 1000):
            assert library.sample(entry["name"], pip).as_tuple() == velmora.sample(entry["name"], pip).as_tuple()
    with pytest.raises(ValueError, match="^Unknown velmora: nope$"):
        library.sample("nope", 0)


def test_library_lists_and_finds_user_patterns_in_input_order():
    b = SampledPattern("b", "second", [(0.5, 0.0, 0.0), (-0.5, 0.0, 0.0)])
    a = SampledPattern("a", "first", [(0.0, 0.25, 0.0), (0.0, 0.0, 0.75)])
    library = PatternLibrary([b, a])
    entries = library.catalogue()
    assert len(entries) == len(velmora.catalogue()) + 2
    assert entries[-2:] == [
        {"name": "b", "description": "second", "period_pips": 2, "dimensions": 1},
        {"name": "a", "description": "first", "period_pips": 2, "dimensions": 3},
    ]
    assert list(entries[-1]) == ["name", "description", "period_pips", "dimensions"]
    assert library.sample("b", -1).x == -0.5
    assert library.sample(b"a", 3).z == 0.75
    assert library.sample(name=bytearray(b"a"), pip_count=True).z == 0.75
    assert library.sample("bounce", 5).as_tuple() == velmora.bounce(5).as_tuple()
    for other in ("B", "b ", "aa", "a\0", "a\0b"):
        with pytest.raises(ValueError) as info:
            library.sample(other, 0)
        assert str(info.value) == "Unknown velmora: " + other
    for pip in (1.0, decimal.Decimal(1), 2**31):
        with pytest.raises(TypeError):
            library.sample("b", pip)


def test_library_holds_copies():
    p = SampledPattern("mine", "d", [(0.1, 0.0, 0.0)])
    first = PatternLibrary([p])
    second = PatternLibrary((p,))
    assert p.sample(0).x == 0.1
    del p
    gc.collect()
    assert first.sample("mine", 9).x == second.sample("mine", 9).x == 0.1


def test_library_conversion_of_the_patterns_argument():
    p = SampledPattern("p", "", [(0.0, 0.0, 0.0)])
    q = SampledPattern("q", "", [(0.0, 0.0, 0.0)])
    for accepted in ((x for x in [p, q]), {p}, map(lambda x: x, [p]), {p: 1}.keys(), [p, q]):
        PatternLibrary(accepted)
    # None, like any other object that is not a SampledPattern, fails the conversion.
    for refused in ([p, 1], [None], [p, None], iter([p]), p, "p", None, 5):
        with pytest.raises(TypeError, match="incompatible constructor arguments"):
            PatternLibrary(refused)
    assert p.sample(0).x == 0.0 and q.name == "q"


def test_library_failures():
    def pattern(name, count=1):
        return SampledPattern(name, "", [(0.0, 0.0, 0.0)] * count)

    small = pattern("same")
    with pytest.raises(ValueError, match="^Too many patterns$"):
        PatternLibrary([small] * 1025)
    # Refused before any copy: a million copies of 65,535 samples would not fit in memory.
    largest = pattern("largest", 65535)
    with pytest.raises(ValueError, match="^Too many patterns$"):
        PatternLibrary([largest] * 1_000_000)
    with pytest.raises(ValueError, match="^Duplicate pattern name: twin$"):
        PatternLibrary([pattern("twin"), pattern("other"), pattern("twin")])
    big = [pattern(f"big{i}", 65535) for i in range(16)]
    assert len(PatternLibrary(big + [pattern("last", 16)]).catalogue()) == len(velmora.catalogue()) + 17
    with pytest.raises(ValueError, match="^Pattern pack is too large$"):
        PatternLibrary(big + [pattern("last", 17)])
    # The failed calls left every input usable.
    assert small.sample(0).x == 0.0 and big[0].period_pips == 65535


def test_exact_repetition_of_a_built_in_is_accepted_but_not_stored():
    entry = builtin_entry("sway")
    library = PatternLibrary([exact_repeat(entry), SampledPattern("mine", "", [(0.0, 0.0, 0.0)])])
    names = [e["name"] for e in library.catalogue()]
    assert names.count("sway") == 1 and names[-1] == "mine"
    assert library.sample("sway", -9).as_tuple() == velmora.sway(-9).as_tuple()
    with pytest.raises(ValueError, match="^Duplicate pattern name: sway$"):
        PatternLibrary([exact_repeat(entry), exact_repeat(entry)])


def test_any_difference_from_a_built_in_is_refused():
    # A pre-rendered name is taken from the catalogue when it has any, so the test follows it as it grows.
    entries = [builtin_entry("bounce")] + velmora.catalogue()[15:16]
    for entry in entries:
        name, description, period = entry["name"], entry["description"], entry["period_pips"]
        samples = triples(name, period)
        nudged = list(samples)
        x, y, z = nudged[-1]
        nudged[-1] = (x, y, math.nextafter(z, 1.0))
        message = f"^Cannot override default pattern: {name}$"
        for changed in (SampledPattern(name, description + ".", samples),
                        SampledPattern(name, description, samples * 2),
                        SampledPattern(name, description, nudged)):
            with pytest.raises(ValueError, match=message):
                PatternLibrary([changed])
        assert PatternLibrary([SampledPattern(name, description, samples)]).catalogue() == velmora.catalogue()


# --- Python surface of both classes -----------------------------------------------------

def test_signatures_and_members():
    assert "(self: velmora.SampledPattern, name: str, description: str, samples:" in SampledPattern.__init__.__doc__
    assert "patterns: collections.abc.Sequence[velmora.SampledPattern] = []" in PatternLibrary.__init__.__doc__
    assert "pip_count: int) -> velmora.Offset3" in SampledPattern.sample.__doc__
    assert "-> velmora.Offset3" in PatternLibrary.sample.__doc__
    assert {k for k in vars(SampledPattern) if not k.startswith("_")} == {"name", "description", "period_pips",
                                                                           "sample"}
    assert {k for k in vars(PatternLibrary) if not k.startswith("_")} == {"sample", "catalogue"}
    assert inspect.isdatadescriptor(SampledPattern.period_pips)


def test_read_only_no_dict_and_no_pickling():
    p = SampledPattern("p", "", [(0.0, 0.0, 0.0)])
    library = PatternLibrary([p])
    for obj, attribute in ((p, "name"), (p, "description"), (p, "period_pips"), (p, "other"), (library, "other")):
        with pytest.raises(AttributeError):
            setattr(obj, attribute, 1)
    assert not hasattr(p, "__dict__") and not hasattr(library, "__dict__")
    for obj in (p, library):
        for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
            with pytest.raises(TypeError):
                pickle.dumps(obj, protocol)
    assert library.sample("p", 0).x == 0.0
