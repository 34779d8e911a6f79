import glob
import importlib.util
import math
import os
import random
import warnings

import mido
import numpy as np
import pytest
import velmora

from velmora_kit import MidiClock, TempoMap, recording_from_midi


def mido_event_times(midi):
    """(tick, seconds) of every event, by mido's own playback arithmetic."""
    ticks, seconds = [], []
    tick = 0
    elapsed = 0.0
    for merged, played in zip(mido.merge_tracks(midi.tracks), midi):
        tick += merged.time
        elapsed += played.time
        ticks.append(tick)
        seconds.append(elapsed)
    return np.array(ticks), np.array(seconds)


def random_song(seed, tracks=4, events=400, ticks_per_beat=None):
    """A multi-track type 1 song with many tempo changes in several tracks, some at one tick."""
    rng = random.Random(seed)
    song = mido.MidiFile(type=1, ticks_per_beat=ticks_per_beat or rng.choice([96, 384, 480, 960, 1000]))
    for track_number in range(tracks):
        track = mido.MidiTrack()
        for _ in range(events):
            delta = rng.choice([0, 0, 1, 7, 120, 240, 1001])
            if rng.random() < 0.3:
                track.append(mido.MetaMessage("set_tempo", tempo=rng.randint(150_000, 2_000_000), time=delta))
            else:
                track.append(mido.Message("control_change", channel=track_number, control=rng.choice([1, 7, 74]),
                                          value=rng.randint(0, 127), time=delta))
        song.tracks.append(track)
    return song


def music21_midi_files():
    spec = importlib.util.find_spec("music21")
    if spec is None or not spec.submodule_search_locations:
        return []
    root = spec.submodule_search_locations[0]
    return sorted(glob.glob(os.path.join(root, "**", "*.mid"), recursive=True))


def check_against_mido(midi):
    """Checks the map at every event; returns the number of events and of tempo changes."""
    tempo = TempoMap.from_midi(midi)
    ticks, seconds = mido_event_times(midi)
    np.testing.assert_allclose(tempo.tick_to_seconds(ticks), seconds, rtol=0, atol=1e-6)
    np.testing.assert_allclose(tempo.seconds(ticks * 64 / midi.ticks_per_beat), seconds, rtol=0, atol=1e-6)
    return len(ticks), len(tempo.changes)


def test_tempo_map_matches_mido_on_songs_made_here(tmp_path):
    for seed in range(3):
        song = random_song(seed)
        path = tmp_path / f"song{seed}.mid"
        song.save(path)
        assert check_against_mido(mido.MidiFile(path))[0] >= 1600
        assert TempoMap.from_midi(path) == TempoMap.from_midi(str(path))
    single = mido.MidiFile(type=0)
    single.tracks.append(mido.MidiTrack([mido.Message("note_on", time=960)]))
    assert TempoMap.from_midi(single).bpm(0) == 120.0  # MIDI's default before any tempo event


@pytest.mark.skipif(not music21_midi_files(), reason="music21 (a test dependency) ships the real MIDI files")
def test_tempo_map_matches_mido_on_real_files():
    events = tempos = 0
    for path in music21_midi_files():
        counted = check_against_mido(mido.MidiFile(path))
        events += counted[0]
        tempos += counted[1]
    assert events > 10_000 and tempos > 150


def test_last_tempo_at_a_tick_wins_in_merged_order():
    song = mido.MidiFile(type=1, ticks_per_beat=100)
    song.tracks.append(mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=400_000, time=100),
                                       mido.MetaMessage("set_tempo", tempo=300_000, time=0)]))
    song.tracks.append(mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=1_000_000, time=100),
                                       mido.Message("note_on", time=100)]))
    tempo = TempoMap.from_midi(song)
    assert tempo.bpm(64) == 60.0 and tempo.bpm(63) == 120.0
    check_against_mido(song)


