import decimal
import gc
import math
import pickle

import pytest
import velmora

SampledPattern = velmora.SampledPattern
PatternLibrary = velmora.PatternLibrary


def flat(name, count=1, description=""):
    return SampledPattern(name, description, [(0.0, 0.0, 0.0)] * count)


def repeat_of(entry, description=None, samples=None):
    """A user pattern repeating a built-in entry, or differing from it where asked."""
    if samples is None:
        samples = [velmora.sample(entry["name"], pip).as_tuple() for pip in range(entry["period_pips"])]
    return SampledPattern(entry["name"], entry["description"] if description is None else description, samples)


def test_pattern_conversions_and_sampling():
    step = SampledPattern("step", "one lift", [[0.0, 0.5, 0.0]])
    assert (step.name, step.description, step.period_pips) == ("step", "one lift", 1)
    assert isinstance(step.sample(-2**31), velmora.Offset3)
    assert step.sample(True).as_tuple() == (0.0, 0.5, 0.0)
    rows = [(0.25, -0.5, 1), (1, 0, -1.0), (0.5, 0.5, 0.5)]
    for samples in (rows, [list(r) for r in rows], (r for r in rows)):
        p = SampledPattern(name=b"three", description=bytearray(b"d"), samples=samples)
        assert p.name == "three" and p.description == "d"
        assert [p.sample(pip_count=pip).x for pip in (0, 4, -1, -3)] == [0.25, 1.0, 0.5, 0.25]


@pytest.mark.parametrize("samples", [[(0.0, 0.0)], [(0.0, 0.0, 0.0, 0.0)], [0.5], [(0.0, "x", 0.0)], "abc", None,
                                     iter([(0.0, 0.0, 0.0)])])
def test_pattern_refuses_unconvertible_samples(samples):
    with pytest.raises(TypeError):
        SampledPattern("p", "", samples)


def test_pattern_refusals_surface_as_value_errors():
    with pytest.raises(TypeError):
        SampledPattern("\udcff", "", [(0.0, 0.0, 0.0)])  # a lone surrogate cannot be encoded
    cases = [(("Step", "", [(0.0, 0.0, 0.0)]), "Invalid pattern name"),
             (("Step", "", [(2.0, 0.0, 0.0)]), "Invalid pattern name"),
             (("st\u00e9p", "", [(0.0, 0.0, 0.0)]), "Invalid pattern name"),
             (("step", "", []), "A pattern requires 1..65535 samples (one per pip)"),
             (("step", "", [(0.0, 0.0, 0.0)] * 65536), "A pattern requires 1..65535 samples (one per pip)"),
             (("step", "", [(0.0, 1.5, 0.0)]), "Pattern samples must be finite and within [-1, 1]"),
             (("step", "", [(0.0, 0.0, math.nan)]), "Pattern samples must be finite and within [-1, 1]")]
    for args, message in cases:
        with pytest.raises(ValueError) as info:
            SampledPattern(*args)
        assert str(info.value) == message
    assert SampledPattern("a" * 128, "", [(1.0, -1.0, 1.0)] * 65535).period_pips == 65535


def test_sample_pips_are_strict():
    p = flat("p")
    library = PatternLibrary([p])
    for pip in (1.0, decimal.Decimal(1), "1", 2**31, -2**31 - 1, None):
        with pytest.raises(TypeError):
            p.sample(pip)
        with pytest.raises(TypeError):
            library.sample("p", pip)
    assert velmora.sample("bounce", decimal.Decimal("5.9")).x == velmora.bounce(5).x  # the module function converts


def test_undecodable_description_fails_only_when_read():
    p = SampledPattern("raw", b"\xff", [(0.0, 0.0, 0.1)])
    library = PatternLibrary([p])
    assert library.sample("raw", 3).z == 0.1
    with pytest.raises(UnicodeDecodeError):
        p.description
    with pytest.raises(UnicodeDecodeError):
        library.catalogue()


def test_empty_library_matches_the_module_functions():
    builtins = velmora.catalogue()
    assert PatternLibrary().catalogue() == PatternLibrary(patterns=()).catalogue() == builtins
    library = PatternLibrary()
    for entry in builtins:
        assert library.sample(entry["name"], -1).as_tuple() == velmora.sample(entry["name"], -1).as_tuple()


def test_library_lists_and_finds_user_patterns_in_input_order():
    b = SampledPattern("b", "second", [(0.5, 0.0, 0.0), (-0.5, 0.0, 0.0)])
    a = SampledPattern("a", "first", [(0.0, 0.25, 0.0), (0.0, 0.0, 0.75)])
    library = PatternLibrary([b, a])
    entries = library.catalogue()
    assert len(entries) == len(velmora.catalogue()) + 2
    assert entries[-2:] == [{"name": "b", "description": "second", "period_pips": 2, "dimensions": 1},
                            {"name": "a", "description": "first", "period_pips": 2, "dimensions": 3}]
    assert list(entries[-1]) == ["name", "description", "period_pips", "dimensions"]
    assert library.sample("b", -1).x == -0.5
    assert library.sample(name=bytearray(b"a"), pip_count=3).z == 0.75
    assert library.sample("bounce", 5).as_tuple() == velmora.bounce(5).as_tuple()
    for other in ("B", "b ", "aa", "a\0", "a\0b"):
        with pytest.raises(ValueError) as info:
            library.sample(other, 0)
        assert str(info.value) == "Unknown velmora: " + other


class PipThatLooksUp:
    """A pip whose conversion makes other lookups first, on this thread or on others, while
    the outer call's name is already converted."""

    def __init__(self, lookups):
        self.lookups = lookups

    def __index__(self):
        for lookup in self.lookups:
            lookup()
        return 5


