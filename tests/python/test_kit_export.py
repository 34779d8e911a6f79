"""Keyframe export read back: CSV and .chan bit for bit, glTF through pygltflib."""

from __future__ import annotations

import base64
import csv
import sys

import mido
import numpy as np
import pytest

import velmora
from velmora_kit import Layer, RecordingMotion, Sequence, TempoMap, export, frames, recording_from_midi, render

pygltflib = pytest.importorskip("pygltflib")

# Steps, a ramp and a fractional frame rate: frame times that fall between pips.
TEMPO = TempoMap.from_changes([(0, 120.0), (4, 90.0, 150.0, 8), (12, 100.0)])
SOURCE = Sequence([(Layer("helix", rate="3/2", swing=0.6), 4), ("flam", 2)], crossfade_beats=1)


def read_csv(path):
    with open(path, newline="") as handle:
        rows = list(csv.reader(handle))
    assert rows[0] == ["frame", "seconds", "pip", "x", "y", "z"]
    return rows[1:]


def test_csv_reads_back_bit_identical_for_a_tempo_map_with_changes(tmp_path, capsys):
    path = export(SOURCE, tmp_path / "motion.csv", tempo=TEMPO, fps=29.97, seconds=14.0, start_seconds=0.5)
    rows = read_csv(path)
    pips = frames(TEMPO, 29.97, 14.0, start_seconds=0.5)
    assert len(rows) == len(pips) == 420
    want = render(SOURCE, pips)
    assert [int(r[0]) for r in rows] == list(range(420))
    assert [float(r[1]) for r in rows] == (0.5 + np.arange(420) / 29.97).tolist()
    assert [int(r[2]) for r in rows] == pips.tolist()
    assert np.array([[float(v) for v in r[3:]] for r in rows]).tobytes() == want.tobytes()
    assert capsys.readouterr().err == ""  # no progress bar when stderr is not a terminal


def test_midi_driven_csv_follows_the_files_tempo_map(tmp_path):
    song = mido.MidiFile(ticks_per_beat=480)
    track = mido.MidiTrack()
    song.tracks.append(track)
    for delta, tempo in ((0, 600_000), (1920, 400_000), (960, 475_000)):
        track.append(mido.MetaMessage("set_tempo", tempo=tempo, time=delta))
    track.append(mido.Message("note_on", note=60, time=3840))
    song.save(tmp_path / "song.mid")
    tempo = TempoMap.from_midi(tmp_path / "song.mid")
    rows = read_csv(export("lfo_morph", tmp_path / "song.csv", tempo=tempo, fps=60, seconds=6.0))
    times = np.array([float(r[1]) for r in rows])
    assert [int(r[2]) for r in rows] == tempo.pip(times).tolist()
    assert np.array([[float(v) for v in r[3:]] for r in rows]).tobytes() == render("lfo_morph", tempo.pip(times)).tobytes()


def read_chan(path):
    """A channel file read as 3-D tools read one: per line an integer frame, tx ty tz and
    rx ry rz in degrees, and an optional field of view; nothing else."""
    frames_read, translations, rotations = [], [], []
    for line in path.read_text(encoding="ascii").splitlines():
        fields = line.split()
        assert len(fields) in (7, 8), line
        frames_read.append(int(fields[0]))  # a float frame number is refused here, as importers do
        translations.append([float(v) for v in fields[1:4]])
        rotations.append([float(v) for v in fields[4:7]])
    return frames_read, np.array(translations), np.array(rotations)


def test_chan_is_the_frame_translation_rotation_layout_with_full_precision(tmp_path):
    path = export("figure_eight", tmp_path / "eight.chan", tempo=97.5, fps=24, seconds=3)
    numbers, translations, rotations = read_chan(path)
    want = render("figure_eight", frames(97.5, 24, 3))
    assert numbers == list(range(1, 73))
    assert translations.tobytes() == want.tobytes()
    assert not rotations.any()
    # A given start numbers the frames from there; the times stay those of start_seconds.
    later = export("figure_eight", tmp_path / "later.chan", tempo=97.5, fps=24, seconds=1, start_seconds=2, start_frame=49)
    numbers, translations, _ = read_chan(later)
    assert numbers == list(range(49, 73))
    assert translations.tobytes() == want[48:].tobytes()
    with pytest.raises(ValueError, match="start_frame applies to .chan files only, got start_frame=1 for csv"):
        export("bounce", tmp_path / "x.csv", tempo=120, fps=30, seconds=1, start_frame=1)
    with pytest.raises(TypeError, match="start_frame must be an integer, got float"):
        export("bounce", tmp_path / "x.chan", tempo=120, fps=30, seconds=1, start_frame=1.0)


