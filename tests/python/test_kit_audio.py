"""Beat grids from audio: tempo maps through beats, the analysis on synthetic sound and on a
fluidsynth render of a General MIDI drum track, reading files, and the command."""

from __future__ import annotations

import json
import shutil
import subprocess
import sys
from pathlib import Path

import librosa
import mido
import numpy as np
import pytest
import soundfile

from velmora_kit import BeatGrid, TempoMap, beat_grid
from velmora_kit.audio import read_audio
from velmora_kit.cli import main
from velmora_kit.drums import GM_DRUM_CHANNEL, LANE_NOTES

RATE = 22_050
SOUNDFONT = Path("/usr/share/sounds/sf2/FluidR3_GM.sf2")


# --- tempo maps through beats ---------------------------------------------------------------


def test_from_beats_puts_every_beat_exactly_on_its_time_and_extends_by_the_bars_at_the_ends():
    rng = np.random.default_rng(7)
    times = np.cumsum(rng.uniform(0.3, 0.7, 40)) + 0.123456789
    tempo = TempoMap.from_beats(times)
    assert np.array_equal(tempo.seconds(np.arange(40) * 64.0), times)
    assert np.array_equal(tempo.pip(times), np.arange(40) * 64)
    # Between beats the pips are evenly spaced in time.
    assert tempo.seconds(64 * 3 + 16) == pytest.approx(times[3] + (times[4] - times[3]) / 4, abs=1e-12)
    # Outside: the mean tempo of the first and of the last bar (4 intervals).
    first_bar, last_bar = (times[4] - times[0]) / 4, (times[-1] - times[-5]) / 4
    assert tempo.seconds(-64 * 3) == pytest.approx(times[0] - 3 * first_bar, abs=1e-9)
    assert tempo.seconds(64 * 45) == pytest.approx(times[-1] + 6 * last_bar, abs=1e-9)
    assert tempo.bpm(64 * 100) == pytest.approx(60 / last_bar)
    assert TempoMap.from_beats(times, beats_per_bar=3).seconds(-64) == pytest.approx(times[0] - (times[3] - times[0]) / 3)


def test_from_beats_counts_from_the_first_downbeat_and_refuses_what_is_no_beat_list():
    times = [0.5, 1.0, 1.4, 1.9, 2.5]
    tempo = TempoMap.from_beats(times, first_downbeat=1.37)  # nearest beat: 1.4
    assert tempo.pip(1.4) == 0 and tempo.pip(0.5) == -128 and tempo.seconds(128) == 2.5
    assert TempoMap.from_beats([1.0, 1.5]).bpm([-640, 0, 640]).tolist() == [120.0, 120.0, 120.0]
    for times, error in [
        ([1.0], ValueError),
        ([1.0, 1.0, 2.0], ValueError),
        ([0.0, float("nan")], ValueError),
        ("0.5 1.0", TypeError),
        ([[0.5, 1.0]], TypeError),
    ]:
        with pytest.raises(error, match="times"):
            TempoMap.from_beats(times)
    with pytest.raises(ValueError, match="beats_per_bar must be in 1..64, got 0"):
        TempoMap.from_beats([0.0, 1.0], beats_per_bar=0)
    with pytest.raises(ValueError, match="first_downbeat must be finite"):
        TempoMap.from_beats([0.0, 1.0], first_downbeat=float("inf"))


def test_a_grid_gives_its_downbeats_and_its_tempo_map():
    grid = BeatGrid([0.5, 1.0, 1.5, 2.0, 2.5, 3.0], beats_per_bar=2, first_downbeat_index=1, confidence=0.5)
    assert grid.downbeats.tolist() == [1.0, 2.0, 3.0] and grid.tempo == 120.0
    assert grid.tempo_map().pip(1.0) == 0 and grid.as_dict()["downbeats"] == [1.0, 2.0, 3.0]
    with pytest.raises(ValueError, match="first_downbeat_index must be in 0..1, got 2"):
        BeatGrid([0.5, 1.0], beats_per_bar=2, first_downbeat_index=2)
    with pytest.raises(ValueError, match="at least two beats"):
        BeatGrid([]).tempo_map()
    with pytest.raises(AttributeError):
        grid.tempo = 100.0  # type: ignore[misc]


# --- the analysis -------------------------------------------------------------------------------


