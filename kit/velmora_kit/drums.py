"""Drum lanes, the General MIDI percussion map between them and MIDI notes, and drum
scores read from MIDI drum tracks.

A groove score plays lanes of hits: kick, snare, clap, rim, closed and open hats, shaker,
ride, bell, clave, high and low toms, other percussion, and bass cues. On General MIDI's
percussion channel (channel 10, numbered 9 from zero) each note is one instrument; this is
where each note's hits go when a drum track is read:

| lane | GM notes |
|---|---|
| kick | 35 acoustic bass drum, 36 bass drum 1 |
| snare | 38 acoustic snare, 40 electric snare |
| clap | 39 hand clap |
| rim | 37 side stick |
| closed_hat | 42 closed hi-hat, 44 pedal hi-hat |
| open_hat | 46 open hi-hat, and the crashes and splashes: 49, 52 Chinese, 55, 57 |
| shaker | 54 tambourine, 69 cabasa, 70 maracas, 73–74 guiros |
| ride | 51 ride 1, 59 ride 2 |
| bell | 53 ride bell, 56 cowbell, 67–68 agogos, 80–81 triangles |
| clave | 75 claves, 76–77 wood blocks |
| high_tom | 47 low-mid, 48 hi-mid, 50 high tom |
| low_tom | 41 low floor, 43 high floor, 45 low tom |
| percussion | 58 vibraslap, 60–66 bongos, congas and timbales, 71–72 whistles, 78–79 cuicas |

The bass lane has no percussion note: its cues are the onsets of a bass part on another
channel. Writing a score as MIDI uses one note per lane (`LANE_NOTES`), the first listed.

`score_from_midi` reads a drum track into a `DrumScore`: a loop of whole bars (64 pips a
beat), each lane a tuple of `Hit(pip, velocity)` with velocity = MIDI velocity / 127, except
that the MIDI velocities of the score notation's four levels (127, 102, 70 and 38: accent
1.0, normal 0.8, soft 0.55, ghost 0.3) read as those levels, so that a score written with
`midi_from_score` reads back exactly as it was.
"""

from __future__ import annotations

import functools
import math
import os
from dataclasses import dataclass
from types import MappingProxyType
from typing import Any, Mapping, NamedTuple

__all__ = [
    "DRUM_LANES",
    "DrumScore",
    "GM_DRUM_CHANNEL",
    "GM_NOTE_LANES",
    "Hit",
    "LANE_NOTES",
    "lane_of_note",
    "midi_from_score",
    "score_from_midi",
]

# In the order the scores list them; `bass` holds cues from a melodic part.
DRUM_LANES: tuple[str, ...] = (
    "kick",
    "snare",
    "clap",
    "rim",
    "closed_hat",
    "open_hat",
    "shaker",
    "ride",
    "bell",
    "clave",
    "high_tom",
    "low_tom",
    "percussion",
    "bass",
)

# General MIDI's percussion channel, channel 10 counted from one.
GM_DRUM_CHANNEL = 9

_NOTES_OF_LANE: dict[str, tuple[int, ...]] = {
    "kick": (36, 35),
    "snare": (38, 40),
    "clap": (39,),
    "rim": (37,),
    "closed_hat": (42, 44),
    "open_hat": (46, 49, 52, 55, 57),
    "shaker": (70, 54, 69, 73, 74),
    "ride": (51, 59),
    "bell": (56, 53, 67, 68, 80, 81),
    "clave": (75, 76, 77),
    "high_tom": (50, 47, 48),
    "low_tom": (45, 41, 43),
    "percussion": (63, 58, 60, 61, 62, 64, 65, 66, 71, 72, 78, 79),
}

GM_NOTE_LANES: Mapping[int, str] = MappingProxyType(
    {note: lane for lane, notes in _NOTES_OF_LANE.items() for note in notes}
)
LANE_NOTES: Mapping[str, int] = MappingProxyType({lane: notes[0] for lane, notes in _NOTES_OF_LANE.items()})


def lane_of_note(note: int) -> str | None:
    """The lane of a General MIDI percussion note, or None for a note outside the map.

    Examples
    --------
    >>> lane_of_note(36), lane_of_note(44), lane_of_note(20)
    ('kick', 'closed_hat', None)
    """
    return GM_NOTE_LANES.get(note)


# --- scores from MIDI drum tracks ---------------------------------------------------------------


class Hit(NamedTuple):
    """One drum hit: its onset in pips from the loop's start (fractional for tuplets and
    swing) and its velocity in (0, 1] (MIDI velocity / 127)."""

    pip: float
    velocity: float


