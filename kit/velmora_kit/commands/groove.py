"""`velmora groove`: a groove motion performed to your own drums (a MIDI drum track, a score
written in the text notation, an audio file, or a built-in score), baked to keyframes.

Only argparse is imported at start-up; the scores, the rendering and the writing are
imported when the command runs.
"""

from __future__ import annotations

import argparse
import math
from fractions import Fraction
from pathlib import Path
from typing import Any

from velmora_kit.cli import CommandError, positive_float, positive_int
from velmora_kit.commands.beats import add_audio_options, audio_tempo

MIDI_SUFFIXES = (".mid", ".midi")
TEXT_SUFFIXES = (".txt", ".groove")


def _bars(text: str) -> tuple[int, int]:
    first, _, count = text.partition(":")
    try:
        bars = (int(first), int(count))
    except ValueError:
        raise argparse.ArgumentTypeError(f"must be FIRST:COUNT (bars counted from 0), got {text!r}") from None
    if bars[0] < 0 or bars[1] < 1:
        raise argparse.ArgumentTypeError(f"must start at bar 0 or later and hold at least one bar, got {text!r}")
    return bars


def _channel(text: str) -> int:
    value = positive_int(text)
    if value > 16:
        raise argparse.ArgumentTypeError(f"must be a MIDI channel 1..16, got {text}")
    return value


def add_parser(subparsers: Any) -> None:
    parser = subparsers.add_parser(
        "groove",
        help="bake a groove motion performed to your drums (.mid, score text, audio, or a built-in score)",
        description="Perform one of the groove motions to a drum score and write it as keyframes (.csv, .chan, "
        ".gltf, .glb). The score comes from SOURCE: a MIDI file's drum track (General MIDI channel 10), a score "
        "in the text notation (.txt or .groove), an audio file (WAV, FLAC, OGG, MP3; needs pip install "
        "'velmora[audio]'), or the key of a built-in score (house_classic, ...). A file plays as a whole song "
        "at its own tempo; a built-in score, text or --bars plays as a loop.",
    )
    parser.add_argument("source", metavar="SOURCE", help="a .mid file, a score text file, an audio file or a built-in score key")
    parser.add_argument("--motion", metavar="M", required=True, help="the motion: bounce, step, orbit, ... ricochet")
    parser.add_argument("-o", "--output", metavar="FILE", required=True, help="the file to write")
    shape = parser.add_mutually_exclusive_group()
    shape.add_argument("--loop", action="store_true", help="play the score as one loop, repeated (a whole number of bars)")
    shape.add_argument("--song", action="store_true", help="play the whole file once, following every hit (default for files)")
    parser.add_argument("--bars", metavar="FIRST:COUNT", type=_bars, help="read COUNT bars from bar FIRST (counted from 0) as the loop")
    parser.add_argument("--channel", metavar="C", type=_channel, default=10, help="MIDI drum channel 1..16 (default 10)")
    parser.add_argument("--track", metavar="T", type=int, help="read only this MIDI track (index in the file; default every track)")
    parser.add_argument("--bpm", metavar="B", type=positive_float, help="tempo for a built-in or text score (default 120)")
    parser.add_argument("--fps", metavar="F", type=positive_float, default=60.0, help="frames per second (default 60)")
    parser.add_argument(
        "--seconds", metavar="S", type=positive_float,
        help="length (default: the file's length, or one loop at the tempo)",
    )
    add_audio_options(parser)
    parser.set_defaults(run=run_groove)


def _score_and_tempo(args: argparse.Namespace) -> tuple[Any, Any, float | None]:
    """The drum score, the tempo (BPM or TempoMap) and the source's length in seconds."""
    from velmora_kit.drums import score_from_midi
    from velmora_kit.grooves import score, score_from_audio, score_from_text
    from velmora_kit.tempo import TempoMap

    path = Path(args.source)
    suffix = path.suffix.lower()
    if not path.is_file():
        if suffix or "/" in args.source:
            raise CommandError(f"file not found: {args.source!r}")
        try:
            return score(args.source), args.bpm or 120.0, None
        except ValueError as error:
            raise CommandError(str(error)) from None
    if args.bpm is not None and suffix not in TEXT_SUFFIXES:
        raise CommandError("--bpm is for a built-in or text score; a MIDI or audio file gives its own tempo")
    try:
        if suffix in MIDI_SUFFIXES:
            import mido  # type: ignore[import-untyped]

            drums = score_from_midi(str(path), channel=args.channel - 1, track=args.track, bars=args.bars,
                                    beats_per_bar=args.beats_per_bar)
            return drums, TempoMap.from_midi(str(path)), float(mido.MidiFile(str(path)).length)
        if suffix in TEXT_SUFFIXES:
            return score_from_text(path.read_text(encoding="utf-8"), key=path.stem), args.bpm or 120.0, None
        tempo, length = audio_tempo(args.source, args)
        drums = score_from_audio(path, tempo=tempo, bars=args.bars, beats_per_bar=args.beats_per_bar)
        return drums, tempo, length
    except (ValueError, TypeError, OSError, UnicodeDecodeError) as error:
        raise CommandError(str(error).splitlines()[0] if str(error) else type(error).__name__) from None


def run_groove(args: argparse.Namespace) -> int:
    from velmora_kit.export import EXPORT_FORMATS, export
    from velmora_kit.grooves import GrooveSong, groove, motions

    if args.motion not in motions():
        raise CommandError(f"--motion must be one of {', '.join(motions())}, got {args.motion!r}")
    output = Path(args.output)
    if output.suffix.lower().lstrip(".") not in EXPORT_FORMATS:
        raise CommandError(f"output must end in .csv, .chan, .gltf or .glb, got {args.output!r}")
    if not output.parent.is_dir():
        raise CommandError(f"output folder does not exist: {str(output.parent)!r}")
    drums, tempo, length = _score_and_tempo(args)
    as_loop = args.loop or (not args.song and (length is None or args.bars is not None))
    try:
        if as_loop:
            source: Any = groove(drums, args.motion)
            shape = f"{drums.period // 256 if drums.period % 256 == 0 else drums.period / 256:g}-bar loop"
        else:
            source = GrooveSong(drums, args.motion)
            shape = "song"
    except ValueError as error:
        raise CommandError(str(error)) from None
    seconds = args.seconds
    if seconds is None:
        if length is not None and not as_loop:
            seconds = length
        else:
            beats = drums.period / 64
            seconds = beats * 60.0 / tempo if isinstance(tempo, float) else float(tempo.seconds(drums.period))
    export(source, output, tempo=tempo, fps=args.fps, seconds=seconds)
    frames = math.ceil(Fraction(repr(float(seconds))) * Fraction(repr(float(args.fps))))
    print(f"wrote {frames} frame{'' if frames == 1 else 's'} ({seconds:g} s at {args.fps:g} fps) of {args.motion} "
          f"to {drums.key} ({shape}) to {output}")
    return 0