def drum_machine(bpm: float, seconds: float, accent_every: int = 4, start_beat: int = 0) -> np.ndarray:
    """A thump (60 Hz, decaying) on the first beat of each bar and a tick on the others."""
    samples = np.zeros(int(seconds * RATE), dtype=np.float32)
    t = np.arange(int(0.12 * RATE)) / RATE
    thump = (np.sin(2 * np.pi * 60 * t) * np.exp(-t * 30)).astype(np.float32)
    tick = (np.random.default_rng(1).uniform(-1, 1, t.size) * np.exp(-t * 200)).astype(np.float32) * 0.4
    beat = 0
    while (at := int(round(beat * 60 / bpm * RATE))) < samples.size:
        sound = thump if (beat + start_beat) % accent_every == 0 else tick
        end = min(samples.size, at + sound.size)
        samples[at:end] += sound[: end - at]
        beat += 1
    return samples


def test_beats_tempo_and_bars_of_a_drum_machine():
    samples = drum_machine(100.0, 9.0, start_beat=1)  # begins on beat 2 of a bar
    grid = beat_grid(samples, sr=RATE)
    truth = np.arange(15) * 0.6
    assert grid.tempo == pytest.approx(100.0, rel=0.01)
    assert all(np.min(np.abs(grid.beats - t)) <= 0.035 for t in truth[1:-1]), grid.beats
    assert all(np.min(np.abs(grid.downbeats - t)) <= 0.035 for t in truth[3::4]), grid.downbeats
    assert grid.confidence > 0.5 and grid.downbeat_confidence > 0.5 and grid.duration == 9.0
    # The caller's downbeat wins; stereo and another rate give the same beats.
    told = beat_grid(np.stack([samples, samples], axis=1), sr=RATE, first_downbeat=0.6)
    assert np.min(np.abs(told.downbeats - 0.6)) <= 0.035 and told.downbeat_confidence == 1.0
    assert np.allclose(told.beats, grid.beats)
    faster = librosa.resample(samples, orig_sr=RATE, target_sr=44_100)
    assert np.allclose(beat_grid(faster, sr=44_100).beats, grid.beats, atol=0.024)


def test_a_given_downbeat_sets_the_bar_and_the_beat_even_between_the_loudest_hits():
    samples = drum_machine(120.0, 10.0)
    silent_start = np.concatenate([np.zeros(int(1.0 * RATE), dtype=np.float32), samples])
    # A bar line in the silence before the music: bars are counted on from it, not from
    # whichever beat happens to be the first one found.
    grid = beat_grid(silent_start, sr=RATE, first_downbeat=0.0)
    assert np.min(np.abs(grid.downbeats - 2.0)) <= 0.035 and np.min(np.abs(grid.beats - 1.0)) <= 0.035
    # A syncopated groove's beat lies between its loudest hits: told so, the grid moves half a beat.
    between = beat_grid(samples, sr=RATE, first_downbeat=2.25)
    assert np.max(np.abs((between.beats - 0.25) / 0.5 - np.round((between.beats - 0.25) / 0.5))) <= 0.07
    assert np.min(np.abs(between.downbeats - 2.25)) <= 0.035 and np.min(np.abs(between.downbeats - 4.25)) <= 0.035
    assert between.tempo == pytest.approx(120.0, rel=0.01)


def test_long_audio_is_read_and_analysed_in_blocks_with_the_same_result(tmp_path, monkeypatch):
    from velmora_kit import audio, grooves, score_from_audio

    wav = tmp_path / "song.wav"
    soundfile.write(str(wav), np.stack([drum_machine(100.0, 12.0), drum_machine(100.0, 12.0, start_beat=1)], axis=1), 44_100)
    whole, drums = beat_grid(wav), score_from_audio(wav)  # 6 s: one block of each kind
    for name, size in (("READ_BLOCK", 4_099), ("MEL_BLOCK_FRAMES", 97), ("TEMPOGRAM_BLOCK", 101)):
        monkeypatch.setattr(audio, name, size)
    monkeypatch.setattr(grooves, "_FLUX_BLOCK", 333)
    blocks = beat_grid(wav)
    assert np.array_equal(blocks.beats, whole.beats) and blocks.first_downbeat_index == whole.first_downbeat_index
    assert score_from_audio(wav) == drums
    assert blocks.duration == whole.duration == 6.0
    samples, rate = read_audio(wav)
    assert rate == 44_100 and np.array_equal(samples, soundfile.read(str(wav), dtype="float32")[0].mean(axis=1, dtype=np.float32))