def merged_by_mido(midi, types):
    """The ticks and messages of the given types, walked through mido.merge_tracks."""
    from velmora_kit.tempo import TimedMessages

    timed, tick = TimedMessages([], []), 0
    for message in mido.merge_tracks(midi.tracks):
        tick += int(message.time)
        if message.type in types:
            timed.ticks.append(tick)
            timed.messages.append(message)
    return timed


def without_time(timed):
    return [(tick, message.copy(time=0)) for tick, message in zip(*timed)]


def test_tracks_walked_in_place_give_mido_merged_order(tmp_path):
    from velmora_kit.midi import RECORDING_EVENTS
    from velmora_kit.tempo import _merged_events

    songs = [random_song(seed, tracks=3, events=300) for seed in range(3)]
    songs[0].save(tmp_path / "song.mid")
    songs.append(mido.MidiFile(tmp_path / "song.mid"))
    # End-of-track events in the middle of tracks, ties across tracks, and a track built in
    # memory that steps back in time (mido's merge sorts it; so must the walk).
    odd = mido.MidiFile(type=1, ticks_per_beat=96)
    odd.tracks.append(mido.MidiTrack([mido.MetaMessage("end_of_track", time=5),
                                      mido.MetaMessage("set_tempo", tempo=300_000, time=3),
                                      mido.Message("control_change", control=1, value=9, time=-2),
                                      mido.Message("pitchwheel", pitch=5, time=0)]))
    odd.tracks.append(mido.MidiTrack([mido.Message("control_change", control=1, value=3, time=6),
                                      mido.MetaMessage("set_tempo", tempo=200_000, time=0)]))
    songs.append(odd)
    for song in songs:
        for types in (RECORDING_EVENTS, frozenset({"set_tempo"})):
            assert without_time(_merged_events(song, types)) == without_time(merged_by_mido(song, types))
        assert TempoMap.from_midi(song) == TempoMap._from_midi_events(song, song, merged_by_mido(song, {"set_tempo"}))
    # The first zero tempo in playback order is the one named, whichever track holds it.
    zero = mido.MidiFile(type=1, ticks_per_beat=96)
    zero.tracks.append(mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=0, time=10)]))
    zero.tracks.append(mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=0, time=5)]))
    for read in (TempoMap.from_midi, lambda song: recording_from_midi(song, [1])):
        with pytest.raises(ValueError, match="has a tempo of 0 µs a beat at tick 5$"):
            read(zero)
    # A file's held tempos built in arrays: every double as the general construction makes it.
    rng = np.random.default_rng(5)
    ticks = np.cumsum(rng.integers(1, 5000, 20_000)).tolist()
    microseconds = rng.integers(1, 2**24, 20_000).tolist()
    held, general = TempoMap.__new__(TempoMap), TempoMap.__new__(TempoMap)
    held._build_held(ticks, microseconds, 7)
    general._build([(t / 7, 60e6 / us) for t, us in zip(ticks, microseconds)], 0.0, 7, [us * 1e-6 for us in microseconds])
    assert held == general
    for name in ("_starts", "_times", "_tempo0", "_slope", "_spb"):
        assert getattr(held, name).tobytes() == getattr(general, name).tobytes(), name
    # Times that are not integers (only in memory) follow mido's integer steps exactly.
    floats = mido.MidiFile(type=1, ticks_per_beat=96)
    floats.tracks.append(mido.MidiTrack([mido.Message("control_change", control=1, value=v, time=0.75) for v in range(8)]))
    floats.tracks.append(mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=400_000, time=2)]))
    assert _merged_events(floats, RECORDING_EVENTS).ticks == merged_by_mido(floats, RECORDING_EVENTS).ticks


