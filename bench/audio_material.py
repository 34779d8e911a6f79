"""Audio whose beats are known: the groove scores and a few drum-less pieces as General MIDI
files, rendered to WAV by fluidsynth with the fluid-soundfont-gm font.

The scores come from the built generator (`velmora_generator --score KEY`, as
tools/plot_groove.py reads them); the true beats of a render are the MIDI tempo map's beats.
Nothing here was adjusted to the beat tracker: tempos are spread over 70 to 180 BPM by a
fixed rule, and every third piece changes tempo.
"""

from __future__ import annotations

import os
import shutil
import subprocess
from dataclasses import dataclass
from pathlib import Path

import mido  # type: ignore[import-untyped]

from velmora_kit.drums import GM_DRUM_CHANNEL, LANE_NOTES

SOUNDFONT = Path("/usr/share/sounds/sf2/FluidR3_GM.sf2")
TICKS_PER_BEAT = 480
PIPS_PER_BAR = 256
TICKS_PER_PIP = TICKS_PER_BEAT / 64
BASS_CHANNEL = 0
BASS_PROGRAM = 38  # Synth Bass 1
BASS_ROOTS = (36, 36, 41, 43)  # one root a bar, C C F G
PIANO_PROGRAM = 0
STRINGS_PROGRAM = 48
PIZZICATO_PROGRAM = 45


@dataclass(frozen=True)
class Hit:
    lane: str
    pip: float
    velocity: float


@dataclass(frozen=True)
class Score:
    key: str
    period: int
    hits: tuple[Hit, ...]


def find_generator() -> Path:
    candidates = [os.environ.get("VELMORA_GENERATOR", "")]
    root = Path(__file__).resolve().parents[1]
    candidates += [str(root / "build" / name / "tools" / "generator" / "velmora_generator") for name in ("bench", "wheel", "dev", "base")]
    for candidate in candidates:
        if candidate and os.access(candidate, os.X_OK):
            return Path(candidate)
    raise SystemExit("no built velmora_generator found: build the module (make demo) or set VELMORA_GENERATOR")


def score_keys() -> list[str]:
    """The groove keys, in grid order, from the catalogue's beat_<score>_bounce names."""
    import velmora

    return [entry["name"][len("beat_") : -len("_bounce")] for entry in velmora.catalogue()
            if entry["name"].startswith("beat_") and entry["name"].endswith("_bounce")]


def read_score(generator: Path, key: str) -> Score:
    text = subprocess.run([str(generator), "--score", key], check=True, capture_output=True, text=True).stdout
    lines = text.strip().splitlines()
    period = int(lines[0].split("period")[1])
    hits = tuple(Hit(lane, float(pip), float(velocity)) for lane, pip, velocity in (line.split() for line in lines[1:]))
    return Score(key, period, hits)


def tempo_changes(index: int) -> list[tuple[int, float]]:
    """(beat, BPM) steps of piece `index`: 70–180 BPM by the golden ratio; every third
    piece steps to a tempo 12 % away after 8 bars, every sixth instead ramps there over 4 bars."""
    golden = 0.6180339887498949
    bpm = round(70.0 + 110.0 * ((index * golden) % 1.0), 1)
    if index % 3 != 2:
        return [(0, bpm)]
    target = bpm * 1.12 if bpm < 160 else bpm / 1.12
    if index % 6 == 5:
        return [(0, bpm)] + [(32 + k, bpm + (target - bpm) * (k + 1) / 16) for k in range(16)]
    return [(0, bpm), (32, target)]


def _tempo_track(changes: list[tuple[int, float]], numerator: int = 4) -> mido.MidiTrack:
    track = mido.MidiTrack([mido.MetaMessage("time_signature", numerator=numerator, denominator=4, time=0)])
    tick = 0
    for beat, bpm in changes:
        at = beat * TICKS_PER_BEAT
        track.append(mido.MetaMessage("set_tempo", tempo=round(60e6 / bpm), time=at - tick))
        tick = at
    return track


def _notes_track(events: list[tuple[int, int, int, int, int]], program: int | None, channel: int) -> mido.MidiTrack:
    """events: (tick, duration, channel, note, velocity) → a track of note on/off pairs."""
    messages: list[tuple[int, int, mido.Message]] = []
    for tick, duration, chan, note, velocity in events:
        messages.append((tick, 1, mido.Message("note_on", channel=chan, note=note, velocity=velocity)))
        messages.append((tick + duration, 0, mido.Message("note_off", channel=chan, note=note, velocity=0)))
    messages.sort(key=lambda item: (item[0], item[1]))
    track = mido.MidiTrack()
    if program is not None:
        track.append(mido.Message("program_change", channel=channel, program=program, time=0))
    now = 0
    for tick, _, message in messages:
        track.append(message.copy(time=tick - now))
        now = tick
    return track