def test_a_hint_settles_the_metrical_level():
    samples = drum_machine(170.0, 8.0, accent_every=2)
    for hint in (85.0, 170.0):
        assert beat_grid(samples, sr=RATE, bpm_hint=hint).tempo == pytest.approx(hint, rel=0.02)


def test_the_bar_accent_leads_at_the_beat_among_grids_on_the_eighths():
    # A thump once a bar over ticks on every eighth: grids at 2:3 of the tempo or at its
    # double also land on every onset, but spread the thump over the places of their bars.
    from velmora_kit.audio import HOP, MEL_BANDS, _Bands, _bar_accent

    bpm, seconds = 100.0, 16.0
    samples = drum_machine(2 * bpm, seconds, accent_every=8)
    low = _Bands(librosa, librosa.feature.melspectrogram(y=samples, sr=RATE, hop_length=HOP, n_mels=MEL_BANDS)).low

    def accent(tempo: float) -> float:
        beats = np.arange(0.0, seconds - 0.5, 60.0 / tempo) * RATE / HOP + 1.0
        return _bar_accent(low, beats, 4)

    assert accent(bpm) > 1.3 * max(accent(bpm * 2 / 3), accent(bpm * 2))
    assert _bar_accent(low, np.arange(7.0) * 26, 4) == 0.0  # under two whole bars


def write_drum_track(path: Path, bpm: float, bars: int) -> mido.MidiFile:
    """Kick on 1 and 3, snare on 2 and 4, closed hats on the eighths: General MIDI drums."""
    midi = mido.MidiFile(ticks_per_beat=480)
    track = mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=round(60e6 / bpm), time=0)])
    now = 0
    for eighth in range(bars * 8):
        notes = [LANE_NOTES["closed_hat"]]
        if eighth % 2 == 0:
            notes.append(LANE_NOTES["kick"] if eighth % 4 == 0 else LANE_NOTES["snare"])
        tick = eighth * 240
        for k, note in enumerate(notes):
            track.append(mido.Message("note_on", channel=GM_DRUM_CHANNEL, note=note, velocity=110, time=tick - now if k == 0 else 0))
            now = tick
        for k, note in enumerate(notes):
            track.append(mido.Message("note_off", channel=GM_DRUM_CHANNEL, note=note, velocity=0, time=60 if k == 0 else 0))
        now += 60
    midi.tracks.append(track)
    midi.save(str(path))
    return midi


def test_a_fluidsynth_render_of_a_drum_track(tmp_path):
    if shutil.which("fluidsynth") is None or not SOUNDFONT.is_file():
        pytest.skip("fluidsynth and fluid-soundfont-gm render the drum track (scripts/setup.sh installs them)")
    midi = write_drum_track(tmp_path / "drums.mid", 132.0, 4)
    wav = tmp_path / "drums.flac"
    subprocess.run(["fluidsynth", "-ni", "-q", "-r", "44100", "-F", str(wav), str(SOUNDFONT), str(tmp_path / "drums.mid")],
                   check=True, capture_output=True, timeout=60)
    grid = beat_grid(wav)
    truth = TempoMap.from_midi(midi).seconds(np.arange(16) * 64.0)
    hits = sum(np.min(np.abs(grid.beats - t)) <= 0.07 for t in truth)
    assert hits >= 15 and grid.tempo == pytest.approx(132.0, rel=0.01)
    assert np.min(np.abs(grid.downbeats - truth[4])) <= 0.07


def test_plain_clicks_keep_their_tempo():
    # A grid landing on every other click and between them in turn once won at 2:3 of the tempo.
    for bpm in (97.0, 149.0):
        clicks = np.zeros(RATE * 10, dtype=np.float32)
        for at in np.arange(0.3, 9.5, 60.0 / bpm):
            clicks[int(round(at * RATE)) :][:200] = 0.8
        assert beat_grid(clicks, sr=RATE).tempo == pytest.approx(bpm, rel=0.01)


