"""Beat grids from audio against known beats: every groove score as a General MIDI drum
track (with its bass cues), and three pieces without drums, rendered by fluidsynth and
analysed by velmora_kit.beat_grid.

    VELMORA_GENERATOR=build/wheel/tools/generator/velmora_generator \\
        PYTHONPATH=kit python bench/bench_audio_beats.py [--bars 16] [--only KEY ...] [--keep DIR] [--hint off|on|downbeat|all]

Three passes: without a hint, with the tempo to the nearest 10 BPM, and with that and a bar
line a user clicks on in the first bars (what settles a syncopated groove's beat and bar).
Reported per render and in total, against the targets, and for each half of the renders:
the tracker's few fitted numbers were chosen on the even-numbered ones (in grid order) and
checked on the odd-numbered ones, held out.
- beat F-measure at ±70 ms (mir_eval, first 5 s trimmed as mir_eval does): ≥ 0.95 on the
  drum-led renders;
- tempo error: `BeatGrid.tempo` against the true tempo (the median of the MIDI tempo over
  the beats), within 1 %; for pieces that change tempo also the local error, the tempo of
  `grid.tempo_map()` against the MIDI tempo at each true beat (median);
- downbeats: among the bars after the first 5 s whose score has a kick on beat one, the
  share with an estimated downbeat within ±70 ms of the bar line: ≥ 90 %;
- speed: 5 minutes of audio analysed in ≤ 10 s after the one-time warm-up (librosa's import
  and numba's compilation, timed too), beside the time of reading the file and computing
  its mel spectrogram once in the same run (the floor: any analysis reads and transforms).
"""

from __future__ import annotations

import argparse
import statistics
import sys
import tempfile
import time
from pathlib import Path

import numpy as np

sys.path.insert(0, str(Path(__file__).resolve().parent))
import audio_material as material  # noqa: E402

WINDOW = 0.07
TRIM = 5.0


