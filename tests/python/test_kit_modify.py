"""Layers, sequences and fans against exact rational evaluation, and device mapping."""

from __future__ import annotations

import collections.abc
import copy
import math
import pickle
from fractions import Fraction

import numpy as np
import pytest

import velmora
from velmora_kit import Layer, Sequence, dmx_bytes, fan, render, to_dmx, to_range

I32_MIN, I32_MAX = -(2**31), 2**31 - 1
rng = np.random.default_rng(20261208)
RANDOM_PIPS = np.concatenate(
    [rng.integers(I32_MIN, I32_MAX, size=300, endpoint=True), [I32_MIN, I32_MAX, -1, 0, 1, 2_000_000_000]]
).astype(np.int64)


def period(name: str) -> int:
    return next(e["period_pips"] for e in velmora.catalogue() if e["name"] == name)


def exact_position(pip: int, *, phase: int = 0, rate: Fraction = Fraction(1), swing: Fraction | None = None, grid: int = 32) -> Fraction:
    """The source position by the definition, in Fractions: warp(pip + phase) × rate."""
    t = Fraction(pip + phase)
    if swing is not None:
        pair = math.floor(t / (2 * grid))
        tau = t - 2 * grid * pair
        boundary = 2 * grid * swing
        local = tau / (2 * swing) if tau < boundary else grid + (tau - boundary) / (2 * (1 - swing))
        t = 2 * grid * pair + local
    return t * rate


def expected(name: str, position: Fraction, interpolation: str) -> np.ndarray:
    """The pattern at an exact position: the floor's sample for step, and for linear the
    interpolation at (floor mod period) + the exact remainder as a float."""
    floor = math.floor(position)
    loop = period(name)
    if interpolation == "step":
        return render(name, [floor % loop])[0]
    return render(name, [float(floor % loop) + float(position - floor)], interpolation="linear")[0]


CASES = [
    ("bounce", dict(rate="3/2"), dict(rate=Fraction(3, 2))),
    ("helix", dict(rate="2/3", phase=-77), dict(rate=Fraction(2, 3), phase=-77)),
    ("lfo_morph", dict(rate=Fraction(7, 5), swing=0.66), dict(rate=Fraction(7, 5), swing=Fraction(33, 50))),
    ("flam", dict(rate=5, swing="3/5", swing_grid=16, phase=1000), dict(rate=Fraction(5), swing=Fraction(3, 5), grid=16, phase=1000)),
    ("sway", dict(rate="1000003/999983", swing=0.75), dict(rate=Fraction(1000003, 999983), swing=Fraction(3, 4))),
    ("circle", dict(rate="1/3", swing=Fraction(2, 3), swing_grid=24), dict(rate=Fraction(1, 3), swing=Fraction(2, 3), grid=24)),
    # Numerators past int64: the same arithmetic on Python integers.
    ("bounce", dict(rate="2147483647/2147483629", swing=Fraction(7919, 10559)),
     dict(rate=Fraction(2147483647, 2147483629), swing=Fraction(7919, 10559))),
]


@pytest.mark.parametrize("name, layer_args, exact_args", CASES)
@pytest.mark.parametrize("interpolation", ["step", "linear"])
def test_layer_matches_exact_rational_evaluation_across_the_32_bit_range(name, layer_args, exact_args, interpolation):
    layer = Layer(name, **layer_args)
    pips = RANDOM_PIPS[:120]
    got = render(layer, pips if interpolation == "step" else pips.astype(np.float64), interpolation=interpolation)
    for pip, row in zip(pips.tolist(), got):
        want = expected(name, exact_position(pip, **exact_args), interpolation)
        assert row.tolist() == want.tolist(), (pip, row, want)


