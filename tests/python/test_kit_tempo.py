import math
import sys
from fractions import Fraction

import numpy as np
import pytest

from velmora_kit import TempoMap, frames
from velmora_kit.tempo import PIP_TOLERANCE


def test_constant_tempo_conversions_and_shapes():
    tempo = TempoMap(120.0, beat_zero_seconds=1.0)
    assert tempo.seconds(64) == 1.5 and tempo.seconds(-64) == 0.5
    assert tempo.pip_position(1.25) == 32.0 and tempo.pip(1.0) == 0 and tempo.pip(0.999) == -1
    assert tempo.bpm(-10**9) == 120.0
    assert type(tempo.pip(1.25)) is int and type(tempo.seconds(3)) is float
    grid = np.arange(-6, 6).reshape(3, 4) * 16.5
    assert tempo.seconds(grid).shape == (3, 4)
    assert tempo.pip(tempo.seconds(grid)).dtype == np.int64
    np.testing.assert_allclose(tempo.pip_position(tempo.seconds(grid)), grid, rtol=0, atol=1e-9)
    for container in ([0, 64], (0, 64), np.array([0, 64], np.int32), (p for p in (0, 64)), map(int, "05")):
        assert len(tempo.seconds(container)) == 2
    for bad in ("1", None, True, [[1], [2, 3]], ["a"], np.array(["1"])):
        with pytest.raises(TypeError, match="must be a real number or an array of them"):
            tempo.seconds(bad)
    with pytest.raises(ValueError, match="seconds must be finite, got nan"):
        tempo.pip([0.0, math.nan])


def test_pip_on_boundaries_counts_the_pip_it_starts():
    assert TempoMap(120).pip(0.25) == 32 and TempoMap(120).pip(0.05) == 6
    assert TempoMap(100).pip(10.2) == 1088  # the plain formula floors 1087.9999999999999 to 1087
    assert math.floor(10.2 * 100 / 60 * 64) == 1087
    below = 1088 - 2 * PIP_TOLERANCE
    assert TempoMap(100).pip(below * 60 / 100 / 64) == 1087


@pytest.mark.parametrize("bpm, fps, frame, pip", [(120, 60, 15, 32), (120, 60, 3, 6), (100, 25, 255, 1088)])
def test_frames_examples(bpm, fps, frame, pip):
    assert frames(bpm, fps, (frame + 1) / fps)[frame] == pip
    assert frames(TempoMap(bpm), fps, (frame + 1) / fps)[frame] == pip


def test_frames_count_start_and_latency():
    assert len(frames(120, 25, 10.2)) == 255 and len(frames(120, 29.97, 1.0)) == 30 and len(frames(120, 60, 0)) == 0
    early = frames(120, 60, 1.0, latency_seconds=0.25)
    assert early[0] == 32 and (early == frames(120, 60, 1.0, start_seconds=0.25)).all()
    assert frames(120, 60, 0.1, start_seconds=-1.0)[0] == -128


def test_frames_and_pip_on_pip_boundaries_never_fall_back():
    """Against exact rational arithmetic on the decimal values, over many combinations."""
    checked = boundaries = 0
    for bpm in (60, 72.5, 90, 100, 120, 128, 133.33, 140, 174, 200):
        for fps in (23.976, 24, 25, 29.97, 30, 48, 50, 59.94, 60, 120):
            got = frames(bpm, fps, 60.0)
            exact = [Fraction(k) / Fraction(str(fps)) * Fraction(str(bpm)) * 64 / 60 for k in range(0, len(got), 7)]
            want = [math.floor(x + Fraction(PIP_TOLERANCE)) if x.denominator != 1 else int(x) for x in exact]
            assert got[::7].tolist() == want, (bpm, fps)
            assert TempoMap(bpm).pip(np.arange(0, len(got), 7) / fps).tolist() == want, (bpm, fps)
            checked += len(exact)
            boundaries += sum(x.denominator == 1 for x in exact)
    assert checked >= 10_000 and boundaries >= 1_000