def test_recordings_export_as_positions(tmp_path):
    # A MIDI take of one controller: its lane is x; y and z rest at 0.
    song = mido.MidiFile(ticks_per_beat=96)
    song.tracks.append(mido.MidiTrack(
        [mido.Message("control_change", control=1, value=v, time=12) for v in range(0, 128, 3)]))
    take = recording_from_midi(song, [1], name="take")
    start = take.start_pip * 60 / 120 / 64
    path = export(take, tmp_path / "take.csv", tempo=120, fps=50, seconds=0.9, start_seconds=start)
    rows = read_csv(path)
    pips = np.array([int(r[2]) for r in rows])
    got = np.array([[float(v) for v in r[3:]] for r in rows])
    assert got[:, 0].tobytes() == render(take, pips)[:, 0].tobytes() and not got[:, 1:].any()
    # Three axes are x, y, z; other counts map as chosen, coordinates left out stay 0.
    rows3 = [[i / 8, -i / 8, (i % 3) / 4] for i in range(8)]
    three = velmora.SampledRecording("three", ["a", "b", "c"], rows3, 120.0, start_pip=-4)
    _, translations, _ = read_chan(export(three, tmp_path / "t.chan", tempo=120, fps=128, seconds=1 / 16, start_seconds=-1 / 32))
    assert translations.tolist() == rows3
    chosen = RecordingMotion(three, axes=["c", None, "a"])
    assert render(chosen, [-4, 3]).tolist() == [[0.0, 0.0, 0.0], [0.25, 0.0, 7 / 8]]
    assert RecordingMotion(three, axes=("b",)).axes == ("b", None, None)
    for axes, error, message in (
        (["a", "d"], ValueError, r"axes names 'd', which is not an axis of recording 'three'"),
        ([None, None], ValueError, "axes must name at least one axis"),
        (["a", "b", "c", "a"], ValueError, "axes must hold one to three entries"),
        ([0], TypeError, "axes must hold axis names"),
        ("abc", TypeError, "axes must be a sequence"),
    ):
        with pytest.raises(error, match=message):
            RecordingMotion(three, axes=axes)
    with pytest.raises(ValueError, match="outside must be 'raise' or 'hold', got 'wrap'"):
        RecordingMotion(three, outside="wrap")
    held = RecordingMotion(three, outside="hold")
    assert render(held, [-100, 100]).tolist() == [rows3[0], rows3[-1]]
    assert "recording 'three' (axes a, b, c; pips -4 to 3 at 120 BPM)" in repr(held)
    with pytest.raises(TypeError, match=r"got recording 'three' .*; RecordingMotion\(recording\) makes it one"):
        Layer(three)
    assert render(Layer(chosen, phase=1), [-5]).tolist() == [[0.0, 0.0, 0.0]]


def test_linear_export_writes_the_fractional_positions(tmp_path):
    rows = read_csv(export("sway", tmp_path / "s.csv", tempo=TEMPO, fps=50, seconds=2, interpolation="linear"))
    positions = TEMPO.pip_position(np.arange(100) / 50.0)
    assert [float(r[2]) for r in rows] == positions.tolist()
    got = np.array([[float(v) for v in r[3:]] for r in rows])
    assert got.tobytes() == render("sway", positions, interpolation="linear").tobytes()


def gltf_arrays(gltf, blob):
    """Every accessor of the asset decoded by its own metadata (offsets, counts, types)."""
    sizes = {"SCALAR": 1, "VEC3": 3}
    out = []
    for accessor in gltf.accessors:
        assert accessor.componentType == pygltflib.FLOAT
        view = gltf.bufferViews[accessor.bufferView]
        start = (view.byteOffset or 0) + (accessor.byteOffset or 0)
        width = sizes[accessor.type]
        data = np.frombuffer(blob, dtype="<f4", count=accessor.count * width, offset=start)
        out.append(data.reshape(accessor.count, width) if width > 1 else data)
    return out


@pytest.mark.parametrize("suffix", ["glb", "gltf"])
def test_gltf_animation_loads_back_with_the_rendered_values(tmp_path, suffix):
    source = Layer("helix", rate="2/3", scale=0.8)
    path = export(source, tmp_path / f"helix.{suffix}", tempo=TEMPO, fps=30, seconds=10, start_seconds=1.0)
    gltf = pygltflib.GLTF2().load(str(path))
    if suffix == "glb":
        blob = gltf.binary_blob()
    else:
        uri = gltf.buffers[0].uri
        assert uri.startswith("data:application/octet-stream;base64,")
        blob = base64.b64decode(uri.split(",", 1)[1])
    assert len(blob) == gltf.buffers[0].byteLength
    assert [node.name for node in gltf.nodes] == ["helix"] and gltf.scenes[gltf.scene].nodes == [0]
    (animation,) = gltf.animations
    (sampler,) = animation.samplers
    (channel,) = animation.channels
    assert sampler.interpolation == "LINEAR"
    assert (channel.target.node, channel.target.path) == (0, "translation")
    arrays = gltf_arrays(gltf, blob)
    times, values = arrays[sampler.input], arrays[sampler.output]
    want_times = 1.0 + np.arange(300) / 30.0
    want = render(source, frames(TEMPO, 30, 10, start_seconds=1.0))
    assert np.all(np.diff(times) > 0)
    assert np.abs(times - want_times).max() <= 1e-6
    assert np.abs(values - want).max() <= 1e-6
    for accessor, data in zip(gltf.accessors, (times.reshape(-1, 1), values)):
        assert accessor.min == data.min(axis=0).tolist() and accessor.max == data.max(axis=0).tolist()