def groove_with_offbeat_bass(spans: list[tuple[float, int]]) -> tuple[np.ndarray, np.ndarray]:
    """A kick on every beat, a clap on 2 and 4 and a bass note on every off-beat, for `spans`
    of (BPM, beats) one after another; the samples and the true beat times."""
    t = np.arange(int(0.25 * RATE)) / RATE
    kick = np.sin(2 * np.pi * 55 * t) * np.exp(-t * 25)
    clap = np.random.default_rng(3).uniform(-1, 1, t.size) * np.exp(-t * 60) * 0.5
    bass = 0.9 * np.sin(2 * np.pi * 65.4 * t) * np.minimum(1, t * 50) * np.exp(-t * 4)
    beats = np.cumsum([0.0] + [60.0 / bpm for bpm, count in spans for _ in range(count)])
    samples = np.zeros(int((beats[-1] + 0.5) * RATE))
    for k, (at, following) in enumerate(zip(beats[:-1], beats[1:])):
        for start, sound in [(at, kick), ((at + following) / 2, bass)] + [(at, clap)] * (k % 2):
            i = int(round(start * RATE))
            samples[i : i + sound.size] += sound[: samples.size - i]
    return samples.astype(np.float32), beats[:-1]


def test_the_beats_follow_a_tempo_step_on_the_kick_not_the_offbeat_bass():
    samples, truth = groove_with_offbeat_bass([(118.0, 24), (132.0, 32)])
    grid = beat_grid(samples, sr=RATE, bpm_hint=120)
    assert all(np.min(np.abs(grid.beats - t)) <= 0.05 for t in truth[1:-1]), grid.beats
    after = grid.beats[grid.beats > truth[28]]
    assert 60.0 * (after.size - 1) / (after[-1] - after[0]) == pytest.approx(132.0, rel=0.01)


# --- reading audio and mistakes -------------------------------------------------------------------


def test_files_of_each_format_read_as_mono_and_unreadable_ones_say_so(tmp_path):
    stereo = np.stack([0.5 * np.sin(np.arange(RATE) * (2 * np.pi * 441 / RATE)), np.zeros(RATE)], axis=1)
    for suffix in ("wav", "flac", "ogg", "mp3"):
        path = tmp_path / f"a.{suffix}"
        soundfile.write(str(path), stereo, RATE)
        samples, rate = read_audio(path)
        assert rate == RATE and samples.ndim == 1 and abs(samples.size - RATE) <= 2400, suffix
        assert np.max(np.abs(samples)) == pytest.approx(0.25, abs=0.03), suffix
    (tmp_path / "song.wav").write_bytes(b"RIFF but not really")
    with pytest.raises(ValueError, match="cannot read audio file '.*song.wav'"):
        beat_grid(tmp_path / "song.wav")
    with pytest.raises(FileNotFoundError, match="audio file not found"):
        beat_grid(tmp_path / "missing.wav")


@pytest.mark.parametrize(
    "call, error, message",
    [
        (lambda: beat_grid(np.zeros(RATE * 3)), ValueError, "sr .* is required"),
        (lambda: beat_grid("x.wav", sr=44100), ValueError, "a file gives its own, got sr=44100"),
        (lambda: beat_grid(np.zeros(RATE * 3), sr=0), ValueError, "sr must be a sample rate in 1000..768000 Hz, got 0"),
        (lambda: beat_grid(np.zeros(RATE), sr=RATE), ValueError, "at least 2 s"),
        (lambda: beat_grid(np.full(RATE * 3, np.nan), sr=RATE), ValueError, "samples must be finite"),
        (lambda: beat_grid(np.array(["a", "b"]), sr=RATE), TypeError, "array of numbers"),
        (lambda: beat_grid(np.zeros(RATE * 3), sr=RATE, beats_per_bar=0), ValueError, "beats_per_bar must be in 1..64, got 0"),
        (lambda: beat_grid(np.zeros(RATE * 3), sr=RATE, bpm_hint=1000), ValueError, "bpm_hint must be within 20 to 400 BPM, got 1000"),
        (lambda: beat_grid(np.zeros(RATE * 3), sr=RATE, first_downbeat=1e308), ValueError,
         "first_downbeat must lie within -3 to 3 s .*, got 1e[+]308"),
    ],
)
def test_mistakes_name_the_argument_and_the_value(call, error, message):
    with pytest.raises(error, match=message):
        call()


def test_silence_has_no_beats_and_no_tempo_map():
    grid = beat_grid(np.zeros(RATE * 3, dtype=np.float32), sr=RATE)
    assert grid.beats.size == 0 and grid.tempo == 0.0 and grid.confidence == 0.0


def test_without_the_extra_the_error_names_it(monkeypatch):
    monkeypatch.setitem(sys.modules, "librosa", None)
    with pytest.raises(ImportError, match=r"pip install 'velmora\[audio\]'"):
        beat_grid(np.zeros(RATE * 3), sr=RATE)