def test_bad_tempo_values():
    for bpm, message in ((0, "bpm must be finite and positive, got 0"), (-120, "got -120"),
                         (math.inf, "got inf"), (math.nan, "got nan"), (1e-310, "a beat would last for ever")):
        with pytest.raises(ValueError, match=message):
            TempoMap(bpm)
    with pytest.raises(ValueError, match="beat_zero_seconds must be finite, got inf"):
        TempoMap(120, math.inf)
    for bpm in ("120", None, True):
        with pytest.raises(TypeError, match="bpm must be a real number"):
            TempoMap(bpm)
    for args, message in (((120, 0, 1), "fps must be finite and positive, got 0"),
                          ((120, -25, 1), "got -25"), ((120, 25, -1), "duration_seconds must not be negative, got -1"),
                          ((120, 25, math.nan), "duration_seconds must be finite")):
        with pytest.raises(ValueError, match=message):
            frames(*args)
    with pytest.raises(TypeError, match="tempo must be a TempoMap or a BPM number"):
        frames("120", 25, 1)


def test_ramps_match_numerical_integration_and_invert():
    changes = [(0, 90), (2, 90, 150, 6), (8.5, 70), (12, 200, 40, 3.25), (20, 128, 129, 64)]
    tempo = TempoMap.from_changes(changes, beat_zero_seconds=-2.0)
    # The same tempo written out by hand, piece by piece, and integrated by Simpson's rule.
    pieces = [(0, 2, lambda b: 90 + 0 * b), (2, 8, lambda b: 90 + (b - 2) * 10), (8, 8.5, lambda b: 150 + 0 * b),
              (8.5, 12, lambda b: 70 + 0 * b), (12, 15.25, lambda b: 200 - (b - 12) * 160 / 3.25),
              (15.25, 20, lambda b: 40 + 0 * b), (20, 84, lambda b: 128 + (b - 20) / 64), (84, 1e9, lambda b: 129 + 0 * b)]

    def simpson(f, a, b, n=2_000):
        x = np.linspace(a, b, n + 1)
        y = 60.0 / f(x)
        return (b - a) / n / 3 * (y[0] + y[-1] + 4 * y[1:-1:2].sum() + 2 * y[2:-1:2].sum())

    beats = np.concatenate([np.linspace(0, 90, 181), [2, 8, 8.5, 12, 15.25, 20, 84, 3.3, 13.7, 50.1]])
    want = []
    for beat in beats:
        total = -2.0
        for start, end, f in pieces:
            if beat > start:
                total += simpson(f, start, min(beat, end))
        want.append(total)
    np.testing.assert_allclose(tempo.seconds(beats * 64), want, rtol=0, atol=1e-9)
    beats = np.linspace(-3, 90, 2_001)
    assert tempo.seconds(-64) == -2.0 - 60 / 90  # the first tempo extends backwards
    np.testing.assert_allclose(tempo.pip_position(tempo.seconds(beats * 64)), beats * 64, rtol=0, atol=1e-7)
    assert tempo.bpm([2 * 64, 5 * 64, 8 * 64, 8.4 * 64, 8.5 * 64, 15.25 * 64, 30 * 64]).tolist() == [
        90, 120, 150, 150, 70, 40, 128 + 10 / 64]
    # A ramp first: before beat 0 its starting tempo holds.
    ramp_first = TempoMap.from_changes([(0, 60, 120, 4)])
    assert ramp_first.bpm(-640) == 60 and ramp_first.seconds(-64) == -1.0
    assert ramp_first.seconds(4 * 64) == pytest.approx(60 / 15 * math.log(2), abs=1e-12)


