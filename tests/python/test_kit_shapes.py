"""Shape generators, easing curves, transforms and the search words that find them."""

from __future__ import annotations

import json
import math
import pickle

import numpy as np
import pytest

import velmora
from velmora_kit import Layer, Sequence, Transform, easing, fan, render, shapes
from velmora_kit.cli import main
from velmora_kit.search import SEARCH_WORDS

ALL_CURVES = easing.easing_names()
# Kinds that run from 0 to 1 without turning back.
MONOTONIC = ("quad", "cubic", "quart", "quint", "sine", "expo", "circ")


@pytest.mark.parametrize("name", sorted(shapes.GENERATORS))
def test_every_generator_is_an_exact_loop_and_an_ordinary_motion_source(name):
    shape = shapes.GENERATORS[name]()
    period = shape.period_pips
    assert period == shape.period_beats * 64 and np.all(np.abs(shape.table) <= 1.0)
    pips = np.arange(-period, 2 * period)
    rows = render(shape, pips)
    assert np.array_equal(rows, np.tile(shape.table, (3, 1)))
    assert np.array_equal(render(Layer(shape, phase=period), pips), rows)
    assert np.array_equal(render(Sequence([(shape, shape.period_beats)]), pips), rows)
    assert np.array_equal(fan(shape, 2, period, pips)[1], rows)
    library = velmora.PatternLibrary([shape.to_pattern("made")])
    assert np.array_equal(render("made", pips, library=library), rows)
    assert pickle.loads(pickle.dumps(shape)).table.tobytes() == shape.table.tobytes()


def test_star_vertices_and_straight_edges():
    star = shapes.star(points=5, inner=0.4, beats=5)  # 320 pips: a vertex every 32
    vertices = star.table[::32, :2]
    angles = np.radians(90.0 + 36.0 * np.arange(10))
    radii = np.where(np.arange(10) % 2 == 0, 1.0, 0.4)
    assert np.allclose(vertices, np.stack([radii * np.cos(angles), radii * np.sin(angles)], axis=1), atol=1e-15)
    for shape, spacing in ((star, 32), (shapes.polygon(6, beats=6), 64), (shapes.zigzag(3, beats=3), 32)):
        xy = shape.table[:, :2]
        for start in range(0, shape.period_pips, spacing):
            a, b = xy[start], xy[(start + spacing) % shape.period_pips]
            between = xy[start:start + spacing]
            cross = (b[0] - a[0]) * (between[:, 1] - a[1]) - (b[1] - a[1]) * (between[:, 0] - a[0])
            assert np.max(np.abs(cross)) < 1e-14


def test_constant_speed_and_by_parameter():
    for shape in (shapes.lissajous(3, 2, phase=30), shapes.spiral(2), shapes.ellipse(1.0, 0.3)):
        steps = np.hypot(*np.diff(shape.table[:, :2], axis=0).T)
        # Chords cut the tightest turns short; along the rest, equal pips are equal steps.
        assert np.percentile(steps, 95) / np.percentile(steps, 5) < 1.002 and steps.max() / steps.min() < 1.25, shape
    slow = np.hypot(*np.diff(shapes.ellipse(1.0, 0.3, traversal="parameter").table[:, :2], axis=0).T)
    assert slow.max() / slow.min() > 3.0
    spiral = shapes.spiral(3, direction="out")
    assert spiral.table[0].tolist() == [0.0, 0.0, 0.0] and spiral.table[-1].tolist() == [0.0, 1.0, 0.0]


def test_waveforms_have_their_shape():
    saw = shapes.saw(beats=2).table[:, 0]
    drops = np.flatnonzero(np.diff(np.append(saw, saw[0])) < 0)
    assert drops.tolist() == [127] and saw[0] == -1.0 and np.allclose(np.diff(saw), 2 / 128)
    assert np.array_equal(shapes.saw("down").table, -shapes.saw("up").table)
    pulse = shapes.square(0.25, beats=4).table[:, 0]
    assert (pulse == 1.0).sum() == 64 and (pulse == -1.0).sum() == 192 and pulse[0] == 1.0
    triangle = shapes.triangle(beats=1).table[:, 0]
    assert triangle[[0, 16, 32, 48]].tolist() == [0.0, 1.0, 0.0, -1.0]
    assert shapes.sine().table[16, 0] == 1.0


