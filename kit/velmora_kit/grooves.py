"""Groove motions from any drum score: the catalogue's `beat_<score>_<motion>` patterns,
rendered at run time from the same code, for the built-in scores and for your own.

The scores and the motions are the generator's own (the native `velmora_kit._grooves`,
built from the generator's groove sources), so ``groove(score(k), m)`` is the catalogue's
``beat_<k>_<m>`` table bit for bit. A score comes from:

- the built-ins: `scores()`, `score("house_classic")`;
- a MIDI drum track: `velmora_kit.drums.score_from_midi`;
- the text notation (`score_from_text`; the README shows it);
- audio: `score_from_audio` (onsets in three bands on the file's beat grid).

A motion of a score comes in two shapes: a loop (`groove`, a `velmora.SampledPattern`
usable everywhere a pattern is) and a whole song (`GrooveSong`, a non-looping motion
source for `render`, `export` and `Player`).
"""

from __future__ import annotations

import functools
import math
import os
import re
from types import MappingProxyType
from typing import Any, Mapping, Sequence

import numpy as np
import numpy.typing as npt
import velmora

from velmora_kit.audio import ANALYSIS_RATE
from velmora_kit.drums import DRUM_LANES, DrumScore, Hit
from velmora_kit.render import FloatArray, render

__all__ = [
    "GrooveSong",
    "groove",
    "groove_table",
    "motions",
    "score",
    "score_from_audio",
    "score_from_text",
    "scores",
]

# A SampledPattern holds at most this many samples, one per pip.
MAX_LOOP_PIPS = 65_535

_Record = tuple[str, int, list[tuple[str, list[tuple[float, float]]]]]


def _native() -> Any:
    """The native groove module, imported on first use so that the rest of the package
    loads without it (a build that predates it)."""
    try:
        from velmora_kit import _grooves
    except ImportError as error:
        raise ImportError(f"velmora_kit._grooves is missing ({error}): reinstall velmora with pip install .") from None
    return _grooves


def _score_of(record: _Record) -> DrumScore:
    key, period, lanes = record
    held = {lane: tuple(Hit(pip, velocity) for pip, velocity in hits) for lane, hits in lanes}
    ordered = {lane: held[lane] for lane in DRUM_LANES if lane in held}
    return DrumScore(key, int(period), MappingProxyType(ordered))


def _record_of(drums: DrumScore) -> tuple[str, int, list[tuple[str, list[tuple[float, float]]]]]:
    return drums.key, drums.period, [(lane, [(float(h.pip), float(h.velocity)) for h in hits]) for lane, hits in drums.lanes.items()]


@functools.lru_cache(maxsize=1)
def _builtin() -> Mapping[str, DrumScore]:
    return MappingProxyType({record[0]: _score_of(record) for record in _native().scores()})


def motions() -> tuple[str, ...]:
    """The sixteen groove motions, in the catalogue's order.

    Examples
    --------
    >>> motions()[:3]
    ('bounce', 'step', 'orbit')
    """
    return tuple(_native().motions())


def scores() -> tuple[DrumScore, ...]:
    """The built-in drum scores of the catalogue's groove grid, in its order."""
    return tuple(_builtin().values())


def score(key: str) -> DrumScore:
    """The built-in drum score called `key` (as in ``beat_<key>_<motion>``).

    Raises
    ------
    ValueError
        No built-in score has that key.

    Examples
    --------
    >>> score("four_floor").lanes["kick"][1]
    Hit(pip=64.0, velocity=1.0)
    """
    found = _builtin().get(key) if isinstance(key, str) else None
    if found is None:
        raise ValueError(f"score must be a built-in score key such as 'house_classic', got {key!r}")
    return found


