"""Drum scores from General MIDI drum tracks: the note map, loops of chosen bars, mistakes."""

from __future__ import annotations

import mido
import pytest

from velmora_kit.drums import DRUM_LANES, GM_NOTE_LANES, LANE_NOTES, Hit, score_from_midi


def drum_file(events, ticks_per_beat=480, tracks=1):
    """events: (tick, channel, note, velocity) note-ons, spread over `tracks` tracks."""
    midi = mido.MidiFile(ticks_per_beat=ticks_per_beat)
    for index in range(tracks):
        mine = sorted(e for k, e in enumerate(events) if k % tracks == index)
        track, now = mido.MidiTrack(), 0
        for tick, channel, note, velocity in mine:
            track.append(mido.Message("note_on", channel=channel, note=note, velocity=velocity, time=tick - now))
            now = tick
        midi.tracks.append(track)
    return midi


def test_the_map_covers_general_midi_percussion_and_writes_back_to_its_own_lanes():
    assert sorted(GM_NOTE_LANES) == list(range(35, 82))
    assert all(GM_NOTE_LANES[note] == lane for lane, note in LANE_NOTES.items())
    assert set(LANE_NOTES) == set(DRUM_LANES) - {"bass"}


def test_a_drum_track_reads_back_into_lanes_of_hits_by_pip_and_velocity():
    # Two bars: kicks on 1 and 3, snares on 2 and 4 (one a triplet eighth late), both kick
    # notes at once on the last beat, a bass on channel 0, a note outside the map.
    events = [(b * 1920 + k * 960, 9, 36, 127) for b in range(2) for k in range(2)]
    events += [(480, 9, 38, 100), (1440 + 160, 9, 40, 64), (2400, 9, 38, 100), (3360, 9, 38, 100)]
    events += [(3360, 9, 35, 50), (3360, 9, 36, 90), (0, 0, 36, 100), (960, 0, 43, 100), (100, 9, 20, 127)]
    midi = drum_file(events, tracks=2)
    score = score_from_midi(midi, bass_channel=0, key="rock")
    assert (score.key, score.period, list(score.lanes)) == ("rock", 512, ["kick", "snare", "bass"])
    assert [h.pip for h in score.lanes["kick"]] == [0.0, 128.0, 256.0, 384.0, 448.0]
    assert score.lanes["kick"][-1] == Hit(448.0, 90 / 127)  # the louder of two kick notes at one onset
    assert score.lanes["snare"][1] == Hit(192.0 + 64 / 3, 64 / 127)
    assert [h.pip for h in score.lanes["bass"]] == [0.0, 128.0]
    # A loop of chosen bars counts from its own start; one track alone.
    second = score_from_midi(midi, bars=(1, 1))
    assert second.period == 256 and [h.pip for h in second.lanes["snare"]] == [64.0, 192.0]
    assert score_from_midi(midi, track=0).lanes != score.lanes


@pytest.mark.parametrize(
    "kwargs, error, message",
    [
        ({"channel": 16}, ValueError, "channel must be a MIDI channel 0..15, got 16"),
        ({"channel": 3}, ValueError, "no General MIDI drum hit on channel 3"),
        ({"track": 5}, ValueError, "track must be 0..0"),
        ({"bars": (0, 0)}, ValueError, "at least one bar, got \\(0, 0\\)"),
        ({"bars": [0, 1]}, TypeError, "bars must be \\(first, count\\)"),
        ({"bars": (4, 1)}, ValueError, "no General MIDI drum hit"),
    ],
)
def test_mistakes_name_the_argument(kwargs, error, message):
    with pytest.raises(error, match=message):
        score_from_midi(drum_file([(0, 9, 36, 100)]), **kwargs)
