"""Groove motions at run time: the catalogue's beat_ tables from the same code, scores from
MIDI and text, loops and whole songs."""

from __future__ import annotations

import io
import re

import mido
import numpy as np
import pytest

import velmora
import velmora_kit as vk
from velmora_kit import _grooves
from velmora_kit.catalogue import builtin_facts
from velmora_kit.drums import DRUM_LANES, midi_from_score, score_from_midi


def test_every_builtin_score_and_motion_renders_the_catalogue_table_bit_for_bit() -> None:
    cells = [(entry["name"], f) for entry, f in zip(velmora.catalogue(), builtin_facts()) if f.motion]
    assert len(cells) == len(vk.scores()) * len(vk.motions())
    assert {s.key for s in vk.scores()} == {f.groove for _, f in cells}
    assert set(vk.motions()) == {f.motion for _, f in cells}
    assert tuple(_grooves.lanes()) == DRUM_LANES
    for name, fact in cells:
        runtime = vk.groove_table(vk.score(fact.groove), fact.motion)
        assert runtime.tobytes() == vk.table(name).tobytes(), name


def _read_back(drums: vk.DrumScore) -> vk.DrumScore:
    buffer = io.BytesIO()
    midi_from_score(drums).save(file=buffer)
    buffer.seek(0)
    return score_from_midi(mido.MidiFile(file=buffer), bass_channel=0, bars=(0, drums.period // 256), key=drums.key)


def test_a_midi_drum_file_written_from_each_builtin_score_reads_back_as_that_score() -> None:
    exact_tables = 0
    for drums in vk.scores():
        back = _read_back(drums)
        assert back.period == drums.period and list(back.lanes) == list(drums.lanes)
        for lane, hits in drums.lanes.items():
            got = np.array(back.lanes[lane])
            # A triplet onset of the built-ins is one ulp off the exact third that MIDI carries.
            np.testing.assert_allclose(got[:, 0], [h.pip for h in hits], rtol=0, atol=1e-12)
            assert got[:, 1].tolist() == [h.velocity for h in hits]
        for motion in vk.motions():
            runtime = vk.groove_table(back, motion)
            expected = vk.table(f"beat_{drums.key}_{motion}")
            # That ulp may tip a sample across a rounding boundary: one step of 1e-12, which
            # in binary is a hair more than 1e-12.
            np.testing.assert_allclose(runtime, expected, rtol=0, atol=1.5e-12)
            exact_tables += np.array_equal(runtime, expected)
    assert exact_tables >= len(vk.scores()) * len(vk.motions()) - 1


HOUSE_CLASSIC = """
# the house_classic score, by hand
bars 2
kick:       X...X...X...X...
clap:       ....X.......X...
open_hat:   ..x...x...x...x.
closed_hat: .g.g.g.g.g.g.g.g|.g.g.g.g.g.g.ggg
"""


def test_text_notation_writes_a_builtin_score_and_names_the_faulty_line() -> None:
    assert vk.score_from_text(HOUSE_CLASSIC, key="house_classic") == vk.score("house_classic")
    swung = vk.score_from_text("closed_hat sixteenth=4: ogxgogxgogxgogxg\nhit snare 250.5 0.3\ntuplet low_tom 192 64 xxo")
    assert [h.pip for h in swung.lanes["closed_hat"][:3]] == [0.0, 20.0, 32.0]
    assert swung.lanes["snare"] == (vk.drums.Hit(250.5, 0.3),)
    assert len(swung.lanes["low_tom"]) == 3
    for text, message in [
        ("kick: X...X...X...X...\ncowbell: x...", "line 2: unknown lane 'cowbell'"),
        ("bars 2\nkick: X...X...X...X...X", "line 2: a step string has 16 steps (one bar) or 32"),
        ("kick: X..QX...X...X...", "line 1: groove score score: unknown step letter 'Q'"),
        ("hit kick 300 1", "line 1: the pip must be within the loop, 0 to 256, got 300"),
        ("bars 9", "line 1: bars must be 1, 2, 3 or 4"),
    ]:
        with pytest.raises(ValueError, match=re.escape("score text: " + message)):
            vk.score_from_text(text)


def test_a_loop_is_a_sampled_pattern_and_checks_its_arguments() -> None:
    loop = vk.groove("house_classic", "ricochet")
    assert isinstance(loop, velmora.SampledPattern) and loop.name == "groove_house_classic_ricochet"
    assert np.array_equal(vk.render(loop, range(-512, 512)), vk.render("beat_house_classic_ricochet", range(-512, 512)))
    odd = vk.drums.DrumScore("Mein Lied!", 256, {"kick": (vk.drums.Hit(0.0, 1.0),)})
    assert vk.groove(odd, "bounce").name == "groove_mein_lied_bounce"
    with pytest.raises(ValueError, match="motion must be one of bounce, .*, got 'wobble'"):
        vk.groove("house_classic", "wobble")
    with pytest.raises(ValueError, match="built-in score key such as 'house_classic', got 'nope'"):
        vk.score("nope")
    with pytest.raises(ValueError, match="a loop holds 1..65535 pips, got a score of 65536"):
        vk.groove(vk.drums.DrumScore("long", 65536, {"kick": (vk.drums.Hit(0.0, 1.0),)}), "bounce")
    bad = vk.drums.DrumScore("bad", 256, {"kick": (vk.drums.Hit(300.0, 1.0),)})
    with pytest.raises(ValueError, match="hit of 'kick' at pip 300.* outside the loop"):
        vk.groove(bad, "bounce")


def _song(*loops: str) -> vk.DrumScore:
    """Built-in scores played one after another as one long score."""
    lanes: dict[str, list[vk.drums.Hit]] = {}
    start = 0
    for key in loops:
        drums = vk.score(key)
        for lane, hits in drums.lanes.items():
            lanes.setdefault(lane, []).extend(vk.drums.Hit(start + h.pip, h.velocity) for h in hits)
        start += drums.period
    return vk.drums.DrumScore("song", start, {lane: tuple(lanes[lane]) for lane in DRUM_LANES if lane in lanes})


def test_a_whole_song_repeats_builtin_loops_exactly_and_blends_where_they_change() -> None:
    repeated = vk.GrooveSong(_song("house_classic", "house_classic", "house_classic"), "spring")
    assert np.array_equal(repeated.table, np.tile(vk.table("beat_house_classic_spring"), (3, 1)))
    song = vk.GrooveSong(_song("house_classic", "techno_broken", "afro_cross"), "ricochet")
    assert song.length_pips == 1536 and isinstance(song, vk.MotionSource)
    steps = np.abs(np.diff(song.table, axis=0)).max(axis=1)
    within = max(np.abs(np.diff(vk.table(f"beat_{k}_ricochet"), axis=0)).max() for k in ("house_classic", "techno_broken", "afro_cross"))
    assert steps.max() <= within * 1.5  # no jump at the seams
    # Not a loop: the ends are held; render and linear interpolation work through it.
    xyz = vk.render(song, [-5, 0, 1535, 4000])
    assert np.array_equal(xyz, song.table[[0, 0, 1535, 1535]])
    player = vk.Player({"song": song, "loop": vk.groove("afro_cross", "box")}, tempo=120.0)
    assert np.array_equal(player.positions([700])[0], [song.table[700], vk.table("beat_afro_cross_box")[700 % 512]])
    half = vk.render(song, [10.5], interpolation="linear")[0]
    assert np.allclose(half, (song.table[10] + song.table[11]) / 2)
    with pytest.raises(IndexError, match="pip 1536 is outside the song groove_song_bounce"):
        vk.render(vk.GrooveSong(song.score, "bounce", outside="raise"), [1536])
    shuffled = vk.drums.DrumScore("x", 1024, {"kick": (vk.drums.Hit(600.0, 1.0), vk.drums.Hit(10.0, 1.0))})
    with pytest.raises(ValueError, match="hits of 'kick' must ascend"):
        vk.GrooveSong(shuffled, "bounce")


def test_the_groove_command_bakes_a_song_from_midi_and_a_loop_from_text(tmp_path, capsys) -> None:
    from velmora_kit.cli import main

    midi_path = tmp_path / "drums.mid"
    midi_from_score(vk.score("techno_broken"), loops=3, bpm=128.0).save(str(midi_path))
    assert main(["groove", str(midi_path), "--motion", "ricochet", "-o", str(tmp_path / "song.csv"), "--fps", "30"]) == 0
    rows = np.loadtxt(tmp_path / "song.csv", delimiter=",", skiprows=1)
    song = vk.GrooveSong(score_from_midi(str(midi_path)), "ricochet")
    assert np.array_equal(rows[:, 3:], vk.render(song, rows[:, 2].astype(np.int64)))
    assert "of ricochet to drums (song)" in capsys.readouterr().out

    text_path = tmp_path / "mine.txt"
    text_path.write_text(HOUSE_CLASSIC)
    assert main(["groove", str(text_path), "--motion", "spring", "-o", str(tmp_path / "loop.csv"), "--bpm", "120", "--fps", "128"]) == 0
    rows = np.loadtxt(tmp_path / "loop.csv", delimiter=",", skiprows=1)
    assert rows.shape[0] == 512  # one loop: 4 s at 128 fps, a frame a pip
    assert np.array_equal(rows[:, 3:], vk.table("beat_house_classic_spring"))
    for argv, message in [
        (["groove", "nope", "--motion", "bounce"], "built-in score key such as 'house_classic', got 'nope'"),
        (["groove", "house_classic", "--motion", "wobble"], "--motion must be one of bounce"),
        (["groove", str(midi_path), "--motion", "bounce", "--bpm", "90"], "--bpm is for a built-in or text score"),
    ]:
        assert main([*argv, "-o", str(tmp_path / "x.csv")]) == 1
        err = capsys.readouterr().err
        assert message in err and err.count("\n") == 1


SOUNDFONT = "/usr/share/sounds/sf2/FluidR3_GM.sf2"


def test_a_score_heard_in_a_fluidsynth_render_places_kicks_and_snares_within_two_pips(tmp_path) -> None:
    import os
    import shutil
    import subprocess

    pytest.importorskip("librosa")
    if shutil.which("fluidsynth") is None or not os.path.isfile(SOUNDFONT):
        pytest.skip("fluidsynth and fluid-soundfont-gm render the drum track (scripts/setup.sh installs them)")
    played = vk.score("house_jack")  # kicks under claps, ghost kicks, swing
    midi_from_score(played).save(str(tmp_path / "drums.mid"))
    wav = tmp_path / "drums.wav"
    subprocess.run(["fluidsynth", "-ni", "-q", "-r", "44100", "-F", str(wav), SOUNDFONT, str(tmp_path / "drums.mid")],
                   check=True, capture_output=True, timeout=60)
    heard = vk.score_from_audio(wav, tempo=vk.TempoMap(120.0), bars=(0, 2))
    matched = total = 0
    for lane, truth_lanes in (("kick", ("kick",)), ("snare", ("snare", "clap"))):
        found = np.array([h.pip for h in heard.lanes[lane]])
        truth = [h.pip for name in truth_lanes for h in played.lanes.get(name, ())]
        matched += sum(bool(np.any(np.abs(found - pip) <= 2.0)) for pip in truth)
        total += len(truth)
    assert matched >= 0.9 * total
    # A unit impulse: heard where it is, to the hop (2.9 ms), in the kick's band.
    impulse = np.zeros(22_050, dtype=np.float32)
    impulse[5_000] = 1.0
    click = vk.score_from_audio(impulse, sr=22_050, tempo=vk.TempoMap(120.0))
    assert abs(click.lanes["kick"][0].pip - 5_000 / 22_050 * 128) <= 0.4