def score_from_text(text: str, key: str = "score") -> DrumScore:
    """A drum score written in the text notation (see the README's "Groove scores").

    One instruction a line: ``bars N`` (1 to 4, default 1); ``LANE: STEPS`` with one
    character per sixteenth (``X`` accent 1.0, ``x`` 0.8, ``o`` 0.55, ``g`` ghost 0.3,
    ``.`` rest; ``|`` and blanks are for the eye), 16 steps for the same bar in every bar
    or 16 × bars for the whole loop; ``LANE sixteenth=P eighth=P: STEPS`` plays the
    offbeats P pips late (swing); ``hit LANE PIP VELOCITY``; ``tuplet LANE START SPAN
    LETTERS``; ``#`` starts a comment.

    Raises
    ------
    ValueError
        Anything that is not a well-formed score, naming the line.

    Examples
    --------
    >>> drums = score_from_text("kick: X...X...X...X...\\nclap: ....X.......X...")
    >>> drums.period, len(drums.lanes["kick"]), drums.lanes["clap"][0]
    (256, 4, Hit(pip=64.0, velocity=1.0))
    """
    if not isinstance(text, str):
        raise TypeError(f"text must be a str, got {type(text).__name__}")
    if not isinstance(key, str):
        raise TypeError(f"key must be a str, got {type(key).__name__}")
    try:
        return _score_of(_native().parse_text(key, text))
    except ValueError as error:
        raise ValueError(f"score text: {error}") from None


def _check_motion(motion: object) -> str:
    if not isinstance(motion, str) or motion not in motions():
        raise ValueError(f"motion must be one of {', '.join(motions())}, got {motion!r}")
    return motion


def _check_score(drums: object) -> DrumScore:
    if isinstance(drums, str):
        return score(drums)
    if not isinstance(drums, DrumScore):
        raise TypeError(f"score must be a DrumScore or a built-in score key, got {type(drums).__name__}")
    return drums


def groove_table(drums: DrumScore | str, motion: str) -> FloatArray:
    """One loop of `motion` performed to `drums`, as the catalogue stores its tables.

    Returns
    -------
    numpy.ndarray
        ``(period, 3)`` float64: row p is the position at pip p of the loop.

    Raises
    ------
    ValueError
        An unknown motion, a score longer than 65,535 pips or with hits outside its loop.
    """
    drums = _check_score(drums)
    name = _check_motion(motion)
    if not 1 <= drums.period <= MAX_LOOP_PIPS:
        raise ValueError(f"a loop holds 1..{MAX_LOOP_PIPS} pips, got a score of {drums.period} (use GrooveSong)")
    key, period, lanes = _record_of(drums)
    table: FloatArray = _native().render(key, period, lanes, name)
    table.flags.writeable = False
    return table


def _pattern_name(text: str) -> str:
    name = re.sub(r"[^a-z0-9]+", "_", text.lower()).strip("_")
    if not name or not name[0].isalpha():
        name = "groove_" + name
    return name[:128]


def groove(drums: DrumScore | str, motion: str, *, name: str | None = None) -> velmora.SampledPattern:
    """A groove motion of a drum score as a loop: a `velmora.SampledPattern` of the
    score's period (whole bars), usable everywhere a pattern is.

    For a built-in score, its samples are the catalogue's ``beat_<key>_<motion>`` table
    exactly.

    Parameters
    ----------
    drums : DrumScore or str
        A score (`scores()`, `score_from_midi`, `score_from_text`, `score_from_audio`) or
        a built-in score's key.
    motion : str
        One of `motions()`.
    name : str, optional
        The pattern's name; by default ``groove_<key>_<motion>`` made a valid name.

    Examples
    --------
    >>> loop = groove("house_classic", "ricochet")
    >>> loop.period_pips, loop.name
    (512, 'groove_house_classic_ricochet')
    """
    drums = _check_score(drums)
    table = groove_table(drums, motion)
    pattern_name = _pattern_name(f"groove_{drums.key}_{motion}") if name is None else name
    description = f"The {motion} groove motion performed to the drum score {drums.key}."
    return velmora.SampledPattern(pattern_name, description, table.tolist())


# --- whole songs ---------------------------------------------------------------------------------

# Seams between loops of a song are blended over the half beat before them.
_SEAM_PIPS = 32