def test_triplet_bounce_at_two_billion_is_exact():
    layer = Layer("bounce", rate="3/2")
    for pip in (2_000_000_000, 2_000_000_001, 2_000_000_003):
        position = Fraction(pip) * Fraction(3, 2)  # 3,000,000,000 and beyond: past int32
        assert render(layer, [pip])[0].tolist() == expected("bounce", position, "step").tolist()
        assert render(layer, [pip], interpolation="linear")[0].tolist() == expected("bounce", position, "linear").tolist()
    # The float formula drifts there: 2e9 + 1 in float32-scaled steps is not what the loop holds.
    assert render(layer, [2_000_000_001])[0].tolist() == render("bounce", [1])[0].tolist()


@pytest.mark.parametrize("name, layer_args, exact_args", CASES)
def test_layer_repeats_after_its_period_and_the_period_follows_the_formula(name, layer_args, exact_args):
    layer = Layer(name, **layer_args)
    rate = Fraction(layer_args.get("rate", 1)) if not isinstance(layer_args.get("rate"), str) else Fraction(layer_args["rate"])
    p, q = rate.numerator, rate.denominator
    loop = period(name) * q // math.gcd(p, period(name) * q)
    if "swing" in layer_args:
        loop = math.lcm(loop, 2 * layer_args.get("swing_grid", 32))
    assert layer.period_pips == loop
    if loop > 2**31:
        return
    base = RANDOM_PIPS[(RANDOM_PIPS > I32_MIN + loop) & (RANDOM_PIPS < I32_MAX - loop)]
    for interpolation, pips in (("step", base), ("linear", base.astype(np.float64))):
        here = render(layer, pips, interpolation=interpolation)
        assert np.array_equal(here, render(layer, pips + loop, interpolation=interpolation))
        assert np.array_equal(here, render(layer, pips - loop, interpolation=interpolation))