# --- the command ----------------------------------------------------------------------------------


def run(capsys, *argv):
    try:
        status = main(list(argv))
    except SystemExit as stop:
        status = stop.code
    captured = capsys.readouterr()
    return status, captured.out, captured.err


def test_the_command_prints_the_grid_and_exports_on_it(capsys, tmp_path):
    wav = tmp_path / "song.wav"
    soundfile.write(str(wav), drum_machine(120.0, 6.0), RATE)
    status, out, err = run(capsys, "beats", str(wav), "--json")
    assert (status, err) == (0, "")
    grid = json.loads(out)
    assert grid["tempo"] == pytest.approx(120.0, rel=0.01) and grid["downbeats"] == grid["beats"][grid["beats"].index(grid["downbeats"][0]) :: 4]
    assert np.allclose(np.array(grid["downbeats"]) % 2.0, 0.0, atol=0.035)
    status, out, err = run(capsys, "beats", str(wav), "--beats-per-bar", "3")
    assert status == 0 and float(out.split()[1]) == pytest.approx(120.0, rel=0.01) and "3 beats a bar" in out
    assert "stood out" not in run(capsys, "beats", str(wav))[1]
    even = tmp_path / "even.wav"  # every beat alike: the bar is a guess, and the command says how to set it
    soundfile.write(str(even), drum_machine(120.0, 6.0, accent_every=1), RATE)
    assert "--first-downbeat S sets beat one" in run(capsys, "beats", str(even))[1]
    status, out, err = run(capsys, "export", "bounce", "-o", str(tmp_path / "b.csv"), "--audio", str(wav), "--fps", "10")
    assert (status, err) == (0, "") and "60 frames (6 s at 10 fps)" in out
    rows = np.loadtxt(tmp_path / "b.csv", delimiter=",", skiprows=1)
    expected = beat_grid(wav).tempo_map().pip(np.arange(60) / 10)
    assert np.array_equal(rows[:, 2], expected)
    for argv, code, message in [
        (["beats", str(tmp_path / "none.wav")], 1, "velmora: audio file not found:"),
        (["export", "flam", "-o", str(tmp_path / "x.csv"), "--bpm", "90", "--audio", str(wav)], 2, "not allowed with argument --bpm"),
        (["play", "flam", "--audio", str(tmp_path / "none.wav")], 1, "velmora: audio file not found:"),
        (["beats", str(wav), "--bpm-hint", "5"], 2, "argument --bpm-hint: must be within 20 to 400, got 5"),
    ]:
        status, out, err = run(capsys, *argv)
        assert status == code and out == "" and message in err and err.count("\n") == 1, err


def test_the_click_track_sounds_the_grid_and_never_replaces_the_song(capsys, tmp_path):
    wav = tmp_path / "song.wav"
    music = drum_machine(120.0, 6.0)
    soundfile.write(str(wav), music, RATE)
    status, out, err = run(capsys, "beats", str(wav), "--click", str(tmp_path / "check.flac"))
    assert (status, err) == (0, "") and "check.flac" in out
    clicks, rate = soundfile.read(str(tmp_path / "check.flac"))
    grid = beat_grid(wav)
    assert rate == RATE and clicks.shape == (6 * RATE,) and np.max(np.abs(clicks)) <= 1.0
    # Each beat sounds a tone over the music at half its peak: 2 kHz on downbeats, 1 kHz else.
    tones = clicks - 0.5 * music / np.max(np.abs(music))
    for index, second in enumerate(grid.beats):
        at = int(round(second * RATE))
        spectrum = np.abs(np.fft.rfft(tones[at : at + 512]))
        peak_hz = np.argmax(spectrum) * RATE / 512
        assert abs(peak_hz - (2_000 if (index - grid.first_downbeat_index) % 4 == 0 else 1_000)) < 60
    before = wav.read_bytes()
    for argv, code, message in [
        (("--click", str(wav)), 1, "would overwrite the song itself"),
        (("--click", str(tmp_path / "check.mp3")), 2, "--click must end in .wav or .flac"),
        (("--click", str(tmp_path / "no" / "c.wav")), 1, "--click folder does not exist"),
    ]:
        status, out, err = run(capsys, "beats", str(wav), *argv)
        assert status == code and message in err and err.count("\n") == 1
    assert wav.read_bytes() == before