class GrooveSong:
    """A groove motion that follows every hit of a long drum score, once, without looping.

    The song is cut into consecutive loops of `loop_beats` beats; each loop is rendered as
    the groove grid renders its scores (so a song that repeats a built-in score plays its
    catalogue table loop after loop, exactly), and where two different loops meet, the
    earlier one is blended over the half beat before the seam into the later one's run-up,
    so the motion never jumps. Pip 0 is the score's start.

    Parameters
    ----------
    drums : DrumScore
        A score of any length (`score_from_midi` without `bars` reads a whole file).
    motion : str
        One of `motions()`.
    loop_beats : int, default 8
        Beats in each loop (8: two bars of four, as the built-in scores).
    outside : {"hold", "raise"}, default "hold"
        What a pip before the start or after the end gives: the first or last position
        held, or an IndexError.

    Examples
    --------
    >>> song = GrooveSong(score("house_classic"), "bounce")
    >>> bool((render(song, range(512)) == render(groove("house_classic", "bounce"), range(512))).all())
    True
    """

    __slots__ = ("_score", "_motion", "_loop_beats", "_outside", "_table")

    def __init__(self, drums: DrumScore, motion: str, *, loop_beats: int = 8, outside: str = "hold") -> None:
        if not isinstance(drums, DrumScore):
            raise TypeError(f"drums must be a DrumScore, got {type(drums).__name__}")
        if isinstance(loop_beats, bool) or not isinstance(loop_beats, int) or not 1 <= loop_beats <= MAX_LOOP_PIPS // 64:
            raise ValueError(f"loop_beats must be a whole number of beats in 1..{MAX_LOOP_PIPS // 64}, got {loop_beats!r}")
        if outside not in ("hold", "raise"):
            raise ValueError(f"outside must be 'hold' or 'raise', got {outside!r}")
        _check_song(drums)
        self._score = drums
        self._motion = _check_motion(motion)
        self._loop_beats = loop_beats
        self._outside = outside
        self._table = _song_table(drums, self._motion, 64 * loop_beats)
        self._table.flags.writeable = False

    @property
    def score(self) -> DrumScore:
        return self._score

    @property
    def motion(self) -> str:
        return self._motion

    @property
    def name(self) -> str:
        """A pattern-style name (an export names its node after it)."""
        return _pattern_name(f"groove_{self._score.key}_{self._motion}")

    @property
    def length_pips(self) -> int:
        """Pips from the start to the end of the score."""
        return int(self._table.shape[0])

    @property
    def table(self) -> FloatArray:
        """``(length_pips, 3)`` float64, read-only: the position at every pip of the song."""
        return self._table

    def __repr__(self) -> str:
        return f"GrooveSong({self._score.key!r}, {self._motion!r}, {self.length_pips} pips, loop_beats={self._loop_beats})"

    def render_pips(self, pips: npt.NDArray[Any], interpolation: str) -> npt.NDArray[np.float64]:
        last = self.length_pips - 1
        if self._outside == "raise":
            outside = (pips < 0) | (pips > last)
            if np.any(outside):
                bad = pips[outside].flat[0]
                raise IndexError(f"pip {bad} is outside the song {self.name} (pips 0..{last})")
        if interpolation == "step":
            held: FloatArray = self._table[np.clip(pips, 0, last)]
            return held
        floor = np.floor(pips)
        fraction = (pips - floor)[..., None]
        lower = np.clip(floor, 0, last).astype(np.int64)
        upper = np.clip(floor + 1, 0, last).astype(np.int64)
        blended: FloatArray = self._table[lower] * (1.0 - fraction) + self._table[upper] * fraction
        return blended


def _check_song(drums: DrumScore) -> None:
    """The song is cut into loops by searching its onsets: they must ascend within it."""
    if isinstance(drums.period, bool) or not isinstance(drums.period, int) or drums.period < 1:
        raise ValueError(f"a song lasts at least one pip, got a score of period {drums.period!r}")
    for lane, hits in drums.lanes.items():
        pips = np.array([float(h.pip) for h in hits], dtype=np.float64)
        if not (np.all(pips >= 0.0) and np.all(pips < drums.period)):
            raise ValueError(f"hits of {lane!r} must lie within the song's {drums.period} pips")
        if np.any(np.diff(pips) <= 0.0):
            raise ValueError(f"hits of {lane!r} must ascend, one per onset")