def test_tick_to_pip_is_exact():
    tempo = TempoMap.from_midi(mido.MidiFile(ticks_per_beat=960))
    ticks = np.array([0, 1, 14, 15, 16, 959, 960, -1, -15, -16, 3 * 2**40 + 7], dtype=np.int64)
    assert tempo.tick_to_pip(ticks).tolist() == [t * 64 // 960 for t in ticks.tolist()]
    assert tempo.tick_to_pip(15) == 1 and tempo.tick_to_pip(14) == 0 and tempo.tick_to_pip(2**80) == 2**86 // 960
    assert tempo.tick_to_pip(np.array([2**62])).tolist() == [2**68 // 960]
    with pytest.raises(TypeError, match="ticks must be integers"):
        tempo.tick_to_pip(np.array([1.5]))


def test_unreadable_files_name_the_file(tmp_path):
    broken = tmp_path / "broken.mid"
    broken.write_bytes(b"MThd\x00\x00\x00\x06\x00\x01\x00\x02\x01\xe0MTrk\x00\x00\x10\x00\x90")
    for path in (broken, tmp_path / "missing.mid"):
        with pytest.raises(ValueError, match=f"cannot read MIDI file '{path}': .+") as refused:
            TempoMap.from_midi(path)
        assert not str(refused.value).endswith(": ")
        with pytest.raises(ValueError, match="cannot read MIDI file"):
            recording_from_midi(path, [1])
    with pytest.raises(ValueError, match="of type 2"):
        TempoMap.from_midi(mido.MidiFile(type=2))
    with pytest.raises(TypeError, match="source must be a path or a mido.MidiFile"):
        TempoMap.from_midi(b"song.mid")


def automation_song():
    song = mido.MidiFile(type=1, ticks_per_beat=96)
    song.tracks.append(mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=600_000, time=0)]))
    song.tracks.append(mido.MidiTrack([
        mido.Message("control_change", channel=0, control=1, value=0, time=30),     # tick 30: pip 20
        mido.Message("control_change", channel=0, control=1, value=127, time=3),    # tick 33: pip 22
        mido.Message("control_change", channel=0, control=1, value=64, time=1),     # tick 34: pip 22, wins
        mido.Message("pitchwheel", channel=1, pitch=-8192, time=6),                 # tick 40: pip 26
        mido.Message("control_change", channel=1, control=7, value=10, time=8),     # tick 48: pip 32
        mido.Message("pitchwheel", channel=1, pitch=8191, time=12),                 # tick 60: pip 40
    ]))
    return song


def test_recording_from_controller_automation():
    take = recording_from_midi(automation_song(), [1, "pitchwheel"], name="take")
    assert (take.name, take.dimensions, take.start_pip, take.sample_count) == ("take", ["cc1", "pitchwheel"], 20, 21)
    assert (take.bpm, take.beat_zero_seconds) == (100.0, 0.0)
    rows = {pip: take.sample(pip) for pip in range(20, 41)}
    assert rows[20] == [-1.0, -1.0]  # the wheel holds its first value before its first event
    assert rows[21] == [-1.0, -1.0] and rows[22] == [64 / 63.5 - 1, -1.0]
    assert rows[40] == [64 / 63.5 - 1, 8191 / 8192]
    only_channel_1 = recording_from_midi(automation_song(), ["pitchwheel", 7], channel=1)
    assert only_channel_1.dimensions == ["pitchwheel", "cc7"] and only_channel_1.start_pip == 26
    assert only_channel_1.sample(26) == [-1.0, 10 / 63.5 - 1]
    with pytest.warns(UserWarning, match="^cc74 has no events; its axis rests at 0$"):
        assert recording_from_midi(automation_song(), [74, 7]).sample(32) == [0.0, 10 / 63.5 - 1]
    top = mido.MidiFile(ticks_per_beat=64)
    top.tracks.append(mido.MidiTrack([mido.Message("control_change", control=2, value=v, time=1) for v in (0, 127)]))
    assert [recording_from_midi(top, [2]).sample(p) for p in (1, 2)] == [[-1.0], [1.0]]