def assimp():
    """Assimp, an independent glTF importer (C++, through pyassimp), or a skip."""
    try:
        import pyassimp
    except Exception as error:  # ImportError, or its own error when the library is absent
        pytest.skip(f"pyassimp with libassimp is needed: {error}")
    return pyassimp


@pytest.mark.parametrize("suffix", ["glb", "gltf"])
def test_an_independent_importer_reads_the_animation(tmp_path, suffix):
    pyassimp = assimp()
    source = Layer("flam", rate="3/2", phase=-9)
    path = export(source, tmp_path / f"flam.{suffix}", tempo=TEMPO, fps=24, seconds=8, start_seconds=0.25)
    want = render(source, frames(TEMPO, 24, 8, start_seconds=0.25))
    with pyassimp.load(str(path)) as scene:
        assert scene.rootnode.name == "flam"
        (animation,) = scene.animations
        (channel,) = [c.contents for c in animation.channels]
        assert channel.mNodeName.data == b"flam" and channel.mNumPositionKeys == len(want)
        ticks = animation.tickspersecond or 1.0
        keys = [channel.mPositionKeys[i] for i in range(channel.mNumPositionKeys)]
        # Copied out while the scene is alive: the importer frees it on leaving.
        times = np.array([k.mTime / ticks for k in keys])
        values = np.array([[k.mValue.x, k.mValue.y, k.mValue.z] for k in keys])
    assert np.abs(times - (0.25 + np.arange(len(want)) / 24.0)).max() <= 1e-6
    assert np.abs(values - want).max() <= 1e-6


def test_export_refusals(tmp_path, monkeypatch):
    with pytest.raises(ValueError, match=r"path must end in \.csv, \.chan, \.gltf or \.glb \(or give format=\), got '.*x\.txt'"):
        export("bounce", tmp_path / "x.txt", tempo=120, fps=30, seconds=1)
    with pytest.raises(ValueError, match="format must be one of csv, chan, gltf, glb, got 'fbx'"):
        export("bounce", tmp_path / "x.csv", tempo=120, fps=30, seconds=1, format="fbx")
    with pytest.raises(ValueError, match="seconds must span at least one frame, got 0"):
        export("bounce", tmp_path / "x.csv", tempo=120, fps=30, seconds=0)
    with pytest.raises(ValueError, match="fps must be finite and positive, got 0"):
        export("bounce", tmp_path / "x.csv", tempo=120, fps=0, seconds=1)
    with pytest.raises(ValueError, match="Unknown velmora: bonce"):
        export("bonce", tmp_path / "x.csv", tempo=120, fps=30, seconds=1)
    with pytest.raises(TypeError, match="tempo must be a BPM number or a TempoMap, got str"):
        export("bounce", tmp_path / "x.csv", tempo="120", fps=30, seconds=1)
    with pytest.raises(ValueError, match="are equal as glTF's 32-bit floats"):
        export("bounce", tmp_path / "late.glb", tempo=120, fps=60, seconds=0.1, start_seconds=5e6)
    recording = velmora.SampledRecording("take", ["cc1"], [[0.0], [0.5]], 120.0)
    with pytest.raises(IndexError, match=r"pip 125 is not within recording 'take' \(axes cc1; pips 0 to 1 at 120 BPM\)"):
        export(recording, tmp_path / "x.csv", tempo=120, fps=60, seconds=1)
    with pytest.raises(ValueError, match=r"axes must say which axes of recording 'two' .* for example axes=\('a', 'b'\)"):
        export(velmora.SampledRecording("two", ["a", "b"], [[0.0, 0.0]], 120.0), tmp_path / "x.csv", tempo=120, fps=30, seconds=1)
    monkeypatch.setitem(sys.modules, "pygltflib", None)
    with pytest.raises(ImportError, match=r"pip install 'velmora\[gltf\]'"):
        export("bounce", tmp_path / "x.glb", tempo=120, fps=30, seconds=1)
    assert sorted(p.name for p in tmp_path.iterdir()) == []  # nothing half-written
    # The format argument wins over the suffix.
    path = export("bounce", tmp_path / "keys.dat", tempo=120, fps=30, seconds=1, format="chan")
    assert len(path.read_text().splitlines()) == 30