def _song_table(drums: DrumScore, motion: str, loop: int) -> FloatArray:
    """The song as consecutive loops of `loop` pips, seams blended (see GrooveSong)."""
    count = max(1, math.ceil(drums.period / loop))
    onsets = {lane: np.array([h.pip for h in hits]) for lane, hits in drums.lanes.items()}
    rendered: dict[tuple[Any, ...], FloatArray] = {}
    loops: list[FloatArray] = []
    for k in range(count):
        start = k * loop
        lanes = []
        for lane, hits in drums.lanes.items():
            first, stop = np.searchsorted(onsets[lane], [start, start + loop])
            if stop > first:
                lanes.append((lane, [(float(h.pip) - start, float(h.velocity)) for h in hits[first:stop]]))
        signature = tuple((lane, tuple(hits)) for lane, hits in lanes)
        if signature not in rendered:
            rendered[signature] = _native().render(drums.key, loop, lanes, motion)
        loops.append(rendered[signature])
    ramp = (1.0 - np.cos(np.pi * (np.arange(1, _SEAM_PIPS + 1) / (_SEAM_PIPS + 1)))) / 2.0
    song = np.concatenate(loops)
    for k in range(1, count):
        if loops[k] is loops[k - 1]:
            continue  # the same loop again: it already closes onto itself
        seam = k * loop
        ahead = loops[k][loop - _SEAM_PIPS :]  # the next loop's own run-up to its start
        song[seam - _SEAM_PIPS : seam] = song[seam - _SEAM_PIPS : seam] * (1.0 - ramp[:, None]) + ahead * ramp[:, None]
    whole: FloatArray = np.ascontiguousarray(song[: drums.period])
    return whole


# --- scores from audio ---------------------------------------------------------------------------

# The three bands read for drums, in Hz: kick body, snare/clap body and crack, hats' sizzle.
AUDIO_BANDS: Mapping[str, tuple[float, float]] = MappingProxyType(
    {"kick": (30.0, 150.0), "snare": (500.0, 2_500.0), "closed_hat": (6_000.0, 11_000.0)}
)
_AUDIO_RATE = ANALYSIS_RATE
_AUDIO_HOP = 64  # 2.9 ms: a pip at 120 BPM is 7.8 ms
_AUDIO_FFT = 512
_FLUX_BLOCK = 1 << 16  # frames of the spectrum at a time (3 minutes)
# Where in its frame the flux of a sudden attack peaks, in samples from the frame's start
# (measured on a unit impulse: see tests/python/test_grooves.py).
_AUDIO_LAG = 452
# Peaks of two bands this close (in frames, 8.7 ms) are one hit heard in both.
_SAME_HIT_FRAMES = 3
_SPILL_MARGIN = 1.5
# How far back (in frames, 23 ms) a peak's rise is looked for.
_RISE_FRAMES = 8
# The share a drum spills is read where it plays alone: the quieter end of its hits
# (a quarter of them may be doubled by another drum without moving it).
_SPILL_QUANTILE = 0.25
# Whose hits spill into a band: the kick's attack reaches everything above it. Hats are
# not discounted from the snare's band: a clap sounds in both, and would be lost.
_SPILLS_INTO: Mapping[str, tuple[str, ...]] = MappingProxyType(
    {"kick": (), "snare": ("kick",), "closed_hat": ("kick",)}
)
# Peaks below this share of the band's loudest are the ring of a drum, not a hit; the
# snare's floor is lower, for its ghost notes.
_PEAK_FLOORS: Mapping[str, float] = MappingProxyType({"kick": 0.25, "snare": 0.12, "closed_hat": 0.15})