def test_recording_refusals():
    with pytest.raises(ValueError, match=r"has no cc2, cc3 events on any channel; it holds cc1, cc7, pitchwheel$"):
        recording_from_midi(automation_song(), [2, 3])
    with pytest.raises(ValueError, match=r"no cc1 events on channel 1; it holds cc7, pitchwheel$"):
        recording_from_midi(automation_song(), [1], channel=1)
    for controllers, error in (([128], ValueError), ([1, 1], ValueError), ([], ValueError), (["mod"], TypeError),
                               ([True], TypeError), ("pitchwheel", TypeError), ([1.0], TypeError)):
        with pytest.raises(error):
            recording_from_midi(automation_song(), controllers)
    for channel, error in ((16, ValueError), (-1, ValueError), ("1", TypeError)):
        with pytest.raises(error):
            recording_from_midi(automation_song(), [1], channel=channel)
    with pytest.raises(ValueError, match="^Invalid identifier$"):
        recording_from_midi(automation_song(), [1], name="Take")
    huge = mido.MidiFile(ticks_per_beat=1)
    huge.tracks.append(mido.MidiTrack([mido.Message("control_change", control=1, time=t) for t in (0, 2**18)]))
    with pytest.raises(ValueError, match=r"spans 16,777,217 pips × 1 controller\(s\) = 16,777,217 values, more than the 8,388,608"):
        recording_from_midi(huge, [1])
    late = mido.MidiFile(ticks_per_beat=1)
    late.tracks.append(mido.MidiTrack([mido.Message("control_change", control=1, time=2**26)]))
    with pytest.raises(ValueError, match="has events up to pip 4,294,967,296, beyond the last pip a recording holds"):
        recording_from_midi(late, [1])


def test_recording_warns_of_tempo_changes_inside():
    song = automation_song()
    song.tracks[0].append(mido.MetaMessage("set_tempo", tempo=500_000, time=40))  # tick 40: inside
    song.tracks[0].append(mido.MetaMessage("set_tempo", tempo=400_000, time=200))  # after the last event
    with pytest.warns(UserWarning, match="the tempo changes 1 time within the recording.*TempoMap.from_midi"):
        take = recording_from_midi(song, [1, "pitchwheel"])
    assert take.bpm == 100.0
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        recording_from_midi(song, [1])  # ends at pip 22, before the change


def test_real_automation_becomes_a_recording():
    files = [p for p in music21_midi_files() if os.path.basename(p) == "test19.mid"]
    if not files:
        pytest.skip("music21 (a test dependency) ships the real MIDI files")
    midi = mido.MidiFile(files[0])
    with warnings.catch_warnings():
        warnings.simplefilter("ignore")
        take = recording_from_midi(midi, ["pitchwheel", 7, 10])
    tempo = TempoMap.from_midi(midi)
    tick, last = 0, {}
    for message in mido.merge_tracks(midi.tracks):
        tick += message.time
        if message.type == "pitchwheel":
            last[tempo.tick_to_pip(tick)] = message.pitch
    for pip, pitch in last.items():
        assert take.sample(pip)[0] == max(-1.0, min(1.0, pitch / 8192))


# --- the clock -------------------------------------------------------------------------


def clock_stream(seconds_per_clock, count, start_time, rng, jitter=0.002):
    return [(mido.Message("clock"), start_time + k * seconds_per_clock + rng.uniform(-jitter, jitter))
            for k in range(count)]


def feed_all(clock, stream):
    stream = sorted(stream, key=lambda item: item[1])
    for message, time in stream:
        clock.feed(message, time)
    return stream[-1][1]