def test_bad_changes_name_the_beat():
    for changes, message in (([(1, 120)], "first change must be at beat 0, got beat 1"),
                             ([(0, 120), (4, 100), (2, 90)], "ascending beat order: beat 2 follows beat 4"),
                             ([(0, 120), (4, 100), (4, 90)], "beat 4 follows beat 4"),
                             ([(0, 120, 60, 8), (4, 90)], "ramp at beat 0 ends at beat 8.0, after the next change at beat 4"),
                             ([(0, 120), (3, 0)], "bpm at beat 3 must be finite and positive, got 0"),
                             ([(0, 120), (3, 100, math.inf, 1)], "bpm_end at beat 3 must be finite and positive, got inf"),
                             ([(0, 120), (3, 100, 90, 0)], "beats at beat 3 must be finite and positive, got 0"),
                             ([(0, 120), (math.nan, 100)], "beat must be finite, got nan"),
                             ([], "at least one change")):
        with pytest.raises(ValueError, match=message):
            TempoMap.from_changes(changes)
    for changes in ([(0,)], [(0, 1, 2)], [0, 120], "0,120", 5):
        with pytest.raises(TypeError):
            TempoMap.from_changes(changes)
    with pytest.raises(ValueError, match="beat_zero_seconds must be finite"):
        TempoMap.from_changes([(0, 120)], beat_zero_seconds=math.nan)
    with pytest.raises(ValueError, match="only a map read with TempoMap.from_midi converts ticks"):
        TempoMap(120).tick_to_pip(5)


def test_frames_follow_a_changing_tempo():
    tempo = TempoMap.from_changes([(0, 120), (4, 60)], beat_zero_seconds=0.5)
    got = frames(tempo, 50, 6.0)
    want = tempo.pip(np.arange(300) / 50)
    assert (got == want).all()
    # Frame 125 (2.5 s) is the tempo change itself: beat 4, pip 256 exactly.
    assert got[125] == 256 and got[124] == 253 and got[175] == 320 and got[25] == 0


def test_changes_in_every_container():
    want = TempoMap.from_changes([(0, 120), (4, 120, 60, 2), (8, 90)])

    class Changes:  # a lazy user sequence
        items = [(0, 120), [4, 120, 60, 2], np.array([8, 90])]

        def __len__(self):
            return 3

        def __getitem__(self, i):
            return self.items[i]

    for changes in (((0, 120), (4, 120, 60, 2), (8, 90)), Changes(), (c for c in Changes.items), map(tuple, Changes.items)):
        assert TempoMap.from_changes(changes) == want
    steps = np.array([[0, 120], [4, 100]], dtype=np.int32)
    assert TempoMap.from_changes(steps) == TempoMap.from_changes(steps.T.copy().T.astype(np.float32))
    assert TempoMap.from_changes(steps).bpm(4 * 64) == 100.0


def snapped(position: Fraction) -> int:
    return math.floor(position) + (position - math.floor(position) >= 1 - Fraction(1, 10**6))


@pytest.mark.parametrize(
    "bpm, fps, start, latency",
    [(127.3456789, 60, 0.0123456789, 0.0), (120, 1000 / 16.6667, 0.0, 0.0), (120, 29.970029970029973, 0.0, 0.0),
     (93.1234567891, 23.976, -3.123456789123, 0.0333333333333)],
)
def test_frames_past_int64_arithmetic_stay_exact_without_a_python_step_per_frame(bpm, fps, start, latency):
    calls = 0

    def count_builtin_calls(frame, event, arg):
        nonlocal calls
        calls += event == "c_call"

    sys.setprofile(count_builtin_calls)
    try:
        got = frames(bpm, fps, 600.0, start_seconds=start, latency_seconds=latency)
    finally:
        sys.setprofile(None)
    assert calls < len(got) / 4  # the exact arithmetic runs per block of frames, not per frame
    d = lambda v: Fraction(repr(float(v)))  # noqa: E731
    for k in list(range(0, len(got), 97)) + [len(got) - 1]:
        position = (d(start) + d(latency) + Fraction(k) / d(fps)) * d(bpm) * 64 / 60
        assert got[k] == snapped(position), k


def test_frames_on_and_near_the_rounding_thresholds_with_huge_denominators():
    from velmora_kit.tempo import _exact_frames

    d = 4 * 10**20
    # Every fourth frame lands on a pip, and the first frame exactly 1e-6 pip below one:
    # float estimates cannot tell these apart, so they are settled in integers.
    for base in (0, d - d // 10**6, d - d // 10**6 - 1, d - d // 10**6 + 1, -7 * d - 1):
        for step in (3 * 10**20, 3 * 10**20 + 1, d * 5 - 1):
            got = _exact_frames(base, step, d, 3, 500)
            assert got.tolist() == [snapped(Fraction(base + k * step, d)) for k in range(3, 503)], (base, step)