def score_from_audio(
    source: str | os.PathLike[str] | npt.ArrayLike,
    sr: float | None = None,
    *,
    tempo: Any = None,
    bars: tuple[int, int] | None = None,
    beats_per_bar: int = 4,
    key: str | None = None,
) -> DrumScore:
    """A drum score heard in a recording: onsets in three bands become kick, snare and
    closed-hat hits on the recording's beat grid.

    How: the spectrum (hop 2.9 ms at 22,050 Hz) is split into the bands of
    `AUDIO_BANDS`; each band's positive spectral flux (log magnitude) is peak-picked; a
    peak becomes a hit at its time mapped to pips through the tempo map (pip 0 on the
    first downbeat), with velocity its flux over the band's loudest flux. A snare or hat
    peak that only echoes a kick (weaker than the kick's own spill into that band) is
    dropped. Good for drum-led material; a full mix gives a rough score.

    Parameters
    ----------
    source : path or array
        An audio file, or samples with `sr` (as `beat_grid`).
    sr : float, optional
    tempo : TempoMap or BeatGrid, optional
        The grid to place the hits on; by default `beat_grid` of the audio.
    bars : (first, count), optional
        The loop: `count` bars from bar `first`; by default every whole bar heard.
    beats_per_bar : int, default 4
    key : str, optional
        The score's name; by default the file's stem.

    Raises
    ------
    ValueError
        As `beat_grid`, and no drum onset in the bars read.
    ImportError
        librosa or soundfile missing: ``pip install 'velmora[audio]'``.
    """
    from velmora_kit.audio import BeatGrid, _analysis_samples, _need_audio_extra, beat_grid
    from velmora_kit.tempo import TempoMap

    try:
        import librosa
    except ImportError as error:
        raise _need_audio_extra(error) from None
    if tempo is None:
        grid = beat_grid(source, sr, beats_per_bar=beats_per_bar)
        tempo_map = grid.tempo_map()
    elif isinstance(tempo, BeatGrid):
        tempo_map = tempo.tempo_map()
    elif isinstance(tempo, TempoMap):
        tempo_map = tempo
    else:
        raise TypeError(f"tempo must be a TempoMap or a BeatGrid, got {type(tempo).__name__}")
    samples, _ = _analysis_samples(source, sr)  # mono at the analysis rate, a file read a block at a time
    hits: dict[str, dict[float, float]] = {}
    for lane, (seconds, velocities) in _band_onsets(librosa, samples).items():
        pips = np.asarray(tempo_map.pip_position(seconds), dtype=np.float64)
        hits[lane] = dict(zip(np.round(pips, 3).tolist(), velocities.tolist()))
    bar = 64 * beats_per_bar
    last = max((max(h) for h in hits.values() if h), default=0.0)
    if bars is not None and not (
        isinstance(bars, tuple) and len(bars) == 2 and all(isinstance(b, int) and not isinstance(b, bool) for b in bars)
    ):
        raise TypeError(f"bars must be (first, count) whole numbers, got {bars!r}")
    first, count = (0, max(1, math.floor(max(last, 0.0) / bar) + 1)) if bars is None else bars
    if first < 0 or count < 1:
        raise ValueError(f"bars must start at bar 0 or later and hold at least one bar, got {bars!r}")
    start, period = first * bar, count * bar
    lanes: dict[str, tuple[Hit, ...]] = {}
    for lane in DRUM_LANES:
        kept = sorted((pip - start, v) for pip, v in hits.get(lane, {}).items() if start <= pip < start + period)
        if kept:
            lanes[lane] = tuple(Hit(pip, v) for pip, v in kept)
    if not lanes:
        raise ValueError("no drum onset heard in the bars read")
    if key is None:
        key = os.path.splitext(os.path.basename(os.fspath(source)))[0] if isinstance(source, (str, os.PathLike)) else "audio"
    return DrumScore(key, period, MappingProxyType(lanes))


def _band_onsets(librosa: Any, samples: npt.NDArray[np.float32]) -> dict[str, tuple[FloatArray, FloatArray]]:
    """(onset seconds, velocities) of each band of `AUDIO_BANDS` in mono samples at 22,050 Hz."""
    flux = _band_flux(librosa, samples)
    peaks = {lane: _peaks(strength, _PEAK_FLOORS[lane]) for lane, strength in flux.items()}
    found: dict[str, tuple[FloatArray, FloatArray]] = {}
    for lane, strength in flux.items():
        frames = peaks[lane]
        for other in _SPILLS_INTO[lane]:
            loud, sources = flux[other], peaks[other]
            if not (sources.size and frames.size):
                continue
            # A drum spills into other bands at about the same share every time: a peak on
            # another band's hit counts only when it stands well above that share.
            together = _distance_to_nearest(frames, sources) <= _SAME_HIT_FRAMES
            spill = float(np.quantile(strength[sources] / np.maximum(loud[sources], 1e-9), _SPILL_QUANTILE))
            frames = frames[~together | (strength[frames] > _SPILL_MARGIN * spill * loud[frames])]
        top = float(strength[frames].max()) if frames.size else 1.0
        seconds = (_rise_of(strength, frames) * _AUDIO_HOP + _AUDIO_LAG - _AUDIO_FFT) / _AUDIO_RATE
        found[lane] = (seconds.astype(np.float64), np.clip(strength[frames] / top, 0.05, 1.0))
    return found


