"""`velmora beats`: the beat grid of an audio file (tempo, beats, downbeats), and the tempo
map that `export` and `play` take from `--audio`.

Only argparse is imported at start-up; the analysis (librosa, the `audio` extra) is
imported when the command runs.
"""

from __future__ import annotations

import argparse
import os
import sys
from pathlib import Path
from typing import Any

from velmora_kit.cli import CommandError, UsageError, finite_float, positive_int


def _bpm_hint(text: str) -> float:
    value = finite_float(text)
    if not 20.0 <= value <= 400.0:
        raise argparse.ArgumentTypeError(f"must be within 20 to 400, got {text}")
    return value


def add_audio_options(parser: argparse.ArgumentParser) -> None:
    """The options that steer the analysis, shared by every command that reads audio."""
    parser.add_argument("--beats-per-bar", metavar="N", type=positive_int, default=4, help="beats in a bar (default 4)")
    parser.add_argument(
        "--first-downbeat", metavar="S", type=finite_float,
        help="seconds: a bar line (beat one); bars count from it and the beats pass through it "
        "(default: estimated from the kick)",
    )
    parser.add_argument(
        "--bpm-hint", metavar="B", type=_bpm_hint,
        help="roughly the tempo, to settle 85 against 170 BPM (default: estimated)",
    )


def analyse(path_text: str, args: argparse.Namespace) -> Any:
    """The BeatGrid of an audio file named on the command line; mistakes as CommandError."""
    from velmora_kit.audio import beat_grid

    path = Path(path_text)
    if not path.is_file():
        raise CommandError(f"audio file not found: {path_text!r}")
    if args.beats_per_bar > 64:
        raise CommandError(f"--beats-per-bar must be at most 64, got {args.beats_per_bar}")
    return beat_grid(path, beats_per_bar=args.beats_per_bar, first_downbeat=args.first_downbeat, bpm_hint=args.bpm_hint)


def audio_tempo(path_text: str, args: argparse.Namespace) -> tuple[Any, float]:
    """The tempo map of an audio file and the file's length in seconds."""
    grid = analyse(path_text, args)
    if grid.beats.size < 2:
        raise CommandError(f"no beats found in {path_text!r}")
    return grid.tempo_map(), grid.duration


def add_parser(subparsers: Any) -> None:
    parser = subparsers.add_parser(
        "beats",
        help="find the tempo, beats and downbeats of an audio file",
        description="Analyse an audio file (WAV, FLAC, OGG, MP3) and print its tempo, beat times and "
        "downbeat times in seconds, or all of it as JSON. Needs pip install 'velmora[audio]'.",
    )
    parser.add_argument("audio", metavar="FILE", help="the audio file")
    add_audio_options(parser)
    parser.add_argument("--json", action="store_true", help="print JSON instead of text")
    parser.add_argument(
        "--click", metavar="OUT",
        help="also write the song with a click on every beat (higher on downbeats) to OUT (.wav or .flac), "
        "to hear whether the grid is right",
    )
    parser.set_defaults(run=run_beats)


CLICK_FORMATS = {".wav": "WAV", ".flac": "FLAC"}


def _click_target(args: argparse.Namespace) -> Path | None:
    """The click track's path, checked before the analysis runs: a known format, an existing
    folder, and never the song itself."""
    if args.click is None:
        return None
    target = Path(args.click)
    if target.suffix.lower() not in CLICK_FORMATS:
        raise UsageError(f"--click must end in .wav or .flac, got {args.click!r}")
    if not target.parent.is_dir():
        raise CommandError(f"--click folder does not exist: {str(target.parent)!r}")
    if target.exists() and Path(args.audio).exists() and os.path.samefile(target, args.audio):
        raise CommandError(f"--click would overwrite the song itself: {args.click!r}")
    return target


def _write_clicks(grid: Any, song: str, target: Path) -> None:
    import soundfile  # type: ignore[import-untyped]

    from velmora_kit._files import replacing_binary
    from velmora_kit.audio import click_track, read_audio

    samples, rate = read_audio(song)
    mixed = click_track(grid, samples, rate)
    with replacing_binary(target) as out:
        soundfile.write(out, mixed, rate, format=CLICK_FORMATS[target.suffix.lower()], subtype="PCM_16")


def run_beats(args: argparse.Namespace) -> int:
    click = _click_target(args)
    grid = analyse(args.audio, args)
    if click is not None:
        _write_clicks(grid, args.audio, click)
    if args.json:
        import json

        json.dump(grid.as_dict(), sys.stdout, indent=1)
        print()
        return 0
    print(f"tempo {grid.tempo:.2f} BPM, {grid.beats.size} beats in {grid.duration:.2f} s, "
          f"{grid.beats_per_bar} beats a bar (confidence {grid.confidence:.2f}, downbeats {grid.downbeat_confidence:.2f})")
    print("beats: " + " ".join(f"{t:.3f}" for t in grid.beats))
    print("downbeats: " + " ".join(f"{t:.3f}" for t in grid.downbeats))
    if args.first_downbeat is None and grid.beats.size and grid.downbeat_confidence == 0.0:
        print("no place of the bar stood out, so the bars start where the music does; "
              "--first-downbeat S sets beat one (and moves the beats onto it if it lies between two)")
    if click is not None:
        print(f"wrote the song with clicks on the beats to {click}")
    return 0