@dataclass(frozen=True)
class DrumScore:
    """A loop of drum hits by lane, as the groove scores are written.

    Attributes
    ----------
    key : str
        A name for the score (a file's stem, say).
    period : int
        Pips in one loop: 64 × beats per bar × bars.
    lanes : mapping of str to tuple of Hit
        Only the lanes that play, in `DRUM_LANES` order; each lane's hits ascend, one
        hit per onset.
    """

    key: str
    period: int
    lanes: Mapping[str, tuple[Hit, ...]]


def score_from_midi(
    source: Any,
    *,
    channel: int = GM_DRUM_CHANNEL,
    track: int | None = None,
    bars: tuple[int, int] | None = None,
    beats_per_bar: int = 4,
    bass_channel: int | None = None,
    key: str | None = None,
) -> DrumScore:
    """The drum score of a MIDI file's percussion part.

    Every note-on (velocity above 0) on `channel` whose note is in the General MIDI map
    (see the module's docstring) becomes a hit of its lane, at pip tick × 64 /
    ticks_per_beat from the loop's start, with velocity / 127; notes outside the map are
    left out. Two hits of one lane at one onset (two kick notes, 35 and 36) are one hit,
    the louder. Note-ons on `bass_channel`, if given, become the bass lane's cues.

    Parameters
    ----------
    source : str, os.PathLike or mido.MidiFile
    channel : int, default 9
        The percussion channel, 0..15 (9 is General MIDI's channel 10).
    track : int, optional
        Read only this track (index in the file); by default every track.
    bars : (first, count), optional
        The loop: `count` bars from bar `first` (counted from 0); by default the whole
        file, rounded up to whole bars.
    beats_per_bar : int, default 4
    bass_channel : int, optional
    key : str, optional
        The score's name; by default the file's stem.

    Returns
    -------
    DrumScore

    Raises
    ------
    ValueError
        An unreadable file, a channel outside 0..15, a track that does not exist, bars
        that are not a positive count from a bar at or after 0, no drum hit in the loop.

    Examples
    --------
    >>> import mido
    >>> song = mido.MidiFile(ticks_per_beat=96)
    >>> song.tracks.append(mido.MidiTrack([
    ...     mido.Message("note_on", channel=9, note=36, velocity=127, time=0),
    ...     mido.Message("note_on", channel=9, note=38, velocity=100, time=96)]))
    >>> score = score_from_midi(song, key="two")
    >>> score.period, score.lanes["kick"], score.lanes["snare"][0].pip
    (256, (Hit(pip=0.0, velocity=1.0),), 64.0)
    """
    import mido  # type: ignore[import-untyped]

    from velmora_kit.tempo import _describe, _read_midi

    for name, value in (("channel", channel), ("bass_channel", bass_channel)):
        if value is not None and (isinstance(value, bool) or not isinstance(value, int) or not 0 <= value <= 15):
            raise ValueError(f"{name} must be a MIDI channel 0..15, got {value!r}")
    if isinstance(beats_per_bar, bool) or not isinstance(beats_per_bar, int) or not 1 <= beats_per_bar <= 64:
        raise ValueError(f"beats_per_bar must be in 1..64, got {beats_per_bar!r}")
    midi = _read_midi(source)
    per_beat = int(midi.ticks_per_beat)
    if per_beat <= 0:
        raise ValueError(f"MIDI file {_describe(source)} has {per_beat} ticks per beat (SMPTE timing is not read)")
    if track is not None and not (isinstance(track, int) and 0 <= track < len(midi.tracks)):
        raise ValueError(f"track must be 0..{len(midi.tracks) - 1} in MIDI file {_describe(source)}, got {track!r}")
    tracks = midi.tracks if track is None else [midi.tracks[track]]

    bar_pips = 64 * beats_per_bar
    onsets: dict[str, dict[float, float]] = {}
    last_pip = 0.0
    for message in _absolute(mido.merge_tracks(tracks)):
        tick, note = message
        if note.type != "note_on" or note.velocity == 0:
            continue
        lane = "bass" if bass_channel is not None and note.channel == bass_channel else None
        if note.channel == channel:
            lane = GM_NOTE_LANES.get(note.note)
        if lane is None:
            continue
        pip = tick * 64 / per_beat
        last_pip = max(last_pip, pip)
        hits = onsets.setdefault(lane, {})
        hits[pip] = max(hits.get(pip, 0.0), _velocity_of(note.velocity))

    if bars is None:
        first, count = 0, max(1, math.floor(last_pip / bar_pips) + 1)
    else:
        if not (isinstance(bars, tuple) and len(bars) == 2 and all(isinstance(b, int) and not isinstance(b, bool) for b in bars)):
            raise TypeError(f"bars must be (first, count) whole numbers, got {bars!r}")
        first, count = bars
        if first < 0 or count < 1:
            raise ValueError(f"bars must start at bar 0 or later and hold at least one bar, got {bars!r}")
    start, period = first * bar_pips, count * bar_pips
    lanes: dict[str, tuple[Hit, ...]] = {}
    for lane in DRUM_LANES:
        kept = sorted((pip - start, velocity) for pip, velocity in onsets.get(lane, {}).items() if start <= pip < start + period)
        if kept:
            lanes[lane] = tuple(Hit(pip, velocity) for pip, velocity in kept)
    if not any(lane != "bass" for lane in lanes):
        raise ValueError(f"MIDI file {_describe(source)} has no General MIDI drum hit on channel {channel} in the bars read")
    if key is None:
        key = os.path.splitext(os.path.basename(os.fspath(source)))[0] if isinstance(source, (str, os.PathLike)) else "midi"
    return DrumScore(key, period, MappingProxyType(lanes))


