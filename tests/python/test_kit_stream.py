"""Shows rendered in blocks and written one CSV per source, against frames, render and export."""

from __future__ import annotations

import numpy as np
import pytest

import velmora
from velmora_kit import Layer, Sequence, TempoMap, export, export_fixtures, frames, render, render_blocks
from velmora_kit import stream

TEMPO = TempoMap.from_changes([(0, 120.0), (4, 90.0, 150.0, 8), (12, 100.0)])
SOURCES = ["helix", Layer("flam", rate="3/2", swing=0.6), Sequence([("bounce", 1), ("sway", 2)], crossfade_beats=0.5)]


@pytest.mark.parametrize("tempo, fps", [(TEMPO, 29.97), (127.3456789, 29.970029970029973)])
@pytest.mark.parametrize("interpolation", ["step", "linear"])
def test_blocks_join_into_frames_and_render(tempo, fps, interpolation):
    blocks = list(render_blocks(SOURCES, tempo=tempo, fps=fps, seconds=10.0, start_seconds=0.3, block_frames=37,
                                interpolation=interpolation))
    assert [b.first for b in blocks] == list(range(0, 300, 37))
    pips = np.concatenate([b.pips for b in blocks])
    times = np.concatenate([b.seconds for b in blocks])
    tempo_map = tempo if isinstance(tempo, TempoMap) else TempoMap(tempo)
    assert times.tolist() == (0.3 + np.arange(300) / fps).tolist()
    if interpolation == "step":
        assert pips.tolist() == frames(tempo, fps, 10.0, start_seconds=0.3).tolist()
    else:
        assert pips.tolist() == tempo_map.pip_position(times).tolist()
    values = np.concatenate([b.values for b in blocks], axis=1)
    for source, got in zip(SOURCES, values):
        assert got.tobytes() == render(source, pips, interpolation=interpolation).tobytes()


@pytest.mark.parametrize("interpolation", ["step", "linear"])
def test_each_fixture_file_is_what_export_writes_for_it(tmp_path, monkeypatch, interpolation):
    monkeypatch.setattr(stream, "_MAX_BLOCK_FRAMES", 50)  # several blocks
    written = export_fixtures(SOURCES, tmp_path / "show", tempo=TEMPO, fps=29.97, seconds=7.0, start_seconds=0.5,
                              interpolation=interpolation)
    assert [p.name for p in written] == ["0_helix.csv", "1_flam.csv", "2_bounce+sway.csv"]
    for source, path in zip(SOURCES, written):
        alone = export(source, tmp_path / "alone.csv", tempo=TEMPO, fps=29.97, seconds=7.0, start_seconds=0.5,
                       interpolation=interpolation)
        assert path.read_bytes() == alone.read_bytes()
    assert sorted(p.name for p in (tmp_path / "show").iterdir()) == [p.name for p in written]


def test_a_failure_mid_show_leaves_no_file_behind(tmp_path, monkeypatch):
    monkeypatch.setattr(stream, "_MAX_BLOCK_FRAMES", 10)

    class Breaks:  # renders the first block, then fails
        name = "breaks"

        def __init__(self):
            self.calls = 0

        def render_pips(self, pips, interpolation):
            self.calls += 1
            if self.calls > 2:
                raise RuntimeError("the source broke")
            return np.zeros(pips.shape + (3,))

    (tmp_path / "0_bounce.csv").write_text("mine\n")
    with pytest.raises(RuntimeError, match="the source broke"):
        export_fixtures(["bounce", Breaks()], tmp_path, tempo=120, fps=30, seconds=2)
    assert [(p.name, p.read_text()) for p in tmp_path.iterdir()] == [("0_bounce.csv", "mine\n")]


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda: render_blocks([], tempo=120, fps=30, seconds=1), ValueError, "sources must hold at least one"),
        (lambda: render_blocks("bounce", tempo=120, fps=30, seconds=1), TypeError, "sources must be a sequence"),
        (lambda: render_blocks(["bounce"], tempo=120, fps=30, seconds=1, block_frames=0), ValueError,
         "block_frames must be at least 1, got 0"),
        (lambda: render_blocks(["bounce", "nope"], tempo=120, fps=30, seconds=1), ValueError, "Unknown velmora: nope"),
        (lambda: render_blocks(["bounce", velmora.SampledRecording("take", ["cc1"], [[0.0]] * 60, 120.0)], tempo=120,
                               fps=30, seconds=1), IndexError, "outside"),  # the show's last pip is 62
        (lambda: export_fixtures(["bounce"], "unused", tempo=120, fps=30, seconds=0), ValueError,
         "seconds must span at least one frame"),
    ],
)
def test_bad_arguments_are_refused_before_anything_is_written(call, error, message):
    with pytest.raises(error, match=message):
        call()
