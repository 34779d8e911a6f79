"""velmora_kit: music time in, motion out, for the velmora pattern module.

The `velmora` extension module answers "where is this pattern at pip p?". This package
is everything around it that its users hold instead of pips: seconds, frames, tempo maps,
MIDI and audio in; numpy arrays, keyframe files, OSC and DMX out; and the `velmora` command.
"""

from __future__ import annotations

from velmora_kit.midi import MidiClock, recording_from_midi
from velmora_kit.render import MotionSource, check_pips, period_of, render, table
from velmora_kit.tempo import PIP_TOLERANCE, TempoMap, frames

from velmora_kit.catalogue import CatalogueEntry, catalogue_entries
from velmora_kit.device import dmx_bytes, to_dmx, to_range
from velmora_kit.export import export
from velmora_kit.modify import Layer, Sequence, fan, parse_rate

from velmora_kit.audio import BeatGrid, beat_grid
from velmora_kit.drums import DRUM_LANES, GM_NOTE_LANES, DrumScore, lane_of_note, score_from_midi

from velmora_kit.live import ArtNetSink, Frame, OscSink, Player, PlaySummary, Sink

__all__: list[str] = [
    "MidiClock",
    "MotionSource",
    "PIP_TOLERANCE",
    "TempoMap",
    "check_pips",
    "frames",
    "period_of",
    "recording_from_midi",
    "render",
    "table",
    # motion out: modifiers, device mapping, keyframe export, the catalogue as records
    "CatalogueEntry",
    "Layer",
    "Sequence",
    "catalogue_entries",
    "dmx_bytes",
    "export",
    "fan",
    "parse_rate",
    "to_dmx",
    "to_range",
    # audio and drums in: beat grids from recordings, drum scores from General MIDI drum tracks
    "BeatGrid",
    "DRUM_LANES",
    "DrumScore",
    "GM_NOTE_LANES",
    "beat_grid",
    "lane_of_note",
    "score_from_midi",
    # live: real-time playing to OSC and Art-Net
    "ArtNetSink",
    "Frame",
    "OscSink",
    "PlaySummary",
    "Player",
    "Sink",
]
