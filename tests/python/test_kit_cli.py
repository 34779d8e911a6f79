"""The velmora command as a user runs it: list, show and export, and its mistakes."""

from __future__ import annotations

import json
import subprocess
import sys
from pathlib import Path

import mido
import numpy as np
import pytest

import velmora
from velmora_kit import Layer, TempoMap, export
from velmora_kit.cli import main


def run(capsys, *argv):
    try:
        status = main(list(argv))
    except SystemExit as stop:  # argparse: usage errors and --help
        status = stop.code
    captured = capsys.readouterr()
    return status, captured.out, captured.err


def test_list_filters_and_prints_json_or_a_table(capsys):
    status, out, err = run(capsys, "list", "--collection", "club", "--dims", "3", "--period", "512", "--json")
    assert (status, err) == (0, "")
    rows = json.loads(out)
    assert rows and all(r["collection"] == "velmora_club" and r["dimensions"] == 3 and r["period_pips"] == 512 for r in rows)
    builtin = {e["name"]: e for e in velmora.catalogue()}
    assert all({k: builtin[r["name"]][k] for k in ("description", "period_pips", "dimensions")} == {k: r[k] for k in ("description", "period_pips", "dimensions")} for r in rows)
    status, out, _ = run(capsys, "list", "--match", "PARADIDDLE")
    total = len(velmora.catalogue())
    assert status == 0 and "single_paradiddle" in out and f"{total} patterns" in out
    status, out, _ = run(capsys, "list")  # the whole catalogue: one line a pattern
    lines = out.splitlines()
    assert status == 0 and len(lines) == total + 2 and lines[-1] == f"{total} of {total} patterns"
    assert lines[1].split()[:4] == ["bounce", "core", "1", "1"] and lines[-2].startswith("beat_dembow_push_ricochet ")
    status, out, _ = run(capsys, "list", "--json", "--match", "no such words anywhere")
    assert (status, json.loads(out)) == (0, [])


def test_show_describes_and_plots(capsys):
    status, out, err = run(capsys, "show", "single_paradiddle", "--loops", "2")
    assert (status, err) == (0, "")
    assert "RLRR LRLL with accented lead strokes" in out and "period 128 pips (2 beats), dimensions 2" in out
    assert "beats" in out and "\x1b[" not in out  # a plot, and no colour codes when piped


def test_export_writes_what_the_library_writes(capsys, tmp_path):
    out_file = tmp_path / "cli.csv"
    status, out, err = run(
        capsys, "export", "flam", "-o", str(out_file), "--bpm", "100", "--fps", "25", "--seconds", "3",
        "--phase", "5", "--rate", "3/2", "--swing", "0.6",
    )
    assert (status, err) == (0, "") and "wrote 75 frames" in out
    library_file = export(Layer("flam", phase=5, rate="3/2", swing=0.6), tmp_path / "lib.csv", tempo=100, fps=25, seconds=3)
    assert out_file.read_bytes() == library_file.read_bytes()


def test_export_with_a_midi_tempo_map_defaults_to_the_songs_length(capsys, tmp_path):
    song = mido.MidiFile(ticks_per_beat=96)
    track = mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=400_000, time=0),
                            mido.MetaMessage("set_tempo", tempo=700_000, time=384),
                            mido.Message("note_off", note=60, time=384)])
    song.tracks.append(track)
    song.save(tmp_path / "song.mid")
    status, _, err = run(capsys, "export", "sway", "-o", str(tmp_path / "m.chan"), "--midi", str(tmp_path / "song.mid"), "--fps", "10")
    assert (status, err) == (0, "")
    lines = (tmp_path / "m.chan").read_text().splitlines()
    assert len(lines) == 44  # 1.6 s + 2.8 s at 10 fps
    tempo = TempoMap.from_midi(tmp_path / "song.mid")
    from velmora_kit import render

    want = render("sway", tempo.pip(np.arange(44) / 10.0))
    assert [int(line.split()[0]) for line in lines] == list(range(1, 45))
    assert np.array([[float(v) for v in line.split()[1:4]] for line in lines]).tobytes() == want.tobytes()