def test_long_names_survive_lookups_made_while_converting_the_pip():
    long_user = "user_pattern_with_a_name_well_past_the_inline_room_" + "x" * 60
    other_user = "another_long_user_pattern_name_" + "y" * 90
    library = PatternLibrary([SampledPattern(long_user, "", [(0.25, 0.0, 0.0)]),
                              SampledPattern(other_user, "", [(-0.5, 0.0, 0.0)])])
    nested = []
    inner = [lambda: nested.append(library.sample(other_user, 0).x),
             lambda: nested.append(velmora.sample("beat_dembow_push_ricochet", 7).as_tuple())]
    assert library.sample(long_user, PipThatLooksUp(inner)).x == 0.25
    expected = velmora.sample("beat_dembow_push_ricochet", 5).as_tuple()
    assert velmora.sample("beat_dembow_push_ricochet", PipThatLooksUp(inner)).as_tuple() == expected
    assert nested == [-0.5, velmora.sample("beat_dembow_push_ricochet", 7).as_tuple()] * 2
    # Names longer than any pattern name still reach the lookup whole.
    for name in ("q" * 159, "q" * 160, "q" * 4096, "\u00e9" * 100):
        with pytest.raises(ValueError) as info:
            library.sample(name, PipThatLooksUp(inner))
        assert str(info.value) == "Unknown velmora: " + name


def test_long_names_from_many_threads():
    import sys
    import threading
    names = [f"thread_pattern_{i:03d}_" + "z" * 40 for i in range(8)]
    library = PatternLibrary([SampledPattern(n, "", [(i / 8, 0.0, 0.0)]) for i, n in enumerate(names)])
    failures = []
    switch = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    try:
        def work(i):
            for _ in range(300):
                # The pip's conversion runs Python code, where the interpreter may switch threads.
                if library.sample(names[i], PipThatLooksUp([lambda: None])).x != i / 8:
                    failures.append(i)

        threads = [threading.Thread(target=work, args=(i,)) for i in range(8)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
    finally:
        sys.setswitchinterval(switch)
    assert failures == []


def test_library_holds_copies_and_leaves_its_inputs_usable():
    p = SampledPattern("mine", "d", [(0.1, 0.0, 0.0)])
    first, second = PatternLibrary([p]), PatternLibrary((p,))
    with pytest.raises(ValueError, match="^Duplicate pattern name: mine$"):
        PatternLibrary([p, flat("other"), p])
    assert p.sample(0).x == 0.1
    del p
    gc.collect()
    assert first.sample("mine", 9).x == second.sample("mine", 9).x == 0.1


def test_library_conversion_of_the_patterns_argument():
    p, q = flat("p"), flat("q")
    for accepted in ((x for x in [p, q]), {p}, map(lambda x: x, [p]), {p: 1}.keys()):
        PatternLibrary(accepted)
    # None, like any other object that is not a SampledPattern, fails the conversion.
    for refused in ([p, 1], [None], [p, None], iter([p]), p, "p", None):
        with pytest.raises(TypeError, match="incompatible constructor arguments"):
            PatternLibrary(refused)


def test_library_limits():
    small = flat("same")
    with pytest.raises(ValueError, match="^Too many patterns$"):
        PatternLibrary([small] * 1025)
    # Refused before any copy: a million copies of 65,535 samples would not fit in memory.
    with pytest.raises(ValueError, match="^Too many patterns$"):
        PatternLibrary([flat("largest", 65535)] * 1_000_000)
    big = [flat(f"big{i}", 65535) for i in range(16)]
    assert len(PatternLibrary(big + [flat("last", 16)]).catalogue()) == len(velmora.catalogue()) + 17
    with pytest.raises(ValueError, match="^Pattern pack is too large$"):
        PatternLibrary(big + [flat("last", 17)])


def test_built_in_names_must_be_repeated_exactly():
    # A pre-rendered entry is picked at run time, so the test follows the catalogue as it grows.
    for entry in [velmora.catalogue()[1]] + velmora.catalogue()[15:16]:
        exact = repeat_of(entry)
        library = PatternLibrary([exact, flat("mine")])
        assert [e["name"] for e in library.catalogue()] == [e["name"] for e in velmora.catalogue()] + ["mine"]
        samples = [velmora.sample(entry["name"], pip).as_tuple() for pip in range(entry["period_pips"])]
        nudged = samples[:-1] + [(samples[-1][0], samples[-1][1], math.nextafter(samples[-1][2], 1.0))]
        for changed in (repeat_of(entry, description=entry["description"] + "."), repeat_of(entry, samples=samples * 2),
                        repeat_of(entry, samples=nudged)):
            with pytest.raises(ValueError) as info:
                PatternLibrary([changed])
            assert str(info.value) == "Cannot override default pattern: " + entry["name"]
        with pytest.raises(ValueError, match="^Duplicate pattern name: " + entry["name"]):
            PatternLibrary([exact, exact])


def test_python_surface():
    p = flat("p")
    library = PatternLibrary([p])
    assert {k for k in vars(SampledPattern) if not k.startswith("_")} == {"name", "description", "period_pips",
                                                                           "sample"}
    assert {k for k in vars(PatternLibrary) if not k.startswith("_")} == {"sample", "catalogue"}
    for obj, attribute in ((p, "name"), (p, "description"), (p, "period_pips"), (p, "other"), (library, "other")):
        with pytest.raises(AttributeError):
            setattr(obj, attribute, 1)
    for obj in (p, library):
        assert not hasattr(obj, "__dict__")
        for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
            with pytest.raises(TypeError):
                pickle.dumps(obj, protocol)
