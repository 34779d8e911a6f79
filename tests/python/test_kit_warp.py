"""The native float warp (velmora_kit._warp) against the numpy warp it replaces: the same
bits for every pip, the same refusals, and the pips it leaves to numpy rendered there."""

from __future__ import annotations

from fractions import Fraction

import numpy as np
import numpy.typing as npt
import pytest

import velmora
import velmora_kit.modify as modify
from velmora_kit import Layer, Sequence, fan, render

pytestmark = pytest.mark.skipif(getattr(modify, "_warp") is None, reason="velmora_kit._warp is not built")

NAMES = ["bounce", "sway", "circle", "helix", "flam", "lfo_breathe"]
RATES = [1, 2, "3/2", "2/3", "1/3", "7/5", Fraction(1000003, 999983), "1/64", 5]
SWINGS = [0, 0.6, "2/3", 0.75, 0.55, 0.66]
FloatArray = npt.NDArray[np.float64]


def numpy_render(source: Layer | Sequence, pips: FloatArray, monkeypatch: pytest.MonkeyPatch) -> object:
    """The numpy warp's answer, the native programs put aside."""
    with monkeypatch.context() as patch:
        patch.setattr(modify._LoopTables, "warped", lambda *arguments: None)
        try:
            return render(source, pips, interpolation="linear")
        except ValueError as error:
            return str(error)


def native_render(source: Layer | Sequence, pips: FloatArray) -> object:
    try:
        return render(source, pips, interpolation="linear")
    except ValueError as error:
        return str(error)


def random_pips(rng: np.random.Generator, count: int) -> FloatArray:
    """Fractional pips over the whole 32-bit range, with the awkward ones mixed in: whole
    pips, fractions a hair above a whole pip or below the next, tiny negatives, -0.0."""
    whole = rng.integers(-(2**31), 2**31 - 1, size=count, endpoint=True).astype(np.float64)
    fraction = rng.random(count)
    kind = rng.integers(0, 7, size=count)
    fraction[kind == 0] = 0.0
    fraction[kind == 1] *= 1e-9
    fraction[kind == 2] = 1.0 - fraction[kind == 2] * 1e-12
    pips = np.where(kind == 3, rng.integers(-5000, 5000, size=count) + rng.random(count), whole + fraction)
    pips[kind == 4] = -rng.random(int((kind == 4).sum())) * 1e-3
    pips[kind == 5] = -0.0
    clipped: FloatArray = np.clip(pips, -(2.0**31), 2.0**31 - 1e-6)
    return clipped


def random_layer(rng: np.random.Generator, depth: int = 0) -> Layer:
    source: object = NAMES[rng.integers(len(NAMES))] if depth > 1 or rng.random() < 0.7 else random_layer(rng, depth + 1)
    arguments: dict[str, object] = {}
    if rng.random() < 0.7:
        arguments["rate"] = RATES[rng.integers(len(RATES))]
    if rng.random() < 0.6:
        arguments["swing"] = SWINGS[rng.integers(len(SWINGS))]
        arguments["swing_grid"] = int(rng.choice([7, 16, 24, 32, 64]))
    if rng.random() < 0.6:
        arguments["phase"] = int(rng.integers(-10**6, 10**6))
    if rng.random() < 0.5:
        arguments["scale"] = tuple(rng.normal(size=3) * 1.5)
        arguments["offset"] = tuple(rng.normal(size=3) * 0.3)
    return Layer(source, **arguments)  # type: ignore[arg-type]


def random_sequence(rng: np.random.Generator) -> Sequence:
    steps: list[tuple[object, Fraction]] = []
    for _ in range(int(rng.choice([1, 3, 8, 12]))):
        pick = rng.random()
        source = NAMES[rng.integers(len(NAMES))] if pick < 0.4 else (
            random_layer(rng) if pick < 0.9 else Sequence([("helix", 1), ("sway", "1/2")]))
        steps.append((source, Fraction(int(rng.integers(4, 600)), 64)))
    shortest = min(length for _, length in steps)
    fade = Fraction(int(rng.integers(0, int(shortest * 64) + 1)), 64) if rng.random() < 0.7 else 0
    return Sequence(steps, crossfade_beats=fade)  # type: ignore[arg-type]


@pytest.mark.parametrize("seed", range(4))
def test_native_warp_gives_the_numpy_warps_bits(seed: int, monkeypatch: pytest.MonkeyPatch) -> None:
    rng = np.random.default_rng(seed)
    for case in range(30):
        source = random_layer(rng) if case % 2 else random_sequence(rng)
        pips = random_pips(rng, int(rng.integers(1, 1500)))
        native = native_render(source, pips)
        expected = numpy_render(source, pips, monkeypatch)
        if isinstance(expected, str):
            assert native == expected, source
        else:
            assert isinstance(native, np.ndarray) and isinstance(expected, np.ndarray), source
            assert native.tobytes() == expected.tobytes(), source