def test_clock_before_anything_and_transport():
    clock = MidiClock()
    assert (clock.pip(5.0), clock.pip_position(5.0), clock.running, clock.bpm) == (0, 0.0, False, 120.0)
    clock.feed(mido.Message("clock"), 0.0)  # clocks while stopped move nothing
    clock.feed(mido.Message("note_on"), 0.1)
    assert clock.pip(1.0) == 0 and not clock.running
    clock.feed(mido.Message("start"), 1.0)
    assert clock.running and clock.pip(2.0) == 0
    with pytest.raises(ValueError, match="timestamps must not go backwards"):
        clock.feed(mido.Message("clock"), 0.5)
    with pytest.raises(ValueError, match="timestamp must be finite"):
        clock.feed(mido.Message("clock"), math.nan)
    with pytest.raises(TypeError, match="message must be a mido.Message"):
        clock.feed("clock", 2.0)
    with pytest.raises(ValueError, match="window must be at least 2"):
        MidiClock(window=1)


def test_clock_follows_jittery_tempo_changes_and_jumps():
    rng = random.Random(7)
    clock = MidiClock()
    clock.feed(mido.Message("start"), 9.99)
    # Four beats at 120 BPM with 2 ms of jitter.
    end = feed_all(clock, clock_stream(0.5 / 24, 96, 10.0, rng))
    assert abs(clock.bpm - 120) < 1.0
    assert abs(clock.pip_position(10.0 + 95 * 0.5 / 24) - 95 * 64 / 24) < 0.3
    assert clock.pip(end + 0.001) in (253, 254)
    # Then 90 BPM: within a beat and a half the estimate has followed.
    start = 10.0 + 96 * 0.5 / 24
    end = feed_all(clock, clock_stream(60 / 90 / 24, 36, start, rng))
    assert abs(clock.bpm - 90) < 1.5
    positions = [clock.pip_position(end + k * 0.001) for k in range(30)]
    assert positions == sorted(positions) and positions[-1] <= (96 + 36) * 64 / 24  # never past the next clock
    # Stop, jump to bar 3 (song position 32 sixteenths = beat 8), continue.
    clock.feed(mido.Message("stop"), end + 0.05)
    held = clock.pip(end + 0.05)
    assert not clock.running and clock.pip(end + 5) == held
    clock.feed(mido.Message("songpos", pos=32), end + 1.0)
    assert clock.pip(end + 1.5) == 8 * 64
    clock.feed(mido.Message("continue"), end + 2.0)
    restart = end + 2.01
    feed_all(clock, clock_stream(60 / 90 / 24, 48, restart, rng))
    assert abs(clock.pip_position(restart) - 512) < 0.3 and abs(clock.bpm - 90) < 1.5
    assert abs(clock.pip_position(restart + 47 * 60 / 90 / 24) - (512 + 47 * 64 / 24)) < 0.3
    # Start goes back to beat 0.
    clock.feed(mido.Message("start"), restart + 10)
    clock.feed(mido.Message("clock"), restart + 10.01)
    assert clock.pip(restart + 10.01) == 0 and clock.running


def test_controllers_in_every_container():
    want = recording_from_midi(automation_song(), [1, 7]).sample(32)

    class Controllers:
        def __len__(self):
            return 2

        def __getitem__(self, i):
            return (1, 7)[i]

    for controllers in ((1, 7), np.array([1, 7], np.uint8), (c for c in (1, 7)), map(int, "17"), Controllers()):
        assert recording_from_midi(automation_song(), controllers).sample(32) == want


def test_clock_runs_on_at_the_known_tempo_from_the_first_clock_after_a_jump():
    clock = MidiClock()
    clock.feed(mido.Message("start"), 0.0)
    for k in range(48):
        clock.feed(mido.Message("clock"), k * 0.025)  # 100 BPM
    clock.feed(mido.Message("songpos", pos=4), 1.2)  # beat 1, while running
    clock.feed(mido.Message("clock"), 1.21)
    assert clock.pip(1.21) == 64
    assert clock.pip_position(1.21 + 0.0125) == pytest.approx(64 + 64 / 24 / 2)
    assert clock.pip_position(5.0) == pytest.approx(64 + 64 / 24)  # a lost clock stream holds a clock on