def test_random_waveforms_are_reproducible_bit_for_bit():
    held = shapes.sample_and_hold(4, seed=7, beats=1).table[:, 0]
    # SplitMix64 of seed 7: the same on every machine and numpy version.
    assert held[::16].tolist() == [-0.22034050321745702, -0.9664234109436878, 0.8015213612137668, 0.16586058605615617]
    # Seed 0 starts with SplitMix64's published first output, 0xe220a8397b1dcdaf (top 53 bits).
    assert shapes.sample_and_hold(1, beats=1).table[0, 0] == (0xE220A8397B1DCDAF >> 11) / 2.0**52 - 1.0
    assert np.all(held.reshape(4, 16) == held[::16, np.newaxis])
    smooth = shapes.smooth_random(4, seed=7, beats=1).table[:, 0]
    assert np.array_equal(smooth[::16], held[::16])
    assert not np.array_equal(shapes.sample_and_hold(4, seed=8).table, shapes.sample_and_hold(4, seed=7).table)


def test_easing_curves_endpoints_monotonic_parts_and_spellings():
    t = np.linspace(0.0, 1.0, 1001)
    for name in ALL_CURVES:
        values = easing.easing(name)(t)
        assert values[0] == 0.0 and values[-1] == 1.0, name
        kind = name.split("-")[0]
        if kind in MONOTONIC or kind == "linear":
            assert np.all(np.diff(values) >= 0.0), name
        if kind == "bounce":
            assert values.min() >= 0.0 and values.max() <= 1.0
    assert easing.easing("back-in")(t).min() < -0.09 and easing.easing("elastic-out")(t).max() > 1.3
    assert {easing.parse_easing(s) for s in ("easeInOutCubic", "ease-in-out-cubic", "cubic_in_out", "cubic-in-out")} == {"cubic-in-out"}
    loop = shapes.ease("quad-in", beats=2).table[:, 0]
    assert loop[0] == -1.0 and loop[64] == 1.0 and np.array_equal(loop[1:64], loop[:64:-1])
    back = shapes.ease("back-in-out").table[:, 0]
    assert back.min() == -1.0 and back.max() == 1.0  # the overshoot is kept, scaled in


def test_sequence_crossfade_follows_its_curve():
    steps = [(Layer("bounce", scale=0.0, offset=-1.0), 1), (Layer("bounce", scale=0.0, offset=1.0), 1)]
    linear = render(Sequence(steps, crossfade_beats=1), np.arange(64))[:, 0]
    eased = Sequence(steps, crossfade_beats=1, crossfade_curve="sine-in-out")
    curve = easing.easing("sine-in-out")(np.arange(64) / 64.0)
    assert np.allclose(render(eased, np.arange(64))[:, 0], -1.0 + 2.0 * curve, atol=1e-15)
    assert np.allclose(linear, -1.0 + 2.0 * np.arange(64) / 64.0, atol=1e-15)
    assert pickle.loads(pickle.dumps(eased)).crossfade_curve == "sine-in-out"
    with pytest.raises(ValueError, match="^crossfade_curve must be 'linear' or"):
        Sequence(steps, crossfade_curve="wobbly")


def test_transforms_are_exact():
    pips = np.arange(-300, 300)
    helix = render("helix", pips)
    assert np.array_equal(render(Transform("helix", axes="zyx"), pips), helix[:, ::-1])
    assert np.array_equal(render(Transform("helix", mirror="xz"), pips), helix * [-1, 1, -1])
    assert np.array_equal(render(Transform("helix", rotate=-270), pips), np.stack([-helix[:, 1], helix[:, 0], helix[:, 2]], 1))
    assert np.array_equal(render(Transform("bounce", axes="0x0"), pips)[:, 1], render("bounce", pips)[:, 0])
    layered = Layer("helix", rate="3/2", swing=0.6)
    for turn, sign, scale, offset in (
        (Transform(layered, rotate=33, about=(1, 2, 3), scale=(0.9, 1, 0.8), offset=0.05), 1, [0.9, 1, 0.8], 0.05),
        (Transform(shapes.star(), rotate=17.5, about="x", mirror="y"), [1, -1, 1], 1, 0),
    ):
        source = render(turn.source, pips)
        assert np.array_equal(render(turn, pips), turn.apply(source))
        by_matrix = np.clip((source * sign) @ turn.matrix.T * scale + offset, -1, 1)
        assert np.max(np.abs(turn.apply(source) - by_matrix)) <= 1e-15
        assert np.allclose(turn.matrix @ turn.matrix.T, np.eye(3), atol=1e-15)


