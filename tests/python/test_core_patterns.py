import math
import struct

import pytest
import velmora

from reference_core import CORE

MIN_PIP = -(2**31)
MAX_PIP = 2**31 - 1


def bits(values):
    return struct.pack("<3d", *values)


@pytest.mark.parametrize("name", list(CORE))
def test_every_pip_of_a_period_matches_the_reference_bit_for_bit(name):
    reference, period, _ = CORE[name]
    function = getattr(velmora, name)
    for pip in range(-period, 2 * period):
        assert bits(function(pip).as_tuple()) == bits(reference(pip)), pip


@pytest.mark.parametrize("name", list(CORE))
def test_periodic_around_the_32_bit_extremes(name):
    _, period, _ = CORE[name]
    function = getattr(velmora, name)
    for pip in (MIN_PIP, MIN_PIP + 1, MIN_PIP + period - 1, MAX_PIP - period, MAX_PIP - 1, MAX_PIP):
        wrapped = pip % period  # Python's % is the Euclidean remainder for a positive period
        assert bits(function(pip).as_tuple()) == bits(function(wrapped).as_tuple()), pip
    assert bits(function(MIN_PIP).as_tuple()) == bits(function(0).as_tuple())
    assert bits(function(-1).as_tuple()) == bits(function(period - 1).as_tuple())


@pytest.mark.parametrize("name", list(CORE))
def test_unused_axes_are_exactly_zero_and_the_last_axis_moves(name):
    _, period, dimensions = CORE[name]
    function = getattr(velmora, name)
    samples = [function(pip).as_tuple() for pip in range(period)]
    for sample in samples:
        assert all(-1.0 <= c <= 1.0 and math.isfinite(c) for c in sample)
        assert all(c == 0.0 and math.copysign(1.0, c) == 1.0 for c in sample[dimensions:])
    assert any(sample[dimensions - 1] != 0.0 for sample in samples)


@pytest.mark.parametrize(
    "name, pip, expected",
    [
        ("bounce", 0, (-1.0, 0.0, 0.0)),
        ("bounce", -32, (1.0, 0.0, 0.0)),
        ("circle", 0, (6.123233995736766e-17, -1.0, 0.0)),
        ("step_touch", -16, (-0.5, -0.35, 0.0)),
        ("box_step", 256, (-1.0, -1.0, 0.0)),
        ("clay_background", 279, (0.14285714285714285, -0.1, 0.0)),
        ("single_stroke_roll", -4, (-0.92, -0.6624, 0.0)),
        ("single_paradiddle", 100, (-1.0, -0.72, 0.0)),
        ("flam", 12, (0.9, -0.648, 0.0)),
        ("five_stroke_roll", 43, (1.0, -0.72, 0.0)),
    ],
)
def test_landmark_values(name, pip, expected):
    assert getattr(velmora, name)(pip).as_tuple() == pytest.approx(expected, abs=1e-15)
