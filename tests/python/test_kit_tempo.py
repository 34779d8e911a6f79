import math
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


def test_frames_on_pip_boundaries_never_fall_back():
    """Against exact rational arithmetic on the decimal values, over many combinations."""
    checked = boundaries = 0
    for bpm in (60, 72.5, 90, 100, 120, 128, 133.33, 140, 174, 200):
        for fps in (23.976, 24, 25, 29.97, 30, 48, 50, 59.94, 60, 120):
            got = frames(bpm, fps, 60.0)
            exact = [Fraction(k) / Fraction(str(fps)) * Fraction(str(bpm)) * 64 / 60 for k in range(0, len(got), 7)]
            want = [math.floor(x + Fraction(PIP_TOLERANCE)) if x.denominator != 1 else int(x) for x in exact]
            assert got[::7].tolist() == want, (bpm, fps)
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