@pytest.mark.parametrize(
    "argv, status, message",
    [
        (["show", "bounse"], 1, "velmora: unknown pattern 'bounse' (did you mean bounce"),
        (["export", "helixx", "-o", "x.csv"], 1, "velmora: unknown pattern 'helixx' (did you mean helix"),
        (["show", "zzzzzzzz"], 1, "(velmora list shows every name)"),
        (["list", "--collection", "dancefloorr"], 1, "velmora: unknown collection 'dancefloorr' (did you mean dancefloor?)"),
        (["list", "--dims", "4"], 2, "argument --dims: must be 1, 2 or 3, got 4"),
        (["list", "--period", "abc"], 2, "argument --period: invalid whole number: 'abc'"),
        (["show", "flam", "--loops", "0"], 2, "argument --loops: must be at least 1, got 0"),
        (["export", "flam"], 2, "the following arguments are required: -o/--output"),
        (["export", "flam", "-o", "{tmp}/x.csv", "--fps", "fast"], 2, "argument --fps: invalid number: 'fast'"),
        (["export", "flam", "-o", "{tmp}/x.csv", "--bpm", "-5"], 2, "argument --bpm: must be finite and positive, got -5"),
        (["export", "flam", "-o", "{tmp}/x.csv", "--swing", "0.9"], 2, "argument --swing: must be 0 (off) or within 0.5 to 0.75, got 0.9"),
        (["export", "flam", "-o", "{tmp}/x.csv", "--phase", "1.5"], 2, "argument --phase: invalid int value: '1.5'"),
        (["export", "flam", "-o", "{tmp}/x.csv", "--rate", "0"], 2, "velmora: --rate must be positive, got '0'"),
        (["export", "flam", "-o", "{tmp}/x.csv", "--rate", "fast"], 2, "velmora: --rate must be a positive rational"),
        (["export", "flam", "-o", "{tmp}/x.csv", "--bpm", "90", "--midi", "a.mid"], 2, "argument --midi: not allowed with argument --bpm"),
        (["export", "flam", "-o", "{tmp}/x.csv", "--midi", "{tmp}/missing.mid"], 1, "velmora: MIDI file not found:"),
        (["export", "flam", "-o", "{tmp}/bad.mid.csv", "--midi", "{tmp}/bad.mid"], 1, "velmora: "),
        (["export", "flam", "-o", "{tmp}/x.fbx"], 2, "velmora: output must end in .csv, .chan, .gltf or .glb, got"),
        (["export", "flam", "-o", "{tmp}/no/such/folder/x.csv"], 1, "velmora: output folder does not exist:"),
        (["dance"], 2, "invalid choice: 'dance'"),
    ],
)
def test_mistakes_are_one_line_on_stderr_and_a_non_zero_exit(capsys, tmp_path, argv, status, message):
    (tmp_path / "bad.mid").write_bytes(b"not a midi file at all")
    argv = [a.replace("{tmp}", str(tmp_path)) for a in argv]
    got_status, out, err = run(capsys, *argv)
    assert got_status == status and out == ""
    assert message in err and err.count("\n") == 1, err


@pytest.mark.parametrize("command", [[], ["list"], ["show"], ["export"]])
def test_help_everywhere(capsys, command):
    status, out, err = run(capsys, *command, "--help")
    assert (status, err) == (0, "") and out.startswith("usage: velmora")


def test_the_installed_console_script(tmp_path):
    script = Path(sys.executable).with_name("velmora")
    if not script.exists():
        pytest.skip("the velmora console script is installed by pip install . (scripts/setup.sh)")
    done = subprocess.run([str(script), "list", "--json", "--match", "lfo_breathe"], capture_output=True, text=True, timeout=60)
    assert done.returncode == 0 and [r["name"] for r in json.loads(done.stdout)] == ["lfo_breathe"]
    done = subprocess.run([str(script), "export", "flma", "-o", str(tmp_path / "x.glb")], capture_output=True, text=True, timeout=60)
    assert done.returncode == 1 and done.stdout == ""
    assert done.stderr == "velmora: unknown pattern 'flma' (did you mean flam?)\n"
    # A reader that stops early (velmora list | head) gets no traceback and no error line.
    with subprocess.Popen([str(script), "list", "--json"], stdout=subprocess.PIPE, stderr=subprocess.PIPE) as reader:
        assert reader.stdout.read(10).startswith(b"[")
        reader.stdout.close()
        assert reader.stderr.read() == b"" and reader.wait(timeout=60) in (0, 1)