def warm_up() -> float:
    start = time.perf_counter()
    import librosa  # noqa: F401

    from velmora_kit.audio import beat_grid

    rate = 22_050
    clicks = np.zeros(rate * 4, dtype=np.float32)
    clicks[:: rate // 2] = 1.0
    beat_grid(clicks, sr=rate)
    return time.perf_counter() - start


def evaluate(wav: Path, midi, kick_on_one: list[bool] | None, hint: str) -> dict[str, float]:
    import mir_eval

    from velmora_kit.audio import beat_grid
    from velmora_kit.tempo import TempoMap

    truth_map = TempoMap.from_midi(midi)
    length = float(midi.length)
    beat_count = int(round(truth_map.pip_position(length) / 64))
    truth = np.asarray(truth_map.seconds(np.arange(beat_count) * 64.0))
    truth = truth[truth < length - 0.01]
    # Hints as a user would give them: the starting tempo to the nearest 10 BPM, and a bar
    # line clicked on in the first bars (the first at or after 2 s, to the nearest 10 ms).
    bpm_hint = float(round(float(truth_map.bpm(0)), -1)) if hint != "off" else None
    bar_lines = truth[::4]
    first_downbeat = round(float(bar_lines[bar_lines >= 2.0][0]), 2) if hint == "downbeat" else None
    start = time.perf_counter()
    grid = beat_grid(wav, bpm_hint=bpm_hint, first_downbeat=first_downbeat)
    seconds = time.perf_counter() - start
    f = mir_eval.beat.f_measure(mir_eval.beat.trim_beats(truth), mir_eval.beat.trim_beats(grid.beats), WINDOW)
    true_bpm = np.asarray(truth_map.bpm(np.arange(truth.size) * 64.0))
    tempo_error = abs(grid.tempo / float(np.median(true_bpm)) - 1.0)
    inner = truth[(truth >= TRIM) & (truth <= grid.beats[-1])]
    estimated = grid.tempo_map()
    local = np.asarray(estimated.bpm(estimated.pip_position(inner)))
    local_error = float(np.median(np.abs(local / np.asarray(truth_map.bpm(truth_map.pip_position(inner))) - 1.0)))
    result = {"f": f, "tempo_error": tempo_error, "local_error": local_error, "seconds": seconds,
              "audio_seconds": length, "tempo": grid.tempo, "true_tempo": float(np.median(true_bpm)),
              "confidence": grid.confidence, "downbeat_confidence": grid.downbeat_confidence}
    if kick_on_one is not None:
        counted = right = 0
        for bar, at in enumerate(bar_lines):
            if at < TRIM or bar >= len(kick_on_one) or not kick_on_one[bar]:
                continue
            counted += 1
            right += bool(grid.downbeats.size and np.min(np.abs(grid.downbeats - at)) <= WINDOW)
        result["downbeat_bars"] = counted
        result["downbeat_right"] = right
    return result


def kick_bars(score: material.Score, bars: int) -> list[bool]:
    """Per bar of the render: does the score put a kick on beat one (within 2 pips)?"""
    kicks = [hit.pip for hit in score.hits if hit.lane == "kick"]
    out = []
    for bar in range(bars):
        offset = (bar * material.PIPS_PER_BAR) % score.period
        out.append(any(abs(pip - offset) <= 2 for pip in kicks))
    return out


def speed(folder: Path) -> None:
    """Five minutes of one drum render: analysis time beside the read + mel floor."""
    import librosa
    import soundfile

    from velmora_kit.audio import beat_grid

    generator = material.find_generator()
    score = material.read_score(generator, "amen_four_bar")
    bpm = 120.0
    bars = int(300 / (4 * 60 / bpm))
    wav = folder / "five_minutes.wav"
    material.render(material.drum_midi(score, [(0, bpm)], bars), wav)
    floors, runs = [], []
    for _ in range(3):
        start = time.perf_counter()
        samples, rate = soundfile.read(str(wav), dtype="float32", always_2d=True)
        mono = librosa.resample(samples.mean(axis=1), orig_sr=rate, target_sr=22_050, res_type="soxr_hq")
        librosa.feature.melspectrogram(y=mono, sr=22_050, hop_length=512, n_mels=128)
        floors.append(time.perf_counter() - start)
        start = time.perf_counter()
        grid = beat_grid(wav)
        runs.append(time.perf_counter() - start)
    floor, run = statistics.median(floors), statistics.median(runs)
    print(f"speed: {grid.duration:.1f} s of audio analysed in {run:.2f} s (target ≤ 10 s), "
          f"floor (read + resample + mel) {floor:.2f} s, ratio {run / floor:.2f}×; load {load()}")


def long_file(folder: Path, minutes: float) -> None:
    """A set-length file (a render looped to `minutes`, 44.1 kHz stereo): analysis time and
    the peak memory of a process that only analyses it, beside the size of its samples at
    the analysis rate (float32), the least any analysis holds."""
    import subprocess

    import soundfile

    loop, rate = soundfile.read(str(folder / "house_classic.wav"), dtype="int16", always_2d=True)
    wav = folder / f"long_{minutes:g}_minutes.wav"
    frames = int(minutes * 60 * rate)
    with soundfile.SoundFile(str(wav), "w", rate, 2, subtype="PCM_16") as out:
        for start in range(0, frames, loop.shape[0]):
            out.write(np.repeat(loop[: min(loop.shape[0], frames - start), :1], 2, axis=1))
    code = ("import resource, time; from velmora_kit.audio import beat_grid; start = time.perf_counter(); "
            "grid = beat_grid(%r); print(time.perf_counter() - start, grid.tempo, "
            "resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)" % str(wav))
    seconds, tempo, kilobytes = subprocess.run(
        [sys.executable, "-c", code], check=True, capture_output=True, text=True
    ).stdout.split()
    peak = int(kilobytes) * 1024
    floor = minutes * 60 * 22_050 * 4
    print(f"{minutes:g} minutes of audio (44.1 kHz stereo WAV, {wav.stat().st_size / 1e6:.0f} MB) analysed in "
          f"{float(seconds):.1f} s, tempo {float(tempo):.2f}; peak memory {peak / 1e9:.2f} GB, "
          f"{peak / floor:.1f}× its samples at the analysis rate ({floor / 1e9:.2f} GB); load {load()}")
    wav.unlink()


def load() -> str:
    return Path("/proc/loadavg").read_text().split(" ")[0]


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--bars", type=int, default=16, help="bars rendered per piece (default 16)")
    parser.add_argument("--only", nargs="*", help="only these score keys (and no drum-less pieces)")
    parser.add_argument("--keep", type=Path, help="keep the MIDI and WAV files in this folder")
    parser.add_argument("--no-speed", action="store_true", help="skip the five-minute timing")
    parser.add_argument("--long", type=float, metavar="MINUTES", help="also time a file this long and measure its peak memory")
    parser.add_argument(
        "--hint", choices=("off", "on", "downbeat", "all"), default="all",
        help="give beat_grid nothing (off), the tempo to the nearest 10 BPM (on), the tempo and a "
        "bar line in the first bars (downbeat), or run all three (default)",
    )
    args = parser.parse_args()

    print(f"warm-up (import librosa, compile numba's kernels, first analysis): {warm_up():.2f} s; load {load()}")
    folder_context = tempfile.TemporaryDirectory(prefix="velmora-beats-")
    folder = args.keep or Path(folder_context.name)
    folder.mkdir(parents=True, exist_ok=True)
    for hint in ("off", "on", "downbeat") if args.hint == "all" else (args.hint,):
        run(args, folder, hint)
    if not args.no_speed:
        speed(folder)
    if args.long:
        long_file(folder, args.long)
    folder_context.cleanup()
    return 0


def run(args: argparse.Namespace, folder: Path, hint: str) -> None:
    """One pass over every render with the given hints, and its summary."""
    print({"off": "\nwithout a hint", "on": "\nwith a tempo hint (nearest 10 BPM)",
           "downbeat": "\nwith a tempo hint and a bar line in the first bars"}[hint])
    generator = material.find_generator()
    keys = material.score_keys()
    rows = []
    for index, key in enumerate(keys):
        if args.only and key not in args.only:
            continue
        score = material.read_score(generator, key)
        changes = material.tempo_changes(index)
        midi = material.drum_midi(score, changes, args.bars)
        wav = folder / f"{key}.wav"
        if not wav.exists():  # a kept folder is reused
            material.render(midi, wav)
        result = evaluate(wav, midi, kick_bars(score, args.bars), hint)
        result["changes"] = len(changes) > 1
        result["held_out"] = index % 2 == 1
        rows.append((key, result))
        print(f"{key:22s} {changes[0][1]:6.1f} BPM{' (changes)' if len(changes) > 1 else '          '} "
              f"F {result['f']:.3f}  tempo {result['tempo']:7.2f} vs {result['true_tempo']:7.2f} "
              f"({100 * result['tempo_error']:5.2f} %, local {100 * result['local_error']:5.2f} %)  "
              f"downbeats {result['downbeat_right']}/{result['downbeat_bars']}  "
              f"conf {result['confidence']:.2f}/{result['downbeat_confidence']:.2f}", flush=True)
    plain = []
    if not args.only:
        for index, name in enumerate(material.PLAIN_PIECES):
            changes = material.tempo_changes(len(keys) + index)
            midi = material.plain_midi(name, changes, args.bars)
            wav = folder / f"{name}.wav"
            if not wav.exists():
                material.render(midi, wav)
            result = evaluate(wav, midi, None, hint)
            plain.append((name, result))
            print(f"{name:22s} {changes[0][1]:6.1f} BPM{' (changes)' if len(changes) > 1 else '          '} "
                  f"F {result['f']:.3f}  tempo {result['tempo']:7.2f} vs {result['true_tempo']:7.2f} "
                  f"({100 * result['tempo_error']:5.2f} %, local {100 * result['local_error']:5.2f} %)  "
                  f"conf {result['confidence']:.2f}", flush=True)

    if rows:
        f = [r["f"] for _, r in rows]
        steady = [r for _, r in rows if not r["changes"]]
        changing = [r for _, r in rows if r["changes"]]
        bars_counted = sum(r["downbeat_bars"] for _, r in rows)
        bars_right = sum(r["downbeat_right"] for _, r in rows)
        print(f"\ndrum-led renders: {len(rows)} ({len(changing)} changing tempo); load {load()}")
        print(f"  beat F at ±70 ms: mean {np.mean(f):.3f}, median {np.median(f):.3f}, "
              f"{sum(x >= 0.95 for x in f)}/{len(f)} at ≥ 0.95 (target ≥ 0.95)")
        print(f"  tempo within 1 %: {sum(r['tempo_error'] <= 0.01 for r in steady)}/{len(steady)} steady, "
              f"{sum(r['tempo_error'] <= 0.01 for r in changing)}/{len(changing)} changing (median tempo); "
              f"local tempo within 1 % on {sum(r['local_error'] <= 0.01 for r in changing)}/{len(changing)} changing")
        print(f"  downbeats right on {bars_right}/{bars_counted} bars with a kick on one "
              f"({100 * bars_right / max(bars_counted, 1):.1f} %, target ≥ 90 %)")
        for name, held_out in (("even-numbered (tuned on)", False), ("odd-numbered (held out)", True)):
            half = [r for _, r in rows if r["held_out"] == held_out]
            if half:
                print(f"  {name} renders: beat F mean {np.mean([r['f'] for r in half]):.3f}, "
                      f"{sum(r['f'] >= 0.95 for r in half)}/{len(half)} at ≥ 0.95; downbeats right on "
                      f"{sum(r['downbeat_right'] for r in half)}/{sum(r['downbeat_bars'] for r in half)} bars")
        right = [r for _, r in rows if r["f"] >= 0.95]
        if right:
            counted = sum(r["downbeat_bars"] for r in right)
            print(f"  on the {len(right)} renders with F ≥ 0.95: downbeats right on "
                  f"{sum(r['downbeat_right'] for r in right)}/{counted} bars; local tempo error median "
                  f"{100 * np.median([r['local_error'] for r in right]):.2f} %, 90th percentile "
                  f"{100 * np.percentile([r['local_error'] for r in right], 90):.2f} %")
        audio = sum(r["audio_seconds"] for _, r in rows)
        spent = sum(r["seconds"] for _, r in rows)
        print(f"  analysis: {audio:.0f} s of audio in {spent:.1f} s")
    if plain:
        print("without drums: " + ", ".join(f"{name} F {r['f']:.3f} tempo {100 * r['tempo_error']:.2f} %" for name, r in plain))


if __name__ == "__main__":
    sys.exit(main())