def test_positions_past_the_pips_are_refused_as_numpy_refuses_them(monkeypatch: pytest.MonkeyPatch) -> None:
    # The inner layer loops over 2**40 pips: the outer one reads it beyond the 32-bit range.
    deep = Layer(Layer("bounce", rate=Fraction(1, 2**34)), phase=2**35, rate=3)
    pips = np.array([0.5, 1.25, -7.75])
    assert native_render(deep, pips) == numpy_render(deep, pips, monkeypatch)
    assert "32-bit" in str(native_render(deep, pips))


def test_layers_and_sequences_of_patterns_run_natively_and_the_rest_keep_numpy() -> None:
    for source in (Layer("helix", rate="3/2", swing=0.6),
                   Sequence([("helix", 4), (Layer("flam", rate=2), 2), ("sway", 2)], crossfade_beats=1)):
        render(source, [0.5, -1e9 - 0.25], interpolation="linear")
        assert isinstance(source._tables.warp, tuple)
    eased = Sequence([("helix", 1), ("sway", 1)], crossfade_beats=0.5, crossfade_curve="sine-in-out")
    render(eased, [0.5, 70.25], interpolation="linear")
    assert eased._tables.warp is False


@pytest.mark.parametrize("source", ["helix", "lfo_breathe", "odd", velmora.SampledPattern("user", "", [[0.5, 0.0, -0.5]] * 3)])
def test_fan_of_a_pattern_gives_the_layers_bits_and_refusals(source: object, monkeypatch: pytest.MonkeyPatch) -> None:
    library = velmora.PatternLibrary([velmora.SampledPattern("odd", "", [[0.1 * i, 0.0, -0.01 * i] for i in range(7)])])
    rng = np.random.default_rng(5)
    pips = rng.integers(-(2**31), 2**31 - 1, size=(3, 4), endpoint=True)
    for copies, spread, given in ((64, 16, pips), (5, -(10**9), pips.astype(np.int32)), (3, 0, pips[0].tolist()), (2, 7, 11)):
        native = fan(source, copies, spread, given, library=library)  # type: ignore[arg-type]
        with monkeypatch.context() as patch:
            patch.setattr(modify, "_warp", None)
            expected = fan(source, copies, spread, given, library=library)  # type: ignore[arg-type]
        assert native.shape == expected.shape and native.tobytes() == expected.tobytes()
    with pytest.raises(ValueError, match=r"got 2147483648$"):
        fan("helix", 4, 1, [0, 2**31, -(2**31) - 1])
    with pytest.raises(ValueError, match=r"got 2147483648$"):  # the pips are named before the name
        fan("nope", 4, 1, [0, 2**31])
    with pytest.raises(ValueError, match="nope"):
        fan("nope", 4, 1, [0])


@pytest.mark.parametrize("steps", [3, 9, 40])
def test_every_step_of_a_block_gets_its_own_pips(steps: int, monkeypatch: pytest.MonkeyPatch) -> None:
    # Thousands of pips per step and block: each step's pips are listed, padded and rendered
    # beside its neighbours' without touching theirs.
    names = ["bounce", "sway", "circle", "helix"]
    sequence = Sequence([(names[i % 4] if i % 3 else Layer("flam", rate="3/2"), 1 + Fraction(i % 5, 64))
                         for i in range(steps)], crossfade_beats=0.25)
    pips = random_pips(np.random.default_rng(steps), 5000)
    native = native_render(sequence, pips)
    expected = numpy_render(sequence, pips, monkeypatch)
    assert isinstance(native, np.ndarray) and isinstance(expected, np.ndarray)
    assert native.tobytes() == expected.tobytes()


@pytest.mark.parametrize("source", [Layer("helix", rate="3/2", swing=0.6), Layer("helix", phase=3),
                                    Sequence([("helix", 1), (Layer("flam", rate=2), 1)], crossfade_beats=0.5)], ids=repr)
@pytest.mark.parametrize(("pips", "message"), [
    ([0.5, 1.25, np.inf], "pips must be finite, got inf"),
    ([np.nan, 0.5], "pips must be finite, got nan"),
    ([0.5, 2.0**31 + 0.5], r"pips must lie in the signed 32-bit range \[-2147483648, 2147483647\], got 2147483648.5"),
    ([3.0, -(2.0**31) - 1], r"got -2147483649.0"),  # whole pips: the layer's exact path checks them too
])
def test_float_pips_are_refused_as_render_refuses_them(source: Layer | Sequence, pips: list[float], message: str) -> None:
    with pytest.raises(ValueError, match=message):
        render(source, np.array(pips), interpolation="linear")


def test_sources_nested_deeper_than_a_program_goes_keep_the_numpy_warp(monkeypatch: pytest.MonkeyPatch) -> None:
    deep: Layer | Sequence = Layer("helix", rate="3/2")
    for level in range(12):
        deep = Layer(deep, phase=level + 1) if level % 2 else Sequence([(deep, 2), ("sway", 1)], crossfade_beats=0.5)
    pips = random_pips(np.random.default_rng(1), 300)
    native = native_render(deep, pips)
    assert deep._tables.warp is False
    expected = numpy_render(deep, pips, monkeypatch)
    assert isinstance(native, np.ndarray) and isinstance(expected, np.ndarray)
    assert native.tobytes() == expected.tobytes()
