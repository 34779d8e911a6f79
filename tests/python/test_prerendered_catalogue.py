"""The pre-rendered rows of the catalogue: how their samplers wrap pips, what the stored
samples promise, and how unknown names are refused. The rows and samples themselves are
checked by digest in test_catalogue_digests.py."""

import math

import pytest
import velmora
from velmora_kit.catalogue import builtin_facts


def prerendered_entries():
    return [entry for entry, facts in zip(velmora.catalogue(), builtin_facts()) if facts.collection != "core"]


INT_MIN, INT_MAX = -2**31, 2**31 - 1


def test_samplers_wrap_every_pip_into_the_period():
    for entry in prerendered_entries():
        name, period = entry["name"], entry["period_pips"]
        at = lambda p: velmora.sample(name, p).as_tuple()  # noqa: E731
        first, last = at(0), at(period - 1)
        assert at(period) == first and at(-period) == first
        assert at(-1) == last
        assert at(INT_MIN) == at(INT_MIN % period)  # Python's % is the Euclidean remainder here
        assert at(INT_MAX) == at(INT_MAX % period)
        assert at(INT_MAX - period + 1) == at((INT_MAX - period + 1) % period)


def test_wrap_examples_for_a_160_pip_period():
    at = lambda p: velmora.sample("euclid_2_5", p).as_tuple()  # noqa: E731
    assert at(-161) == at(159)
    assert at(320) == at(0)
    assert at(INT_MAX) == at(127)
    assert at(INT_MIN) == at(32)
    assert velmora.sample("lfo_breathe", 300).as_tuple() == velmora.sample("lfo_breathe", 44).as_tuple()


def test_stored_components_are_12_decimal_positive_zero_and_match_dimensions():
    for entry in prerendered_entries():
        name, period = entry["name"], entry["period_pips"]
        samples = [velmora.sample(name, p).as_tuple() for p in range(period)]
        for s in samples:
            for v in s:
                assert math.isfinite(v) and -1 <= v <= 1
                assert float(f"{v:.12f}") == v, (name, v)
                assert math.copysign(1.0, v) == 1.0 or v != 0, (name, "negative zero")
        derived = 3 if any(s[2] for s in samples) else 2 if any(s[1] for s in samples) else 1
        assert derived == entry["dimensions"], name


@pytest.mark.parametrize("name", ["", "a", "zzz", "lfo_breath", "lfo_breathe ", "Lfo_breathe", "accent_walk_10_3x",
                                  "euclid_2_5_", "\xff\xfe", "x" * 10000])
def test_unknown_names_fail_with_the_name_as_passed(name):
    with pytest.raises(ValueError) as error:
        velmora.sample(name, 0)
    assert str(error.value) == "Unknown velmora: " + name


@pytest.mark.parametrize("name", ["lfo_breathe\0", "\0", "a\0b\0"])
def test_a_name_with_an_embedded_zero_byte_keeps_its_whole_message(name):
    with pytest.raises(ValueError) as error:
        velmora.sample(name, 0)
    assert str(error.value) == "Unknown velmora: " + name


def test_bytes_that_are_not_utf8_are_escaped_in_the_message():
    with pytest.raises(ValueError) as error:
        velmora.sample(b"ab\xffcd", 0)
    assert str(error.value) == "Unknown velmora: ab\\xffcd"


def test_arbitrary_bytes_as_names_never_crash():
    hypothesis = pytest.importorskip("hypothesis")
    strategies = hypothesis.strategies
    names = {e["name"] for e in velmora.catalogue()}

    @hypothesis.settings(max_examples=2000, deadline=None)
    @hypothesis.given(strategies.binary(max_size=40), strategies.integers(INT_MIN, INT_MAX))
    def check(raw, pip):
        if raw.decode("latin-1") in names:
            velmora.sample(raw, pip)
            return
        with pytest.raises(ValueError):
            velmora.sample(raw, pip)
    check()