def _absolute(messages: Any) -> Any:
    """(tick, message) pairs from mido's delta times."""
    tick = 0
    for message in messages:
        tick += int(message.time)
        yield tick, message


@functools.lru_cache(maxsize=1)
def _notation_levels() -> Mapping[int, float]:
    """MIDI velocity → the notation's level it stands for (accent, normal, soft, ghost)."""
    from velmora_kit import _grooves

    return MappingProxyType({round(level * 127): level for _, level in _grooves.velocity_levels()})


def _velocity_of(midi_velocity: int) -> float:
    return _notation_levels().get(midi_velocity, midi_velocity / 127)


# Fine enough that every onset of the built-in scores (swing offsets of 3.2, 4, 5 and 6.4
# pips, triplets) falls on a whole tick.
_WRITE_TICKS_PER_BEAT = 1920


def midi_from_score(
    score: DrumScore,
    *,
    loops: int = 1,
    bpm: float = 120.0,
    bass_channel: int = 0,
    bass_note: int = 36,
) -> Any:
    """A General MIDI drum track playing a score: each lane's hits as its first note in
    the map (`LANE_NOTES`) on channel 10, velocity round(velocity × 127) (at least 1),
    `loops` times over; bass cues as `bass_note` on `bass_channel`.

    Returns
    -------
    mido.MidiFile
        Type 1, 1920 ticks a beat: a tempo track and one track of notes.

    Examples
    --------
    >>> song = midi_from_score(score_from_midi(midi_from_score(DrumScore("k", 256,
    ...     {"kick": (Hit(0.0, 1.0),)})), key="k"))
    >>> [m.note for m in song.tracks[1] if m.type == "note_on"]
    [36]
    """
    import mido

    if not isinstance(score, DrumScore):
        raise TypeError(f"score must be a DrumScore, got {type(score).__name__}")
    if isinstance(loops, bool) or not isinstance(loops, int) or loops < 1:
        raise ValueError(f"loops must be a whole number of at least 1, got {loops!r}")
    if isinstance(bpm, bool) or not isinstance(bpm, (int, float)) or not 1.0 <= bpm <= 1000.0:
        raise ValueError(f"bpm must be within 1 to 1000, got {bpm!r}")
    ticks_per_pip = _WRITE_TICKS_PER_BEAT / 64
    # A sixteenth at most, so repeated notes of one lane never overlap.
    length = _WRITE_TICKS_PER_BEAT // 8
    events: list[tuple[int, int, Any]] = []
    for loop in range(loops):
        for lane, hits in score.lanes.items():
            channel, note = (bass_channel, bass_note) if lane == "bass" else (GM_DRUM_CHANNEL, LANE_NOTES[lane])
            for hit in hits:
                tick = round((loop * score.period + hit.pip) * ticks_per_pip)
                velocity = max(1, min(127, round(hit.velocity * 127)))
                events.append((tick, 1, mido.Message("note_on", channel=channel, note=note, velocity=velocity)))
                events.append((tick + length, 0, mido.Message("note_off", channel=channel, note=note, velocity=0)))
    events.sort(key=lambda event: (event[0], event[1]))
    midi = mido.MidiFile(type=1, ticks_per_beat=_WRITE_TICKS_PER_BEAT)
    midi.tracks.append(mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=round(60e6 / bpm), time=0)]))
    track = mido.MidiTrack()
    now = 0
    for tick, _, message in events:
        track.append(message.copy(time=tick - now))
        now = tick
    midi.tracks.append(track)
    return midi