def drum_midi(score: Score, changes: list[tuple[int, float]], bars: int) -> mido.MidiFile:
    """The score looped over `bars` bars: drums on channel 10, bass cues as a synth bass."""
    drums: list[tuple[int, int, int, int, int]] = []
    bass_onsets: list[int] = []
    loops = -(-bars * PIPS_PER_BAR // score.period)
    for loop in range(loops):
        for hit in score.hits:
            pip = loop * score.period + hit.pip
            if pip >= bars * PIPS_PER_BAR:
                continue
            tick = round(pip * TICKS_PER_PIP)
            if hit.lane == "bass":
                bass_onsets.append(tick)
            else:
                drums.append((tick, 60, GM_DRUM_CHANNEL, LANE_NOTES[hit.lane], max(1, round(hit.velocity * 127))))
    bass: list[tuple[int, int, int, int, int]] = []
    bass_onsets.sort()
    for i, tick in enumerate(bass_onsets):
        following = bass_onsets[i + 1] if i + 1 < len(bass_onsets) else tick + TICKS_PER_BEAT
        root = BASS_ROOTS[(tick // (4 * TICKS_PER_BEAT)) % len(BASS_ROOTS)]
        bass.append((tick, max(30, min(following - tick, TICKS_PER_BEAT) - 10), BASS_CHANNEL, root, 100))
    midi = mido.MidiFile(ticks_per_beat=TICKS_PER_BEAT)
    midi.tracks.append(_tempo_track(changes))
    midi.tracks.append(_notes_track(drums, None, GM_DRUM_CHANNEL))
    if bass:
        midi.tracks.append(_notes_track(bass, BASS_PROGRAM, BASS_CHANNEL))
    return midi


# Drum-less pieces: (name, what plays); chords follow I-vi-IV-V in C, one a bar.
CHORDS = ((60, 64, 67), (57, 60, 64), (53, 57, 60), (55, 59, 62))
PLAIN_PIECES = ("piano_chords", "piano_arpeggio", "strings_pizzicato")


def plain_midi(name: str, changes: list[tuple[int, float]], bars: int) -> mido.MidiFile:
    """A piece without drums: block chords on each beat (accented on one), eighth-note
    arpeggios, or held strings over a pizzicato bass on the beats."""
    beat = TICKS_PER_BEAT
    upper: list[tuple[int, int, int, int, int]] = []
    lower: list[tuple[int, int, int, int, int]] = []
    for bar in range(bars):
        chord = CHORDS[bar % len(CHORDS)]
        start = bar * 4 * beat
        if name == "piano_chords":
            for k in range(4):
                for note in chord:
                    upper.append((start + k * beat, beat - 40, 0, note, 100 if k == 0 else 70))
            lower.append((start, 4 * beat - 40, 1, chord[0] - 24, 100))
        elif name == "piano_arpeggio":
            pattern = (chord[0], chord[1], chord[2], chord[1] + 12, chord[2], chord[1], chord[0] + 12, chord[2])
            for k, note in enumerate(pattern):
                upper.append((start + k * beat // 2, beat // 2 - 20, 0, note, 90 if k % 2 == 0 else 65))
            lower.append((start, 4 * beat - 40, 1, chord[0] - 24, 95))
        else:
            for note in chord:
                upper.append((start, 4 * beat - 20, 0, note, 80))
            for k in range(4):
                lower.append((start + k * beat, beat // 2, 1, chord[0] - 24 + (7 if k % 2 else 0), 110 if k == 0 else 85))
    programs = {"piano_chords": (PIANO_PROGRAM, PIANO_PROGRAM), "piano_arpeggio": (PIANO_PROGRAM, PIANO_PROGRAM),
                "strings_pizzicato": (STRINGS_PROGRAM, PIZZICATO_PROGRAM)}[name]
    midi = mido.MidiFile(ticks_per_beat=TICKS_PER_BEAT)
    midi.tracks.append(_tempo_track(changes))
    midi.tracks.append(_notes_track(upper, programs[0], 0))
    midi.tracks.append(_notes_track(lower, programs[1], 1))
    return midi


def render(midi: mido.MidiFile, wav: Path, rate: int = 44_100) -> None:
    """Renders a MIDI file to a WAV with fluidsynth (no audio device, no MIDI input)."""
    if shutil.which("fluidsynth") is None or not SOUNDFONT.is_file():
        raise SystemExit("fluidsynth and fluid-soundfont-gm are needed: apt-get install fluidsynth fluid-soundfont-gm")
    midi_path = wav.with_suffix(".mid")
    midi.save(str(midi_path))
    subprocess.run(
        ["fluidsynth", "-ni", "-q", "-g", "0.5", "-r", str(rate), "-F", str(wav), str(SOUNDFONT), str(midi_path)],
        check=True, capture_output=True,
    )
