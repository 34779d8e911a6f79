"""`velmora export`: bake one pattern to keyframes (CSV, channel file or glTF).

Only argparse is imported at start-up; the rendering and writing are imported when the
command runs.
"""

from __future__ import annotations

import argparse
import math
from fractions import Fraction
from typing import Any

from velmora_kit.cli import CommandError, UsageError, check_pattern_names, finite_float, positive_float, tempo_bpm
from velmora_kit.commands.beats import add_audio_options, audio_tempo


def _swing(text: str) -> float:
    value = finite_float(text)
    if not (value == 0.0 or 0.5 <= value <= 0.75):
        raise argparse.ArgumentTypeError(f"must be 0 (off) or within 0.5 to 0.75, got {text}")
    return value


def add_parser(subparsers: Any) -> None:
    parser = subparsers.add_parser(
        "export",
        help="bake a pattern to keyframes (.csv, .chan, .gltf, .glb)",
        description="Write one keyframe per frame of a pattern's motion; the format follows the "
        "output file's suffix: .csv (frame,seconds,pip,x,y,z), .chan (frame tx ty tz rx ry rz, from frame 1), .gltf or .glb "
        "(a glTF 2.0 animation).",
    )
    parser.add_argument("name", metavar="NAME", help="a pattern name (velmora list shows them)")
    parser.add_argument("-o", "--output", metavar="FILE", required=True, help="the file to write")
    tempo = parser.add_mutually_exclusive_group()
    tempo.add_argument("--bpm", metavar="B", type=tempo_bpm, help="constant tempo (default 120)")
    tempo.add_argument("--midi", metavar="FILE", help="take the tempo map of a standard MIDI file")
    tempo.add_argument("--audio", metavar="FILE", help="take the beats of an audio file as the tempo map (pip 0 on its first downbeat)")
    parser.add_argument("--fps", metavar="F", type=positive_float, default=60.0, help="frames per second (default 60)")
    parser.add_argument(
        "--seconds", metavar="S", type=positive_float,
        help="length (default: the MIDI or audio file's length, or one loop of the pattern at the tempo)",
    )
    add_audio_options(parser)
    parser.add_argument("--phase", metavar="P", type=int, default=0, help="pips added before sampling (default 0)")
    parser.add_argument("--rate", metavar="R", default="1", help="playback rate: 2, 1/2, 3/2 (triplet), 2/3 (dotted); default 1")
    parser.add_argument("--swing", metavar="A", type=_swing, default=0.0, help="swing amount 0.5 to 0.75 (default 0: off)")
    parser.set_defaults(run=run_export)


def run_export(args: argparse.Namespace) -> int:
    check_pattern_names([args.name])
    from pathlib import Path

    from velmora_kit.export import EXPORT_FORMATS, export
    from velmora_kit.modify import Layer, parse_rate
    from velmora_kit.render import period_of
    from velmora_kit.tempo import MAX_FRAMES, TempoMap

    output = Path(args.output)
    if output.suffix.lower().lstrip(".") not in EXPORT_FORMATS:
        raise UsageError(f"output must end in .csv, .chan, .gltf or .glb, got {args.output!r}")
    if not output.parent.is_dir():
        raise CommandError(f"output folder does not exist: {str(output.parent)!r}")
    try:
        rate = parse_rate(args.rate, "--rate")
    except (TypeError, ValueError) as error:
        raise UsageError(str(error)) from None
    source = Layer(args.name, phase=args.phase, rate=rate, swing=args.swing)

    seconds = args.seconds
    if args.midi is not None:
        midi_path = Path(args.midi)
        if not midi_path.exists():
            raise CommandError(f"MIDI file not found: {args.midi!r}")
        if not midi_path.is_file():
            raise CommandError(f"--midi must be a regular file, got {args.midi!r} (a folder, device or pipe)")
        tempo: TempoMap | float = TempoMap.from_midi(str(midi_path))
        if seconds is None:
            import mido  # type: ignore[import-untyped]

            seconds = float(mido.MidiFile(str(midi_path)).length)
            if not seconds > 0:
                raise CommandError(f"MIDI file {args.midi!r} has no length; give --seconds")
    elif args.audio is not None:
        tempo, length = audio_tempo(args.audio, args)
        seconds = length if seconds is None else seconds
    else:
        tempo = args.bpm if args.bpm is not None else 120.0
        if seconds is None:
            seconds = period_of(args.name) / 64 * 60.0 / float(tempo)

    # The count frames() makes: every k with k / fps below the length, on the decimals given.
    frames = math.ceil(Fraction(repr(float(seconds))) * Fraction(repr(float(args.fps))))
    if frames > MAX_FRAMES:
        asked = f"--seconds {seconds:g}" if args.seconds is not None else f"the default length ({seconds:.4g} s)"
        raise UsageError(
            f"{asked} at --fps {args.fps:g} is more than {MAX_FRAMES:,} frames; give a shorter --seconds or a lower --fps"
        )
    export(source, output, tempo=tempo, fps=args.fps, seconds=seconds)
    print(f"wrote {frames} frame{'' if frames == 1 else 's'} ({seconds:g} s at {args.fps:g} fps) of {args.name} to {output}")
    return 0
