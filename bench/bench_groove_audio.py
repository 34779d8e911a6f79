"""Drum scores heard in audio against the scores that were played: every built-in groove
score written as a General MIDI drum track at 120 BPM (`midi_from_score`, bass cues on a
synth bass), rendered by fluidsynth with the fluid-soundfont-gm font, read back by
`velmora_kit.score_from_audio`.

    PYTHONPATH=kit python bench/bench_groove_audio.py [--loops 4] [--only KEY ...] [--grid truth|audio|both]

Target: kick and snare onsets within ±2 pips of the truth for ≥ 90 % of the hits (the kick
lane against the score's kicks; the snare lane against its snares and claps). Reported per
score and in total: that share (recall), and the share of heard hits that match a true
one (precision), with the file's own tempo map (`--grid truth`) and with the beat grid
found in the audio (`--grid audio`, what a user without the MIDI file gets).
"""

from __future__ import annotations

import argparse
import os
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))
import audio_material as material  # noqa: E402

BPM = 120.0
WINDOW_PIPS = 2.0
# The lanes heard in audio, and the score lanes each one answers for.
HEARD = {"kick": ("kick",), "snare": ("snare", "clap")}


def truth(score, loops: int) -> dict[str, np.ndarray]:
    return {
        heard: np.sort(np.concatenate([
            np.array([loop * score.period + h.pip for loop in range(loops) for h in score.lanes.get(lane, ())])
            for lane in lanes
        ]))
        for heard, lanes in HEARD.items()
    }


def matches(expected: np.ndarray, found: np.ndarray) -> int:
    """Hits of `expected` with a found hit within the window, each found hit used once."""
    used = np.zeros(found.size, dtype=bool)
    count = 0
    for pip in expected:
        near = np.flatnonzero(~used & (np.abs(found - pip) <= WINDOW_PIPS))
        if near.size:
            used[near[np.argmin(np.abs(found[near] - pip))]] = True
            count += 1
    return count


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("--loops", type=int, default=4)
    parser.add_argument("--only", nargs="*")
    parser.add_argument("--grid", choices=("truth", "audio", "both"), default="both")
    args = parser.parse_args()

    import mido

    import velmora_kit as vk
    from velmora_kit.tempo import TempoMap

    grids = ("truth", "audio") if args.grid == "both" else (args.grid,)
    totals = {(grid, heard, what): 0 for grid in grids for heard in HEARD for what in ("true", "found", "matched")}
    seconds = 0.0
    start = time.perf_counter()
    print(f"load {os.getloadavg()[0]:.2f}")
    print(f"{'score':<22}" + "".join(f" {grid + ' ' + heard:>16}" for grid in grids for heard in HEARD))
    with tempfile.TemporaryDirectory() as folder:
        for score in vk.scores():
            if args.only and score.key not in args.only:
                continue
            midi = vk.midi_from_score(score, loops=args.loops, bpm=BPM)
            wav = Path(folder) / f"{score.key}.wav"
            # The bass cues on a synth bass, as the beat benchmark plays them.
            midi.tracks[0].insert(0, mido.Message("program_change", channel=0, program=material.BASS_PROGRAM, time=0))
            material.render(midi, wav)
            true = truth(score, args.loops)
            row = f"{score.key:<22}"
            for grid in grids:
                t0 = time.perf_counter()
                tempo = TempoMap(BPM) if grid == "truth" else vk.beat_grid(wav).tempo_map()
                heard_score = vk.score_from_audio(wav, tempo=tempo, bars=(0, args.loops * score.period // 256 + 1))
                seconds += time.perf_counter() - t0
                for heard in HEARD:
                    # The heard score's pip 0 is its grid's first downbeat (the file's start
                    # with the true grid): the true onsets go through the same grid, and
                    # those before its pip 0 are not in the score.
                    found = np.array([h.pip for h in heard_score.lanes.get(heard, ())])
                    expected = np.asarray(tempo.pip_position(true[heard] * 60.0 / (64 * BPM)))
                    expected = expected[expected >= 0.0]
                    matched = matches(expected, found)
                    totals[(grid, heard, "true")] += expected.size
                    totals[(grid, heard, "found")] += found.size
                    totals[(grid, heard, "matched")] += matched
                    share = matched / expected.size if expected.size else float("nan")
                    precision = matched / found.size if found.size else float("nan")
                    row += f" {share:7.2f} /{precision:5.2f}  "
            print(row, flush=True)
    print("total (recall / precision; target recall >= 0.90):")
    for grid in grids:
        for heard in HEARD:
            t, f, m = (totals[(grid, heard, w)] for w in ("true", "found", "matched"))
            print(f"  {grid:<5} grid, {heard:<5}: {m}/{t} = {m / t:.3f} within ±{WINDOW_PIPS:g} pips; precision {m / max(f, 1):.3f}")
    both = {grid: sum(totals[(grid, h, "matched")] for h in HEARD) / sum(totals[(grid, h, "true")] for h in HEARD) for grid in grids}
    print("  kick + snare: " + ", ".join(f"{grid} grid {share:.3f}" for grid, share in both.items()))
    print(f"analysis {seconds:.1f} s, run {time.perf_counter() - start:.1f} s, load {os.getloadavg()[0]:.2f}")


if __name__ == "__main__":
    main()
