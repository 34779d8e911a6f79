"""Drum lanes and the General MIDI percussion map between them and MIDI notes.

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
"""

from __future__ import annotations

from types import MappingProxyType
from typing import Mapping

__all__ = ["DRUM_LANES", "GM_DRUM_CHANNEL", "GM_NOTE_LANES", "LANE_NOTES", "lane_of_note"]

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