def test_layer_with_defaults_is_bit_identical_to_its_source():
    user = velmora.SampledPattern("wobble", "three samples", [(0.1, -0.2, 0.3), (-1.0, 1.0, 0.0), (0.5, 0.25, -0.75)])
    library = velmora.PatternLibrary([user])
    floats = np.linspace(-1e6, 1e6, 999)
    for source, kwargs in (("clay_background", {}), ("beat_dembow_push_ricochet", {}), (user, {}), ("wobble", {"library": library})):
        layer = Layer(source, **kwargs)
        assert np.array_equal(render(layer, RANDOM_PIPS), render(source, RANDOM_PIPS, **kwargs))
        linear = render(layer, floats, interpolation="linear")
        assert linear.tobytes() == render(source, floats, interpolation="linear", **kwargs).tobytes()
    assert Layer("bounce", swing=0.0).period_pips == 64 and Layer("bounce", swing=0.5).swing is None
    # A library's own name, three samples long, at 3/2: source pip floor(3p / 2), period 2.
    layered = Layer("wobble", library=library, rate="3/2")
    assert layered.period_pips == 2
    assert np.array_equal(render(layered, RANDOM_PIPS), render(user, (RANDOM_PIPS * 3) // 2 % 3))


def test_a_whole_loop_tabled_gives_the_same_bits_as_single_pips():
    # Period 6,400: a few pips are computed directly, many at once through one loop's table.
    layer = Layer("helix", rate="1/25", swing=0.6, phase=11)
    seq = Sequence([(layer, 100), ("flam", 1)], crossfade_beats=0.5)
    some = RANDOM_PIPS[:10]
    many = np.concatenate([some, np.arange(10_000)])
    for source in (layer, seq):
        for interpolation, cast in (("step", np.int64), ("linear", np.float64)):
            alone = render(source, some.astype(cast), interpolation=interpolation)
            assert np.array_equal(alone, render(source, many.astype(cast), interpolation=interpolation)[:10])


def test_swing_keeps_the_pair_ends_and_moves_the_offbeat():
    straight = render("lfo_morph", np.arange(-512, 512))
    layer = Layer("lfo_morph", swing=0.75, swing_grid=32)
    swung = render(layer, np.arange(-512, 512))
    ends = np.arange(-512, 512) % 64 == 0
    assert np.array_equal(swung[ends], straight[ends])
    # The offbeat at 32 of each pair now lands at 0.75 of the pair: 48.
    assert np.array_equal(render(layer, [48, 48 + 64 * 5]), render("lfo_morph", [32, 32 + 64 * 5]))
    assert not np.array_equal(swung, straight)


def test_fractional_pips_read_the_source_between_its_pips():
    def linear(source, position):
        return render(source, [position], interpolation="linear")[0].tolist()

    assert linear(Layer("helix", rate="1/2", phase=3), 10.5) == linear("helix", 6.75)
    assert linear(Layer("helix", rate="1/2", phase=3), -10.5 - 256 * 2**20) == linear("helix", 256 - 3.75)
    # Second half of a 0.75 swing pair: 32 + (t - 48) / 0.5.
    assert linear(Layer("helix", swing=0.75), 64 * 3 + 50.5) == linear("helix", 64 * 3 + 37.0)


def test_phase_is_a_time_shift_and_fan_stacks_phases():
    layer = Layer("helix", rate="3/2", swing=0.6)
    shifted = Layer("helix", rate="3/2", swing=0.6, phase=37)
    pips = np.arange(-300, 300)
    assert np.array_equal(render(shifted, pips), render(layer, pips + 37))
    fanned = fan(layer, 4, -16, pips)
    assert fanned.shape == (4, 600, 3)
    for k in range(4):
        assert np.array_equal(fanned[k], render(layer, pips - 16 * k))
    # Phases past the 32-bit range wrap through the loop.
    assert np.array_equal(fan("bounce", 3, 2**31 - 1, [I32_MAX])[2], render("bounce", [(I32_MAX + 2 * (2**31 - 1)) % 64]))


def test_scale_and_offset_are_per_axis_and_clipped():
    base = render("helix", np.arange(256))
    layer = Layer("helix", scale=(2.0, -1.0, 0.5), offset=[0.25, 0.0, -0.1])
    got = render(layer, np.arange(256))
    assert np.array_equal(got, np.clip(base * [2.0, -1.0, 0.5] + [0.25, 0.0, -0.1], -1, 1))
    assert got.min() >= -1 and got.max() <= 1 and (np.abs(got[:, 0]) == 1).any()


def two_step(crossfade_beats=0):
    return Sequence([("bounce", 2), (Layer("circle", rate=2), Fraction(3, 2))], crossfade_beats=crossfade_beats)


def test_sequence_plays_each_step_from_its_own_start_and_loops():
    seq = two_step()
    assert seq.period_pips == 224
    pips = np.arange(-448, 448)
    got = render(seq, pips)
    local = pips % 224
    first = local < 128
    assert np.array_equal(got[first], render("bounce", local[first]))
    assert np.array_equal(got[~first], render(Layer("circle", rate=2), local[~first] - 128))
    far = RANDOM_PIPS[(RANDOM_PIPS > I32_MIN + 224) & (RANDOM_PIPS < I32_MAX - 224)]
    assert np.array_equal(render(seq, far), render(seq, far + 224))
    assert np.array_equal(render(seq, far), render(seq, far - 224))


@pytest.mark.parametrize("interpolation", ["step", "linear"])
def test_sequence_crossfades_linearly_into_the_next_step_and_around_the_loop(interpolation):
    seq = two_step(crossfade_beats=Fraction(1, 2))
    circle = Layer("circle", rate=2)
    for pip in (96, 100, 127, 128, 192, 200, 223, 224, 0):
        got = render(seq, [pip] if interpolation == "step" else [float(pip)], interpolation=interpolation)[0]
        t = pip % 224
        if 96 <= t < 128:
            w = (t - 96) / 32
            a, b = render("bounce", [t]), render(circle, [t - 128])
        elif 192 <= t < 224:
            w = (t - 192) / 32
            a, b = render(circle, [t - 128]), render("bounce", [t - 224])
        else:
            w, a, b = 0.0, render(seq, [t]), render(seq, [t])
        assert got.tolist() == np.clip(a * (1 - w) + b * w, -1, 1)[0].tolist(), pip
    # Between pips both sources are interpolated, then blended.
    if interpolation == "linear":
        w = (100.5 - 96) / 32
        a = render("bounce", [100.5], interpolation="linear")
        b = render(circle, [100.5 - 128], interpolation="linear")
        assert render(seq, [100.5], interpolation="linear").tolist() == np.clip(a * (1 - w) + b * w, -1, 1).tolist()
    # The fade ends exactly where the next step begins.
    assert render(seq, [128]).tolist() == render(circle, [0]).tolist()
    assert render(seq, [224]).tolist() == render("bounce", [0]).tolist()


def test_containers_of_every_kind_are_accepted():
    class Lazy(collections.abc.Sequence):  # computes nothing until asked, like a user's view
        def __init__(self, items):
            self._items = list(items)

        def __len__(self):
            return len(self._items)

        def __getitem__(self, i):
            return self._items[i]

    pips = [0, 5, -7, 300]
    want = render(Layer("sway", rate="2/3"), np.array(pips))
    for given in (pips, tuple(pips), np.array(pips, dtype=np.int16), np.array(pips, dtype=">i8")[::1], Lazy(pips), (p for p in pips), map(int, pips)):
        assert np.array_equal(render(Layer("sway", rate="2/3"), given), want)
    steps = [("bounce", 1), ("sway", 2)]
    for given in (steps, tuple(steps), Lazy(steps), (s for s in steps), map(tuple, steps)):
        assert Sequence(given).period_pips == 192
    for scale in ([1, 2, 3], (1, 2, 3), np.array([1.0, 2.0, 3.0], dtype=np.float32), Lazy([1, 2, 3]), (v for v in [1, 2, 3])):
        assert Layer("bounce", scale=scale).scale == (1.0, 2.0, 3.0)
    assert fan("bounce", 2, 8, (p for p in pips)).shape == (2, 4, 3)


@pytest.mark.parametrize(
    "build, error, message",
    [
        (lambda: Layer("bounce", rate=0), ValueError, "rate must be positive, got 0"),
        (lambda: Layer("bounce", rate="-3/2"), ValueError, "rate must be positive, got '-3/2'"),
        (lambda: Layer("bounce", rate="fast"), ValueError, "rate must be a positive rational such as 2, 1/2 or 3/2, got 'fast'"),
        (lambda: Layer("bounce", rate=[2]), TypeError, "rate must be a positive rational"),
        (lambda: Layer("bounce", swing=0.8), ValueError, "swing must be 0 (off) or within [0.5, 0.75], got 0.8"),
        (lambda: Layer("bounce", swing=0.3), ValueError, "got 0.3"),
        (lambda: Layer("bounce", swing=float("nan")), ValueError, "got nan"),
        (lambda: Layer("bounce", swing_grid=0), ValueError, "swing_grid must be a positive number of pips up to 65536, got 0"),
        (lambda: Layer("bounce", scale=float("inf")), ValueError, "scale must be finite, got inf"),
        (lambda: Layer("bounce", offset=(0, float("nan"), 0)), ValueError, "offset must be finite"),
        (lambda: Layer("bounce", scale=(1, 2)), ValueError, "scale must have one value per axis (three), got (1, 2)"),
        (lambda: Layer("bounce", phase=1.5), TypeError, "phase must be an integer, got 1.5"),
        (lambda: Layer("bounse"), ValueError, "Unknown velmora: bounse"),
        (lambda: Layer(42), TypeError, "pattern must be a pattern name (str)"),
        (lambda: Sequence([("bounce", 0)]), ValueError, "steps[0] beats must be positive, got 0"),
        (lambda: Sequence([("bounce", 1), ("sway", -2)]), ValueError, "steps[1] beats must be positive, got -2"),
        (lambda: Sequence([("bounce", 0.3)]), ValueError, "steps[0] beats must be a whole number of pips (a multiple of 1/64 beat), got 0.3"),
        (lambda: Sequence([("bounce", 2), ("sway", 1)], crossfade_beats=1.5), ValueError, "crossfade_beats 1.5 is longer than steps[1] (1 beats)"),
        (lambda: Sequence([("bounce", 1)], crossfade_beats=-1), ValueError, "crossfade_beats must not be negative, got -1"),
        (lambda: Sequence([]), ValueError, "steps must hold at least one (source, beats) pair, got none"),
        (lambda: Sequence(["bounce"]), TypeError, "steps[0] must be a (source, beats) pair, got 'bounce'"),
        (lambda: fan("bounce", 0, 16, [0]), ValueError, "count must be at least 1, got 0"),
    ],
)
def test_bad_input_names_the_parameter_and_the_value(build, error, message):
    with pytest.raises(error) as caught:
        build()
    assert message in str(caught.value)


def test_layers_are_immutable_and_survive_copies_and_pickles():
    layer = Layer("bounce", rate=2)
    with pytest.raises(AttributeError):
        layer.rate = 3  # type: ignore[misc]
    with pytest.raises(AttributeError):
        two_step().steps = ()  # type: ignore[misc]
    seq = Sequence([(Layer("helix", rate="2/3", swing=Fraction(3, 5), phase=-7, scale=(1, 0.5, -1)), 3), ("flam", 1)], crossfade_beats=0.25)
    assert copy.deepcopy(seq) is seq
    again = pickle.loads(pickle.dumps(seq))
    pips = np.arange(-1000, 1000)
    assert repr(again) == repr(seq) and np.array_equal(render(again, pips), render(seq, pips))


def test_device_mapping_hits_the_ends_exactly():
    values = np.array([[-1.0, 0.0, 1.0], [1.0, -1.0, 0.5]])
    assert to_range(values, [-270, -135, 0], [270, 135, 10]).tolist() == [[-270.0, 0.0, 10.0], [270.0, -135.0, 7.5]]
    assert to_range(values, 100.0, -100.0)[0].tolist() == [100.0, 0.0, -100.0]
    assert to_dmx([-1.0, 0.0, 1.0, -1 + 2 / 65535, -1 + 0.9 / 65535, 1 - 0.9 / 65535]).tolist() == [0, 32768, 65535, 1, 0, 65535]
    assert to_dmx([-1.0, 0.0, 1.0], bits=8).tolist() == [0, 128, 255] and to_dmx([0.0], bits=8).dtype == np.uint8
    pan_tilt = to_dmx(np.array([[0.25, -0.5]]))
    assert dmx_bytes(pan_tilt).tolist() == [[int(pan_tilt[0, 0]) >> 8, int(pan_tilt[0, 0]) & 255, int(pan_tilt[0, 1]) >> 8, int(pan_tilt[0, 1]) & 255]]
    assert dmx_bytes((v for v in [0x1234, 0xFFFF])).tolist() == [0x12, 0x34, 0xFF, 0xFF]
    for call, message in (
        (lambda: to_dmx([1.5]), "values must lie within [-1, 1], got 1.5 at index (0,)"),
        (lambda: to_dmx([float("nan")]), "values must lie within [-1, 1], got nan"),
        (lambda: to_dmx([0.0], bits=12), "bits must be 8 or 16, got 12"),
        (lambda: dmx_bytes([70000]), "values16 must lie within 0..65535, got 70000 at index (0,)"),
        (lambda: to_range([0.0, 0.0], [0, 0, 0], 1), "low has 3 values but the positions have 2 axes"),
        (lambda: to_range([0.0], float("inf"), 1), "low must be finite, got inf"),
    ):
        with pytest.raises(ValueError) as caught:
            call()
        assert message in str(caught.value)
    with pytest.raises(TypeError, match="values16 must be integers"):
        dmx_bytes([0.5])


def test_float_remainder_is_numpys_bit_for_bit():
    from velmora_kit.modify import _float_mod

    for loop in (1, 64, 130, 224, 2**40 + 7):
        values = np.concatenate([
            np.clip(RANDOM_PIPS.astype(np.float64) + rng.random(RANDOM_PIPS.size), I32_MIN, I32_MAX - 1.0),
            np.array([-0.0, 0.0, -1e-300, -2.0**-60, -loop, loop, 2.0 * loop, -loop * 3.0 + 0.5, 2.0**52]),
        ])
        expected = np.mod(values, float(loop))
        assert _float_mod(values, loop).view(np.int64).tolist() == expected.view(np.int64).tolist(), loop


def test_many_steps_render_each_pip_from_its_own_step():
    steps = [(["bounce", "sway", Layer("helix", rate="3/2"), "circle"][i % 4], Fraction(1 + i % 5, 4)) for i in range(150)]
    seq = Sequence(steps, crossfade_beats=Fraction(1, 8))
    starts = np.cumsum([0] + [int(beats * 64) for _, beats in steps])
    pips = np.concatenate([RANDOM_PIPS, np.arange(-200, 200)])
    for interpolation, given in (("step", pips), ("linear", pips + rng.random(pips.size) * (pips < I32_MAX))):
        got = render(seq, given, interpolation=interpolation)
        for pip, row in zip(given[::7], got[::7]):
            # One pip at a time: a sequence with this pip alone can only read its own step.
            assert render(seq, [pip], interpolation=interpolation)[0].tolist() == row.tolist()
            t = pip % starts[-1]
            i = int(np.searchsorted(starts, t, side="right")) - 1
            if t < starts[i + 1] - 8:  # outside the fade: the step's source itself
                plain = render(steps[i][0], [t - starts[i]], interpolation=interpolation)[0]
                assert plain.tolist() == row.tolist()


@pytest.mark.parametrize("source", ["helix", Layer("flam", rate="2/3", swing=0.6), two_step(Fraction(1, 4))], ids=repr)
@pytest.mark.parametrize("spread", [16, -7, 2**31 - 1])
def test_fan_is_a_stack_of_phased_layers(source, spread):
    fractional = RANDOM_PIPS[:100] + rng.random(100) * (RANDOM_PIPS[:100] < I32_MAX)
    for interpolation, pips in (("step", RANDOM_PIPS[:100]), ("linear", fractional), ("linear", RANDOM_PIPS[:100] * 1.0)):
        fanned = fan(source, 5, spread, pips, interpolation=interpolation)
        for k in range(5):
            layered = render(Layer(source, phase=k * spread), pips, interpolation=interpolation)
            assert fanned[k].tobytes() == layered.tobytes(), (k, interpolation)


def test_loops_past_int64_are_reduced_exactly():
    # A swing grid of 65,536 pips and a rate of 1/3**30 make a loop of 2**17 · 3**30 pips.
    slow = Layer("bounce", rate=Fraction(1, 3**30), swing=0.6, swing_grid=65536)
    assert slow.period_pips > 2**63
    assert render(slow, [5, -5]).tolist() == render("bounce", [0, 63]).tolist()
    nested: object = "bounce"
    for _ in range(57):
        nested = Layer(nested, rate="3/2")

    def through(pip: int) -> int:
        for _ in range(57):
            pip = pip * 3 // 2
        return pip % 64

    assert render(nested, [5, -1, 1000]).tolist() == render("bounce", [through(5), through(-1), through(1000)]).tolist()

    class Ramp:  # a motion source with an enormous loop
        period_pips = 10**30

        def render_pips(self, pips, interpolation):
            return np.repeat(np.asarray(pips, dtype=np.float64)[:, None] * 1e-40, 3, axis=1)

    assert render(Layer(Ramp(), phase=3), [5, -1]).tolist() == [[8e-40] * 3, [2e-40] * 3]
    assert render(Layer(Ramp(), rate=2), [5, -1])[:, 0].tolist() == [10e-40, -2e-40]
    assert fan(Ramp(), 2, 3, [-5])[:, 0, 0].tolist() == [-5e-40, -2e-40]


def test_steps_longer_than_the_pip_range_play_their_looping_source_on():
    seq = Sequence([("bounce", 1), ("sway", 2**26)])
    # Pip -1 is the last pip of the sway step: its pip 2**32 - 1, one loop of 128 after 127.
    assert render(seq, [-1]).tolist() == render("sway", [127]).tolist()
    assert render(seq, [-1.5], interpolation="linear").tolist() == render("sway", [126.5], interpolation="linear").tolist()