def _band_flux(librosa: Any, samples: npt.NDArray[np.float32]) -> dict[str, FloatArray]:
    """Each band's spectral flux, one value per hop: computed _FLUX_BLOCK frames at a time,
    each frame as in one call, so that an hour's spectrum (2.5 GB at these hops) is never
    held whole."""
    # Silence ahead, so that a hit on the very first sample still rises out of nothing.
    padded = np.concatenate([np.zeros(_AUDIO_FFT, dtype=np.float32), samples])
    hz = librosa.fft_frequencies(sr=_AUDIO_RATE, n_fft=_AUDIO_FFT)
    rows = {lane: (hz >= low) & (hz < high) for lane, (low, high) in AUDIO_BANDS.items()}
    frames = 1 + (padded.size - _AUDIO_FFT) // _AUDIO_HOP if padded.size >= _AUDIO_FFT else 0
    parts: dict[str, list[FloatArray]] = {lane: [] for lane in rows}
    before: dict[str, FloatArray] = {}
    for first in range(0, frames, _FLUX_BLOCK):
        count = min(_FLUX_BLOCK, frames - first)
        piece = padded[first * _AUDIO_HOP : (first + count - 1) * _AUDIO_HOP + _AUDIO_FFT]
        spectrum = np.abs(librosa.stft(piece, n_fft=_AUDIO_FFT, hop_length=_AUDIO_HOP, center=False))
        for lane, wanted in rows.items():
            # Square-rooted magnitudes, not logarithms: a band's flux then weighs what really
            # sounds there (a kick's faint spill into the upper bands stays small beside a
            # clap's), while a ghost note still stands out of its band.
            band = np.sqrt(spectrum[wanted])
            previous = before.get(lane, band[:, :1])
            parts[lane].append(np.maximum(np.diff(band, axis=1, prepend=previous), 0.0).sum(axis=0))
            before[lane] = band[:, -1:]
    return {lane: np.concatenate(found) if found else np.zeros(0) for lane, found in parts.items()}


def _distance_to_nearest(frames: npt.NDArray[np.intp], sources: npt.NDArray[np.intp]) -> npt.NDArray[np.intp]:
    """For each frame, how far the nearest of the ascending `sources` lies (not a table of
    every pair: an hour holds tens of thousands of hits a band)."""
    at = np.searchsorted(sources, frames)
    left = sources[np.clip(at - 1, 0, sources.size - 1)]
    right = sources[np.clip(at, 0, sources.size - 1)]
    nearest: npt.NDArray[np.intp] = np.minimum(np.abs(frames - left), np.abs(frames - right))
    return nearest


def _rise_of(strength: FloatArray, frames: npt.NDArray[np.intp]) -> npt.NDArray[np.intp]:
    """The frame where each peak's flux first reached half its height: a drum whose body
    builds over milliseconds (a kick) peaks late, but starts to rise when it is struck."""
    rises = frames.copy()
    for k, frame in enumerate(frames):
        half = 0.5 * strength[frame]
        start = frame
        while start > 0 and frame - start < _RISE_FRAMES and strength[start - 1] >= half:
            start -= 1
        rises[k] = start
    return rises


def _peaks(strength: FloatArray, floor_share: float) -> npt.NDArray[np.intp]:
    """Frames of the onsets in one band's flux: local maxima over ±25 ms standing above
    the band's running level and `floor_share` of its loudest peak."""
    if strength.size < 3 or float(strength.max()) <= 0.0:
        return np.zeros(0, dtype=np.intp)
    window = max(1, round(0.025 * _AUDIO_RATE / _AUDIO_HOP))
    padded = np.pad(strength, window, mode="constant")
    local = np.lib.stride_tricks.sliding_window_view(padded, 2 * window + 1).max(axis=1)
    running = np.convolve(strength, np.ones(8 * window + 1) / (8 * window + 1), mode="same")
    floor = floor_share * float(strength.max())
    frames = np.flatnonzero((strength == local) & (strength > floor) & (strength > 1.5 * running))
    return frames.astype(np.intp)

