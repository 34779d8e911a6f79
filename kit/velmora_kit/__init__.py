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
from velmora_kit.fixture import Fixture, SlewLimit
from velmora_kit.dmx import DmxPatch, dmx_frames, export_dmx
from velmora_kit.export import export
from velmora_kit.modify import Layer, Sequence, fan, parse_rate
from velmora_kit.transform import Transform
from velmora_kit import easing, shapes
from velmora_kit.shapes import Shape
from velmora_kit.recording import RecordingMotion
from velmora_kit.stream import ShowBlock, export_fixtures, render_blocks

from velmora_kit.audio import BeatGrid, beat_grid, click_track
from velmora_kit.drums import DRUM_LANES, GM_NOTE_LANES, DrumScore, lane_of_note, midi_from_score, score_from_midi
from velmora_kit.grooves import GrooveSong, groove, groove_table, motions, score, score_from_audio, score_from_text, scores

from velmora_kit.live import ArtNetSink, Frame, OscSink, Player, PlaySummary, SacnSink, Sink

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
    "DmxPatch",
    "Fixture",
    "Layer",
    "RecordingMotion",
    "Sequence",
    "ShowBlock",
    "catalogue_entries",
    "SlewLimit",
    "dmx_bytes",
    "dmx_frames",
    "export",
    "export_dmx",
    "export_fixtures",
    "fan",
    "parse_rate",
    "render_blocks",
    "to_dmx",
    "to_range",
    # audio and drums in: beat grids from recordings, drum scores from General MIDI drum tracks
    "BeatGrid",
    "DRUM_LANES",
    "DrumScore",
    "GM_NOTE_LANES",
    "beat_grid",
    "click_track",
    "lane_of_note",
    "midi_from_score",
    "score_from_midi",
    # groove motions from any drum score: the catalogue's beat_ motions at run time
    "GrooveSong",
    "groove",
    "groove_table",
    "motions",
    "score",
    "score_from_audio",
    "score_from_text",
    "scores",
    # shapes made to measure, and motion turned, mirrored and moved between axes
    "Shape",
    "Transform",
    "easing",
    "shapes",
    # live: real-time playing to OSC, Art-Net and sACN
    "ArtNetSink",
    "Frame",
    "OscSink",
    "PlaySummary",
    "Player",
    "SacnSink",
    "Sink",
]