def test_rotation_keeps_the_unit_circle_and_clips_the_square():
    star = shapes.star()
    turned = render(Transform(star, rotate=40), np.arange(256))
    assert np.allclose(np.hypot(turned[:, 0], turned[:, 1]), np.hypot(star.table[:, 0], star.table[:, 1]), atol=1e-15)
    library = velmora.PatternLibrary([shapes.to_pattern(Transform(star, rotate=40), "turned_star")])
    assert np.array_equal(render("turned_star", np.arange(256), library=library), turned)
    with pytest.raises(ValueError, match="^source must loop within 65,535 pips to become a velmora.SampledPattern, got a period of 131072$"):
        shapes.to_pattern(Sequence([("helix", 2048)]), "long")
    corner = render(Transform(Transform("bounce", axes="xx0"), rotate=45), np.arange(64))
    assert corner.max() == 1.0 and np.allclose(corner[:, 0], 0.0, atol=1e-15)  # √2 clipped to 1


@pytest.mark.parametrize("make, message", [
    (lambda: shapes.polygon(2), "sides must be an integer from 3 to 1024, got 2"),
    (lambda: shapes.star(inner=1.0), "inner must be below radius (1), got 1.0"),
    (lambda: shapes.star(points=5.0), "points must be an integer, got 5.0"),
    (lambda: shapes.polygon(radius=1.5), "radius must be a finite number in (0, 1], got 1.5"),
    (lambda: shapes.sine(beats=1024), "beats must give a loop of 2 to 65,535 pips (1/32 to 1023.98 beats), got 1024"),
    (lambda: shapes.sine(beats=1 / 3), "beats must be a whole number of pips (a multiple of 1/64 beat), got 0.3333333333333333"),
    (lambda: shapes.square(0.001), "pulse_width must leave both parts at least one pip of the 64-pip loop, got 0.001"),
    (lambda: shapes.spiral(direction="up"), "direction must be one of 'out', 'in', 'in-out', got 'up'"),
    (lambda: shapes.sample_and_hold(100, beats=1), "steps must be at most the loop's 64 pips, got 100"),
    (lambda: shapes.sample_and_hold(seed=-1), "seed must be an integer from 0 to 2**64 - 1, got -1"),
    (lambda: shapes.ease("bouncy"), "curve must be 'linear' or '<kind>-<mode>'"),
    (lambda: shapes.ease(beats="33/64"), "beats must give an even number of pips for an outward-and-return loop, got '33/64'"),
    (lambda: shapes.lissajous(0), "a must be an integer from 1 to 64, got 0"),
    (lambda: Transform("circle", axes="xyw"), "axes must be three letters from x, y, z and 0 (such as 'yxz' or '0x0'), got 'xyw'"),
    (lambda: Transform("circle", mirror="xx"), "mirror must name each of x, y, z at most once (such as 'x' or 'xz'), got 'xx'"),
    (lambda: Transform("circle", rotate=10, about=(0, 0, 0)), "about must be a direction of non-zero length, got (0, 0, 0)"),
    (lambda: Transform("circle", rotate=math.inf), "rotate must be a finite number of degrees, got inf"),
])
def test_mistakes_are_one_clear_line(make, message):
    with pytest.raises((ValueError, TypeError)) as caught:
        make()
    text = str(caught.value)
    assert text.startswith(message) and "\n" not in text


def test_search_words_reach_generators_and_catalogue_patterns(capsys):
    builtin = {entry["name"] for entry in velmora.catalogue()}
    for generators, patterns in SEARCH_WORDS.values():
        assert set(generators) <= set(shapes.GENERATORS) and set(patterns) <= builtin
    for word in ("sine", "triangle", "saw", "square", "pulse", "random", "ellipse", "star", "spiral",
                 "lissajous", "ease", "elastic", "bounce"):
        assert main(["list", "--json", "--match", word]) == 0
        rows = json.loads(capsys.readouterr().out)
        kinds = {row["collection"] == "generator" for row in rows}
        assert kinds == {True, False}, word
    assert main(["list", "--json", "--match", "triangle"]) == 0
    assert "bounce" in {row["name"] for row in json.loads(capsys.readouterr().out)}


def test_shapes_and_transforms_export_and_play(tmp_path):
    from velmora_kit import Player, export

    turned = Transform(shapes.star(), rotate=30, axes="xzy")
    written = np.loadtxt(export(turned, tmp_path / "star.csv", tempo=120, fps=30, seconds=2), delimiter=",", skiprows=1)
    assert np.array_equal(written[:, 3:], render(turned, written[:, 2].astype(np.int64)))
    summary = Player({"wave": shapes.sine(), "star": turned}, tempo=120).play(seconds=0.05)
    assert summary.frames_sent >= 1
