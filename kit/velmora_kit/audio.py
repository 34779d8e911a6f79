"""Audio in: the beat grid of a recording, for following a song that has no MIDI file.

`beat_grid` reads a file (or takes samples), finds the beats, the tempo and the bars, and
returns a `BeatGrid`; `BeatGrid.tempo_map()` turns it into a `TempoMap` whose beats fall on
the beats heard, with pip 0 on the first downbeat.

Reading. Files are read with soundfile (libsndfile): WAV, FLAC, OGG/Vorbis and, with the
libsndfile that the soundfile wheel carries (1.1 or later), MP3. Several channels are mixed
down to mono by their mean. The analysis runs at 22,050 Hz: any other rate is resampled
with soxr's high-quality filter first (the beats sit where they are in time, so the rate
of the input changes nothing but the cost). A file is read, mixed down and resampled a
block at a time, and the spectrum and the tempogram are computed in blocks, each the same
as in one call: an hour of a set costs about four times its samples at the analysis rate.

Beats. The onset strength (rise of a log-power mel spectrogram, 512-sample hops: 23.2 ms),
with that of the drums' percussive part (median-filter separation) below 80 Hz, 400 Hz to
1 kHz and 1 to 2 kHz added (where kicks and snares, not bass notes, decide), is tracked by
librosa's dynamic-programming beat tracker at several candidate tempi: the four strongest
periodicities of the whole file and their half, double, 2:3, 3:2, 4:3, 3:4, 1:3, 3 and 4
times, within 60 to 200 BPM (or within 0.2 octave of `bpm_hint`, and the hint itself). At
each candidate the tracker follows the local tempo (the strongest periodicity near the
candidate in 6 s windows, median over 6 s), so steps and ramps of the tempo are followed.
A track moves by half a beat when the drums' bands hit more half a beat later (hats,
snares or bass notes off the beat pull trackers there). The metrical level is the track
with the most evidence for being the beat, a weighted sum (LEVEL_WEIGHTS): a gentle pull
towards 120 BPM, a backbeat (the snare band alternating from beat to beat), onsets on the
beats rather than between, the whole file's periodicity at the beat, overall and in
the kick band, and the bar accent: how much the low band's strongest place of the bar
(`beats_per_bar` beats) outweighs its places on average, which a grid at 2:3 or double
the beat spreads over every place. (A backbeat is the snare band alternating more than all onsets do, so that a
grid landing on and off plain clicks in turn does not count as one.) The weights were fitted on half of the benchmark's renders and checked on
the other half (bench/bench_audio_beats.py reports both).
The tracker drops beats that look weak at either end; a beat at the first (last) spacing
before (after) them is put back while the music has started (not ended) and an onset half
as strong as the median beat marks it. Each beat is placed between frames at the vertex of a parabola through its onset's peak
frame and the two beside it. The onset strength peaks a little after a sound starts: beats
are moved 22 ms earlier, the lag measured on clicks at exact times (after it, clicks at
73 to 161 BPM are found within 3.2 ms, standard deviation, of their times, with no bias;
faster plain clicks may be taken at half their tempo, which `bpm_hint` settles).
The analysis sees a quarter of a second of silence before the first sample, so that a sound
at 0 s is an onset too. `tempo` is the median tempo over spans of 16 beats.

Bars. With `beats_per_bar` beats a bar (4 unless given), the downbeat is the beat phase
whose beats carry the most low-band onset energy (below 150 Hz, where kicks and bass sit,
over whole bars only): the beat on which a drummer's kick falls. When several phases score
within 25 % of the best (a kick on every beat, or on 1 and 3, clicks, no drums), the one
of them whose bars, counted back at the beats' spacing, start nearest to where the music
starts (the first sample above a tenth of the loudest) is taken: recordings usually begin
on a bar line. `downbeat_confidence` says how clear the choice was; give `first_downbeat`
(seconds: a bar line anywhere in the recording, before the music too) to decide it yourself:
bars are counted from it at the beats' spacing, and when it lies nearer the point half-way
between two beats than a beat, the beats move there by half a beat (the beat of a syncopated
groove can lie between its loudest hits, which the listener knows and the onsets do not say).

Needs the `audio` extra: ``pip install 'velmora[audio]'`` (librosa 0.11 and soundfile);
nothing is downloaded at run time.
"""

from __future__ import annotations

import math
import numbers
import os
from collections.abc import Iterator
from contextlib import contextmanager
from typing import Any

import numpy as np
import numpy.typing as npt

from velmora_kit._checks import check_finite
from velmora_kit.tempo import TempoMap

__all__ = ["ANALYSIS_RATE", "BeatGrid", "beat_grid", "click_track", "read_audio"]

ANALYSIS_RATE = 22_050
HOP = 512
N_FFT = 2048
# Audio is read READ_BLOCK frames at a time, its spectrum computed MEL_BLOCK_FRAMES analysis
# frames (about 6 minutes) at a time and its tempogram TEMPOGRAM_BLOCK frames at a time.
READ_BLOCK = 1 << 18
MEL_BLOCK_FRAMES = 1 << 14
TEMPOGRAM_BLOCK = 1 << 13
# Mel bands of the analysis; the band edges below select the kick and snare bands among them.
MEL_BANDS = 128
LOW_BAND_HZ = 150.0
MID_BAND_HZ = 2_000.0  # kick, snare and bass lie below; hats above
# The tempo the metrical level leans towards (see _metrical_evidence).
PRIOR_BPM = 120.0
# Candidate tempi: the strongest periodicities of the whole file (within PEAK_BPM_RANGE) and
# their metrical relatives within CANDIDATE_BPM_RANGE, or within HINT_OCTAVES of a hint.
PEAK_BPM_RANGE = (30.0, 300.0)
CANDIDATE_BPM_RANGE = (60.0, 200.0)
CANDIDATE_PEAKS = 4
METRICAL_RATIOS = (1.0, 1 / 2, 2.0, 2 / 3, 3 / 2, 4 / 3, 3 / 4, 1 / 3, 3.0, 4.0, 1 / 4)
HINT_OCTAVES = 0.2
SAME_TEMPO = 0.03  # candidates closer than this (natural log of their ratio) are one
# Following the tempo: a tempogram over windows of LOCAL_TEMPO_SECONDS, searched within
# LOCAL_TEMPO_OCTAVES of a candidate (a log-normal weight LOCAL_PRIOR_OCTAVES wide around
# it), smoothed over LOCAL_SMOOTH_SECONDS; TIGHTNESS is how strictly librosa's tracker
# keeps the beats at that spacing.
LOCAL_TEMPO_SECONDS = 6.0
LOCAL_TEMPO_OCTAVES = 0.2
LOCAL_PRIOR_OCTAVES = 0.2
LOCAL_SMOOTH_SECONDS = 6.0
TIGHTNESS = 100.0
MIN_TRACKED_BEATS = 3  # the evidence needs beats on both sides of one
# How much each piece of evidence counts in choosing the metrical level (_metrical_evidence):
# fitted (a softmax over each render's candidates) on the even-numbered renders of
# bench/bench_audio_beats.py and checked on the odd-numbered ones, held out.
LEVEL_WEIGHTS = {
    "tempo_prior": 2.76,
    "backbeat": 6.26,
    "onsets_on_beats": 2.78,
    "periodicity": 0.30,
    "low_periodicity": 4.90,
    "bar_accent": 3.19,
}
EPSILON = 1e-9
# Frames by mel bands of the median filters that part the percussive from the harmonic.
PERCUSSIVE_KERNEL = (17, 17)
# Where the drums, not the bass, decide whether the beats are on or off the beat (in the
# percussive part): the kick's sub below 80 Hz and the snare or clap above the bass notes'
# strongest harmonics; each band's lean on or off the beat counts the same.
DRUM_BANDS_HZ = ((0.0, 80.0), (400.0, 1_000.0), (1_000.0, 2_000.0))
# How much later than a sound's start its onset strength peaks (clicks at exact times).
ONSET_LAG_SECONDS = 0.022
# Samples at or above this share of the loudest mark where the music starts.
MUSIC_START = 0.1
# A beat the tracker left out at either end is put back where an onset this share of the
# median beat's strength marks it.
EDGE_BEAT_SHARE = 0.5
# Silence put before the samples (in hops), so that a sound at the very start rises too.
LEAD_IN_HOPS = 11
# Phases of the bar within this share of the best one are a tie, which the music's start settles.
DOWNBEAT_TIE = 0.25
# Beats over which the tempo is measured (see BeatGrid.tempo).
TEMPO_SPAN = 16
# The click track: the music at this share of full scale, and clicks (beats, downbeats).
CLICK_MUSIC_LEVEL = 0.5
CLICK_LEVEL = 0.45
CLICK_SECONDS = 0.03
CLICK_HZ = (1_000.0, 2_000.0)
# Shorter audio holds too few beats to say anything.
MIN_SECONDS = 2.0

FloatArray = npt.NDArray[np.float64]


def _need_audio_extra(error: ImportError) -> ImportError:
    missing = error.name or "librosa"
    return ImportError(f"audio analysis needs {missing}: pip install 'velmora[audio]'")


def _frozen(values: npt.ArrayLike) -> FloatArray:
    array = np.array(values, dtype=np.float64)
    array.flags.writeable = False
    return array


class BeatGrid:
    """The beats, tempo and bars found in a recording (immutable).

    Attributes
    ----------
    beats : numpy.ndarray
        Beat times in seconds, ascending, (n,) float64, read-only.
    tempo : float
        In BPM: 60 × m over the median time that m consecutive beat intervals span, with
        m = 16 (or fewer, with fewer beats); 0.0 when fewer than two beats were found.
    beats_per_bar : int
    first_downbeat_index : int
        The index in `beats` of the first beat that starts a bar (below `beats_per_bar`).
    downbeats : numpy.ndarray
        The beats that start bars: ``beats[first_downbeat_index::beats_per_bar]``.
    confidence : float
        In [0, 1]: how much stronger the onsets are on the beats than on average
        (1 − mean strength / mean strength at the beats, clipped at 0).
    downbeat_confidence : float
        In [0, 1]: how far the chosen bar phase led the next one, relative to its own
        strength (0 for a tie, and 1 when the caller gave the first downbeat).
    duration : float
        The recording's length in seconds.

    Examples
    --------
    >>> grid = BeatGrid([0.5, 1.0, 1.5, 2.0, 2.5], beats_per_bar=4, first_downbeat_index=1)
    >>> grid.tempo, grid.downbeats.tolist()
    (120.0, [1.0])
    """

    __slots__ = ("_beats", "_beats_per_bar", "_first", "_confidence", "_downbeat_confidence", "_duration")
    _beats: FloatArray
    _beats_per_bar: int
    _first: int
    _confidence: float
    _downbeat_confidence: float
    _duration: float

    def __init__(
        self,
        beats: npt.ArrayLike,
        *,
        beats_per_bar: int = 4,
        first_downbeat_index: int = 0,
        confidence: float = 0.0,
        downbeat_confidence: float = 0.0,
        duration: float | None = None,
    ) -> None:
        times = _check_times("beats", beats, minimum=0)
        bar = _check_beats_per_bar(beats_per_bar)
        if isinstance(first_downbeat_index, bool) or not isinstance(first_downbeat_index, numbers.Integral):
            raise TypeError(f"first_downbeat_index must be a whole number, got {first_downbeat_index!r}")
        if not 0 <= int(first_downbeat_index) < bar:
            raise ValueError(f"first_downbeat_index must be in 0..{bar - 1}, got {first_downbeat_index!r}")
        for name, value in (("confidence", confidence), ("downbeat_confidence", downbeat_confidence)):
            if not 0.0 <= check_finite(name, value) <= 1.0:
                raise ValueError(f"{name} must be within 0 to 1, got {value!r}")
        length = float(times[-1]) if duration is None and times.size else 0.0 if duration is None else duration
        if check_finite("duration", length) < 0.0:
            raise ValueError(f"duration must not be negative, got {duration!r}")
        self._beats = times
        self._beats_per_bar = bar
        self._first = int(first_downbeat_index)
        self._confidence = float(confidence)
        self._downbeat_confidence = float(downbeat_confidence)
        self._duration = float(length)

    @property
    def beats(self) -> FloatArray:
        return self._beats

    @property
    def tempo(self) -> float:
        if self._beats.size < 2:
            return 0.0
        # Beats lie on analysis frames (23 ms apart), so one interval can be 7 % off at
        # 180 BPM; a span of up to 16 beats divides that error by the beats it holds.
        span = min(TEMPO_SPAN, self._beats.size - 1)
        return 60.0 * span / float(np.median(self._beats[span:] - self._beats[:-span]))

    @property
    def beats_per_bar(self) -> int:
        return self._beats_per_bar

    @property
    def first_downbeat_index(self) -> int:
        return self._first

    @property
    def downbeats(self) -> FloatArray:
        return self._beats[self._first :: self._beats_per_bar]

    @property
    def confidence(self) -> float:
        return self._confidence

    @property
    def downbeat_confidence(self) -> float:
        return self._downbeat_confidence

    @property
    def duration(self) -> float:
        return self._duration

    def tempo_map(self) -> TempoMap:
        """The tempo map through these beats: beat k after the first downbeat is at
        ``beats[first_downbeat_index + k]``, pip 0 on the first downbeat (see
        `TempoMap.from_beats`). Needs at least two beats."""
        if self._beats.size < 2:
            raise ValueError(f"a tempo map needs at least two beats; this grid has {self._beats.size}")
        return TempoMap.from_beats(
            self._beats, beats_per_bar=self._beats_per_bar, first_downbeat=float(self._beats[self._first])
        )

    def as_dict(self) -> dict[str, Any]:
        """Plain values for JSON: tempo, beats_per_bar, confidences, duration, beats, downbeats."""
        return {
            "tempo": self.tempo,
            "beats_per_bar": self._beats_per_bar,
            "confidence": self._confidence,
            "downbeat_confidence": self._downbeat_confidence,
            "duration": self._duration,
            "beats": self._beats.tolist(),
            "downbeats": self.downbeats.tolist(),
        }

    def __repr__(self) -> str:
        return (
            f"BeatGrid({self._beats.size} beats, tempo={self.tempo:.2f}, beats_per_bar={self._beats_per_bar}, "
            f"first_downbeat_index={self._first}, confidence={self._confidence:.2f})"
        )


def _check_times(name: str, values: object, minimum: int) -> FloatArray:
    if isinstance(values, (str, bytes, bytearray)) or values is None:
        raise TypeError(f"{name} must be an array of times in seconds, got {type(values).__name__}")
    try:
        array = np.asarray(values if isinstance(values, (np.ndarray, list, tuple)) else list(values))  # type: ignore[call-overload]
    except (TypeError, ValueError):
        raise TypeError(f"{name} must be an array of times in seconds, got {type(values).__name__}") from None
    if array.ndim != 1 or (array.size and array.dtype.kind not in "iuf"):
        raise TypeError(f"{name} must be a flat array of times in seconds, got shape {array.shape} of {array.dtype}")
    times = array.astype(np.float64)
    if times.size < minimum:
        raise ValueError(f"{name} must hold at least {minimum} times, got {times.size}")
    if not np.isfinite(times).all():
        raise ValueError(f"{name} must be finite, got {float(times[~np.isfinite(times)][0])}")
    steps = np.diff(times)
    if (steps <= 0.0).any():
        k = int(np.argmax(steps <= 0.0))
        raise ValueError(f"{name} must ascend strictly: {times[k + 1]!r} at index {k + 1} follows {times[k]!r}")
    times.flags.writeable = False
    return times


def _check_beats_per_bar(value: object) -> int:
    if isinstance(value, bool) or not isinstance(value, numbers.Integral):
        raise TypeError(f"beats_per_bar must be a whole number, got {value!r}")
    if not 1 <= int(value) <= 64:
        raise ValueError(f"beats_per_bar must be in 1..64, got {value!r}")
    return int(value)


def read_audio(source: str | os.PathLike[str]) -> tuple[npt.NDArray[np.float32], int]:
    """The samples of an audio file, mixed down to mono (mean of the channels).

    Parameters
    ----------
    source : str or os.PathLike
        A file libsndfile reads: WAV, FLAC, OGG/Vorbis, MP3 and others.

    Returns
    -------
    (numpy.ndarray, int)
        (n,) float32 samples in [-1, 1] and the file's sample rate.

    Raises
    ------
    ValueError
        A file that cannot be read as audio (naming the file and libsndfile's reason).
    OSError
        A file that is missing or cannot be opened.
    ImportError
        soundfile missing: ``pip install 'velmora[audio]'``.
    """
    if not isinstance(source, (str, os.PathLike)):
        raise TypeError(f"source must be a path or an array of samples, got {type(source).__name__}")
    blocks: list[npt.NDArray[np.float32]] = []
    with _mono_blocks(os.fspath(source)) as (rate, mono_blocks):
        blocks.extend(mono_blocks)
    return (np.concatenate(blocks) if blocks else np.zeros(0, np.float32)), rate


@contextmanager
def _mono_blocks(path: str) -> Iterator[tuple[int, Iterator[npt.NDArray[np.float32]]]]:
    """An audio file's sample rate and its samples READ_BLOCK frames at a time, each block
    mixed down to mono (the mean of its channels): a two-hour stereo set is never held
    whole at its own rate. libsndfile's errors become one ValueError naming the file."""
    try:
        import soundfile  # type: ignore[import-untyped]
    except ImportError as error:
        raise _need_audio_extra(error) from None
    if not os.path.isfile(path):
        raise FileNotFoundError(f"audio file not found: {path!r}")
    try:
        with soundfile.SoundFile(path) as audio:
            blocks = audio.blocks(blocksize=READ_BLOCK, dtype="float32", always_2d=True)
            yield int(audio.samplerate), (block.mean(axis=1, dtype=np.float32) for block in blocks)
    except (soundfile.LibsndfileError, RuntimeError, TypeError) as error:
        detail = str(error).strip().splitlines()[0] if str(error).strip() else type(error).__name__
        raise ValueError(f"cannot read audio file {path!r}: {detail}") from None


def _analysis_samples(source: object, sr: object) -> tuple[npt.NDArray[np.float32], float]:
    """The samples at ANALYSIS_RATE and the audio's duration in seconds. A file is read,
    mixed down and resampled a block at a time (soxr's stream gives the same samples as one
    call), so an hour costs its analysis-rate samples, not its samples at 44.1 kHz."""
    if not isinstance(source, (str, os.PathLike)):
        samples, rate = _samples_of(source, sr)
        resampled = samples if rate == ANALYSIS_RATE else _resampled(samples, rate)
        return resampled, samples.size / rate
    _no_rate_for_a_file(sr)
    import soxr  # type: ignore[import-untyped]

    pieces: list[npt.NDArray[np.float32]] = []
    read = 0
    with _mono_blocks(os.fspath(source)) as (rate, blocks):
        stream = None if rate == ANALYSIS_RATE else soxr.ResampleStream(rate, ANALYSIS_RATE, 1, dtype="float32", quality="HQ")
        for block in blocks:
            read += block.size
            pieces.append(block if stream is None else stream.resample_chunk(block))
        if stream is not None:
            pieces.append(stream.resample_chunk(np.zeros(0, np.float32), last=True))
    samples = np.concatenate(pieces) if pieces else np.zeros(0, np.float32)
    del pieces
    if stream is not None:  # librosa's length: ceil(n × ratio), cut or padded with zeros
        wanted = math.ceil(read * ANALYSIS_RATE / rate)
        samples = samples[:wanted] if samples.size >= wanted else np.pad(samples, (0, wanted - samples.size))
    return samples, read / rate


def _resampled(samples: npt.NDArray[np.float32], rate: int) -> npt.NDArray[np.float32]:
    import librosa

    resampled: npt.NDArray[np.float32] = librosa.resample(samples, orig_sr=rate, target_sr=ANALYSIS_RATE, res_type="soxr_hq")
    return resampled


def click_track(grid: BeatGrid, samples: npt.ArrayLike, sr: float) -> npt.NDArray[np.float32]:
    """The recording with a click on every beat of `grid`, a higher one on each downbeat:
    listen to it to hear whether the beats and bars are right (and if not, give `bpm_hint`
    or `first_downbeat`).

    Parameters
    ----------
    grid : BeatGrid
        Found in these samples.
    samples : array
        (n,) mono or (n, channels) samples of the recording, any real dtype, in [-1, 1].
    sr : float
        Their sample rate, 1,000 to 768,000 Hz.

    Returns
    -------
    numpy.ndarray
        (n,) float32 mono: the music scaled to half its peak, and clicks (a 30 ms tone at
        1 kHz on beats and 2 kHz on downbeats, at 0.45) added; within [-1, 1].
    """
    if not isinstance(grid, BeatGrid):
        raise TypeError(f"grid must be a BeatGrid, got {type(grid).__name__}")
    mono, rate = _samples_of(samples, sr)
    peak = float(np.max(np.abs(mono), initial=0.0))
    mixed = (mono * (CLICK_MUSIC_LEVEL / peak) if peak > 0.0 else mono).astype(np.float32)
    t = np.arange(int(CLICK_SECONDS * rate)) / rate
    fade = np.exp(-t / (CLICK_SECONDS / 4))
    downbeats = set(range(grid.first_downbeat_index, grid.beats.size, grid.beats_per_bar))
    for index, second in enumerate(grid.beats):
        tone = CLICK_LEVEL * fade * np.sin(2 * np.pi * CLICK_HZ[index in downbeats] * t)
        start = int(round(second * rate))
        end = min(mixed.size, start + tone.size)
        if 0 <= start < end:
            mixed[start:end] += tone[: end - start].astype(np.float32)
    clipped: npt.NDArray[np.float32] = np.clip(mixed, -1.0, 1.0)
    return clipped


def _no_rate_for_a_file(sr: object) -> None:
    if sr is not None:
        raise ValueError(f"sr is the sample rate of an array of samples; a file gives its own, got sr={sr!r}")


def _samples_of(source: object, sr: object) -> tuple[npt.NDArray[np.float32], int]:
    if isinstance(source, (str, os.PathLike)):
        _no_rate_for_a_file(sr)
        return read_audio(source)
    if sr is None:
        raise ValueError("sr (the sample rate) is required with an array of samples")
    if isinstance(sr, bool) or not isinstance(sr, numbers.Real) or not math.isfinite(float(sr)) or not 1_000 <= float(sr) <= 768_000:
        raise ValueError(f"sr must be a sample rate in 1000..768000 Hz, got {sr!r}")
    try:
        array = np.asarray(source)
    except (TypeError, ValueError):
        raise TypeError(f"source must be a path or an array of samples, got {type(source).__name__}") from None
    if array.dtype.kind not in "iuf" or array.ndim not in (1, 2) or array.size == 0:
        raise TypeError(
            f"samples must be a non-empty (n,) or (n, channels) array of numbers, got shape {array.shape} of {array.dtype}"
        )
    floats = array.astype(np.float32)
    if not np.isfinite(floats).all():
        raise ValueError("samples must be finite, got NaN or infinity")
    mono = floats if floats.ndim == 1 else floats.mean(axis=1, dtype=np.float32)
    return np.ascontiguousarray(mono), int(round(float(sr)))


def beat_grid(
    source: str | os.PathLike[str] | npt.ArrayLike,
    sr: float | None = None,
    *,
    beats_per_bar: int = 4,
    first_downbeat: float | None = None,
    bpm_hint: float | None = None,
) -> BeatGrid:
    """The beats, tempo and bars of a recording (see the module's docstring for how).

    Parameters
    ----------
    source : path or array
        An audio file, or samples: (n,) mono or (n, channels), any real dtype, in [-1, 1].
    sr : float, optional
        The sample rate of an array of samples (required then); a file gives its own.
    beats_per_bar : int, default 4
    first_downbeat : float, optional
        A bar line in seconds, instead of the estimate: bars are counted from it, and the
        beats move by half a beat when it lies between two of them (see the module).
        Negative before the recording's start (a song that begins with an upbeat), and
        no further from it than the recording is long.
    bpm_hint : float, optional
        Roughly the tempo (within 10 % or so), in BPM: settles whether a song is at 85 or
        170 BPM, which the audio alone often cannot; the tempo found lies within 0.2 octave
        (15 %) of it.

    Returns
    -------
    BeatGrid

    Raises
    ------
    ValueError
        An unreadable file, audio shorter than 2 s, a missing or impossible `sr`,
        non-finite samples, a `beats_per_bar` outside 1..64, a non-finite `first_downbeat`,
        a `bpm_hint` outside 20..400, a `first_downbeat` further from the start than the
        recording is long.
    ImportError
        librosa or soundfile missing: ``pip install 'velmora[audio]'``.

    Examples
    --------
    >>> import numpy as np
    >>> rate = 22050
    >>> clicks = np.zeros(rate * 8, dtype=np.float32)
    >>> for k in range(16):  # a click every half second: 120 BPM
    ...     clicks[k * rate // 2 : k * rate // 2 + 200] = 0.8
    >>> round(beat_grid(clicks, sr=rate).tempo)
    120
    """
    bar = _check_beats_per_bar(beats_per_bar)
    given_downbeat = None if first_downbeat is None else check_finite("first_downbeat", first_downbeat)
    if bpm_hint is not None and not 20.0 <= check_finite("bpm_hint", bpm_hint) <= 400.0:
        raise ValueError(f"bpm_hint must be within 20 to 400 BPM, got {bpm_hint!r}")
    try:
        import librosa
    except ImportError as error:
        raise _need_audio_extra(error) from None
    samples, duration = _analysis_samples(source, sr)
    if duration < MIN_SECONDS:
        raise ValueError(f"audio must last at least {MIN_SECONDS:g} s to find beats, got {duration:.3f} s")
    if given_downbeat is not None and not -duration <= given_downbeat <= duration:
        # Before the start is an upbeat's bar line; further off than the recording is long, none.
        raise ValueError(
            f"first_downbeat must lie within -{duration:g} to {duration:g} s (the recording's length either side of "
            f"its start), got {first_downbeat!r}"
        )
    music_start, music_end = _music_span(samples)
    mel = _mel_spectrogram(librosa, samples)
    del samples  # an hour of them is 0.3 GB; the spectrum is all the analysis reads from here
    bands = _Bands(librosa, mel)
    del mel
    beat_frames = _track(librosa, bands, None if bpm_hint is None else float(bpm_hint), bar)
    if given_downbeat is not None:
        beat_frames = _through(beat_frames, _frame_of(given_downbeat), bands.full.size)
    beat_frames = _with_edge_beats(bands.full, beat_frames, _frame_of(music_start), _frame_of(music_end))
    confidence = _beat_confidence(bands.full, beat_frames)
    beat_seconds = (beat_frames - LEAD_IN_HOPS) * (HOP / ANALYSIS_RATE) - ONSET_LAG_SECONDS
    kept = (beat_seconds >= 0.0) & (beat_seconds < duration)
    beats, beat_frames = beat_seconds[kept], beat_frames[kept]
    if given_downbeat is not None and beats.size >= 2:
        first = _beat_number(beats, given_downbeat) % bar
        downbeat_confidence = 1.0
    else:
        first, downbeat_confidence = _bar_phase(bands.low, beat_frames, beats, music_start, bar)
    return BeatGrid(
        beats,
        beats_per_bar=bar,
        first_downbeat_index=first,
        confidence=confidence,
        downbeat_confidence=downbeat_confidence,
        duration=duration,
    )


def _music_span(samples: npt.NDArray[np.float32]) -> tuple[float, float]:
    """Where the music starts and ends, in seconds: the first and last sample at or above
    MUSIC_START of the loudest (the whole span for silence)."""
    peak = max(float(np.max(samples, initial=0.0)), -float(np.min(samples, initial=0.0)))
    if peak <= 0.0:
        return 0.0, samples.size / ANALYSIS_RATE
    loud = (samples >= MUSIC_START * peak) | (samples <= -MUSIC_START * peak)
    first, last = int(np.argmax(loud)), samples.size - int(np.argmax(loud[::-1]))
    return first / ANALYSIS_RATE, last / ANALYSIS_RATE


def _mel_spectrogram(librosa: Any, samples: npt.NDArray[np.float32]) -> FloatArray:
    """librosa's mel power spectrogram of the samples after LEAD_IN_HOPS of silence, frame
    for frame the same as in one call, computed MEL_BLOCK_FRAMES at a time: the whole short-time
    spectrum of an hour (1.3 GB) is never held at once."""
    edge = N_FFT // 2  # librosa centres each frame on its hop, padding the ends with zeros
    padded = np.concatenate([np.zeros(LEAD_IN_HOPS * HOP + edge, np.float32), samples, np.zeros(edge, np.float32)])
    frames = 1 + (padded.size - N_FFT) // HOP
    blocks = []
    for first in range(0, frames, MEL_BLOCK_FRAMES):
        count = min(MEL_BLOCK_FRAMES, frames - first)
        part = padded[first * HOP : (first + count - 1) * HOP + N_FFT]
        blocks.append(librosa.feature.melspectrogram(
            y=part, sr=ANALYSIS_RATE, n_fft=N_FFT, hop_length=HOP, n_mels=MEL_BANDS, center=False
        ))
    mel: FloatArray = np.concatenate(blocks, axis=1)
    return mel


def _track(librosa: Any, bands: _Bands, bpm_hint: float | None, bar: int) -> FloatArray:
    """Beat positions in frames (fractional): the best of the tracks at every candidate tempo."""
    envelope = bands.tracking
    candidates = _candidate_tempi(librosa, envelope, bpm_hint)
    slowest = min(candidates) * 2.0**-LOCAL_TEMPO_OCTAVES
    tempogram = _tempogram(librosa, envelope, math.ceil(60.0 * ANALYSIS_RATE / HOP / slowest) + 3)
    periodicity = _autocorrelation(librosa, envelope)
    low_periodicity = _autocorrelation(librosa, bands.low)
    best: FloatArray = np.zeros(0)
    best_score = -math.inf
    for tempo in candidates:
        _, frames = librosa.beat.beat_track(
            onset_envelope=envelope, sr=ANALYSIS_RATE, hop_length=HOP, bpm=_local_tempo(tempogram, tempo, bpm_hint),
            tightness=TIGHTNESS, units="frames",
        )
        # Refined on the plain onset strength, whose lag behind the sound ONSET_LAG_SECONDS is.
        beats = _on_the_beat(bands, _refined(bands.full, np.asarray(frames, dtype=np.intp)))
        if beats.size < MIN_TRACKED_BEATS:
            continue
        evidence = _metrical_evidence(bands, beats, tempo, periodicity, low_periodicity, bar)
        score = sum(LEVEL_WEIGHTS[name] * value for name, value in evidence.items())
        if score > best_score:
            best, best_score = beats, score
    return best


def _tempogram(librosa: Any, envelope: FloatArray, lags: int) -> FloatArray:
    """librosa's tempogram of the envelope over LOCAL_TEMPO_SECONDS windows, its first `lags`
    rows only, column for column the same as in one call but computed TEMPOGRAM_BLOCK
    columns at a time: the whole of an hour's (all 258 lags, and the spectra behind them)
    would take over a gigabyte, and the tracker reads only the lags near its tempi."""
    window = _frames(LOCAL_TEMPO_SECONDS)
    padded = np.pad(envelope, window // 2, mode="linear_ramp", end_values=(0, 0))  # as librosa centres
    blocks = []
    for first in range(0, envelope.size, TEMPOGRAM_BLOCK):
        count = min(TEMPOGRAM_BLOCK, envelope.size - first)
        block = librosa.feature.tempogram(
            onset_envelope=padded[first : first + count - 1 + window], sr=ANALYSIS_RATE, hop_length=HOP,
            win_length=window, center=False,
        )
        blocks.append(block[: min(lags, window)])
    tempogram: FloatArray = np.concatenate(blocks, axis=1)
    return tempogram


class _Bands:
    """The onset strengths the tracker reads, one value per analysis frame."""

    __slots__ = ("full", "low", "body", "drums", "tracking")

    def __init__(self, librosa: Any, mel: FloatArray) -> None:
        band_hz = librosa.mel_frequencies(n_mels=MEL_BANDS, fmax=ANALYSIS_RATE / 2)
        log_mel = librosa.power_to_db(mel, ref=np.max)
        # The percussive part (median filtering across time and frequency): a kick without
        # the bass notes that share its band, which often sit off the beat.
        _, percussive = librosa.decompose.hpss(mel, kernel_size=PERCUSSIVE_KERNEL)
        log_percussive = librosa.power_to_db(percussive, ref=float(np.max(mel)))

        def rise(rows: npt.NDArray[np.bool_] | slice, spectrum: FloatArray = log_mel) -> FloatArray:
            strength: FloatArray = librosa.onset.onset_strength(S=spectrum[rows], sr=ANALYSIS_RATE, hop_length=HOP)
            return strength

        self.full = rise(slice(None))
        self.low = rise(band_hz < LOW_BAND_HZ)  # kick and bass
        self.body = rise((band_hz >= LOW_BAND_HZ) & (band_hz < MID_BAND_HZ))  # snare, clap, toms
        self.drums = [rise((band_hz >= low) & (band_hz < high), log_percussive) for low, high in DRUM_BANDS_HZ]
        # All onsets, with the drums' bands weighted up: the drums, not the bass, lead the beat.
        self.tracking = _to_mean(self.full) + sum((_to_mean(band) for band in self.drums), np.zeros_like(self.full))


def _to_mean(values: FloatArray) -> FloatArray:
    result: FloatArray = values / (float(np.mean(values)) or 1.0)
    return result


def _frames(seconds: float) -> int:
    return int(round(seconds * ANALYSIS_RATE / HOP))


def _autocorrelation(librosa: Any, envelope: FloatArray) -> FloatArray:
    """The whole file's autocorrelation, 1 at lag 0."""
    centred = envelope - float(np.mean(envelope))
    correlation: FloatArray = librosa.autocorrelate(centred)
    return correlation / (float(correlation[0]) or 1.0)


def _at_lag(correlation: FloatArray, lag: float) -> float:
    whole = int(lag)
    if whole + 1 >= correlation.size:
        return 0.0
    part = lag - whole
    return float((1.0 - part) * correlation[whole] + part * correlation[whole + 1])


def _candidate_tempi(librosa: Any, envelope: FloatArray, bpm_hint: float | None) -> list[float]:
    """The tempi worth tracking: the strongest periodicities of the whole file and their
    metrical relatives (a tempogram peak is as often the bar's half or a 3:4 of the beat as
    the beat itself); with a hint, those near it and the hint itself."""
    correlation = _autocorrelation(librosa, envelope)
    frames_per_minute = 60.0 * ANALYSIS_RATE / HOP
    peaks = []
    for lag in range(2, correlation.size - 1):
        bpm = frames_per_minute / lag
        if bpm < PEAK_BPM_RANGE[0]:
            break
        left, centre, right = correlation[lag - 1], correlation[lag], correlation[lag + 1]
        if bpm <= PEAK_BPM_RANGE[1] and centre > 0.0 and centre > left and centre >= right:
            curvature = left - 2.0 * centre + right
            vertex = lag + 0.5 * (left - right) / curvature if curvature < 0.0 else float(lag)
            peaks.append((float(centre), frames_per_minute / vertex))
    peaks.sort(reverse=True)
    tempi: list[float] = [] if bpm_hint is None else [bpm_hint]
    for _, peak in peaks[:CANDIDATE_PEAKS]:
        for ratio in METRICAL_RATIOS:
            tempo = peak * ratio
            allowed = (
                CANDIDATE_BPM_RANGE[0] <= tempo <= CANDIDATE_BPM_RANGE[1]
                if bpm_hint is None
                else abs(math.log2(tempo / bpm_hint)) <= HINT_OCTAVES
            )
            if allowed and all(abs(math.log(tempo / other)) > SAME_TEMPO for other in tempi):
                tempi.append(tempo)
    return tempi or [PRIOR_BPM]


def _local_tempo(tempogram: FloatArray, tempo: float, bpm_hint: float | None) -> FloatArray:
    """The tempo at every frame near `tempo`: the strongest periodicity of the local
    tempogram within LOCAL_TEMPO_OCTAVES of it (weighted towards it) and within HINT_OCTAVES
    of a hint, smoothed by a running median, so that the tracker follows a song that speeds
    up or slows down."""
    import scipy.ndimage  # type: ignore[import-untyped]

    frames_per_minute = 60.0 * ANALYSIS_RATE / HOP
    lags = np.arange(2, tempogram.shape[0] - 1)
    allowed = np.abs(np.log2(frames_per_minute / lags / tempo)) <= LOCAL_TEMPO_OCTAVES
    if bpm_hint is not None:
        allowed &= np.abs(np.log2(frames_per_minute / lags / bpm_hint)) <= HINT_OCTAVES
    near = lags[allowed]
    if not near.size:
        return np.full(tempogram.shape[1], tempo)
    weight = np.exp(-0.5 * (np.log2(frames_per_minute / near / tempo) / LOCAL_PRIOR_OCTAVES) ** 2)[:, None]
    lag = near[np.argmax(tempogram[near] * weight, axis=0)]
    columns = np.arange(tempogram.shape[1])
    left, centre, right = tempogram[lag - 1, columns], tempogram[lag, columns], tempogram[lag + 1, columns]
    curvature = left - 2.0 * centre + right
    shift = np.where(curvature < 0.0, 0.5 * (left - right) / np.where(curvature < 0.0, curvature, -1.0), 0.0)
    local = frames_per_minute / (lag + np.clip(shift, -0.5, 0.5))
    smoothed: FloatArray = scipy.ndimage.median_filter(local, size=_frames(LOCAL_SMOOTH_SECONDS), mode="nearest")
    return smoothed


def _frame_of(seconds: float) -> float:
    """The analysis frame (fractional) at which a sound starting at `seconds` peaks."""
    return (seconds + ONSET_LAG_SECONDS) * ANALYSIS_RATE / HOP + LEAD_IN_HOPS


def _half_beat_later(beats: FloatArray, frames: int) -> FloatArray:
    """The points half-way between the beats, with one more half a beat before the first and
    after the last where the audio (`frames` long) reaches: the beats moved by half a beat,
    none lost at either end."""
    halves = (beats[:-1] + beats[1:]) / 2.0
    before = beats[0] - (beats[1] - beats[0]) / 2.0
    after = beats[-1] + (beats[-1] - beats[-2]) / 2.0
    moved: FloatArray = np.concatenate([[before] if before >= 0.0 else [], halves, [after] if after <= frames - 1 else []])
    return moved


def _through(beats: FloatArray, frame: float, frames: int) -> FloatArray:
    """The beats, or the beats moved by half a beat when `frame` (a time the caller says is a
    downbeat) lies nearer to a point half-way between two beats than to a beat: the caller
    knows which of the two a syncopated groove's beat is."""
    if beats.size < 2:
        return beats
    nearest = int(np.argmin(np.abs(beats - frame)))
    spacing = float(np.mean(np.diff(beats[max(nearest - 1, 0) : nearest + 2])))
    if spacing <= 0.0:
        return beats
    offset = (frame - float(beats[nearest])) / spacing
    return _half_beat_later(beats, frames) if abs(offset - round(offset)) > 0.25 else beats


def _beat_number(beats: FloatArray, time: float) -> int:
    """The index of the beat at `time`, counted on at the beats' spacing where it lies before
    the first beat or after the last (negative before the first)."""
    nearest = int(np.argmin(np.abs(beats - time)))
    if beats[0] <= time <= beats[-1]:
        return nearest
    spacing = float(np.mean(np.diff(beats[:3] if time < beats[0] else beats[-3:])))
    return nearest + int(round((time - float(beats[nearest])) / spacing)) if spacing > 0.0 else nearest


def _with_edge_beats(full: FloatArray, beats: FloatArray, start: float, end: float) -> FloatArray:
    """The beats with those the tracker left out at either end (it drops weak-looking beats
    there): one more beat at the spacing of the first (last) two, while the music has started
    (not ended) by then and an onset at least half the median beat's strength marks it, each
    at its onset's peak."""
    if beats.size < 2:
        return beats
    floor = EDGE_BEAT_SHARE * float(np.median(_strength_at(full, beats)))
    found = list(beats)

    def marked(frame: float) -> bool:
        return 0.0 <= frame <= full.size - 1 and float(_strength_at(full, np.array([frame]))[0]) >= floor

    def at_peak(frame: float) -> float:
        return float(_refined(full, np.array([int(round(frame))]))[0])

    # Each beat put back must lie at least half a spacing beyond the last: the loops end.
    while (spacing := found[1] - found[0]) >= 1.0 and (earlier := found[0] - spacing) >= start - spacing / 4:
        if not marked(earlier) or found[0] - (beat := at_peak(earlier)) < spacing / 2:
            break
        found.insert(0, beat)
    while (spacing := found[-1] - found[-2]) >= 1.0 and (later := found[-1] + spacing) <= end:
        if not marked(later) or (beat := at_peak(later)) - found[-1] < spacing / 2:
            break
        found.append(beat)
    return np.array(found)


def _on_the_beat(bands: _Bands, beats: FloatArray) -> FloatArray:
    """The beats, or the points half a beat after them when the drums hit there more than on
    the beats (hats, snares or bass notes off the beat can pull the tracker there)."""
    if beats.size < 3:
        return beats
    halves = (beats[:-1] + beats[1:]) / 2.0
    inner = beats[1:-1]
    lean = sum(
        math.log(_mean_at(band, inner) / _mean_at(band, halves)) for band in bands.drums
    )
    if lean >= 0.0:
        return beats
    # Moved, the beats keep their number: one more half beat after the last, if the audio lasts.
    after = beats[-1] + (beats[-1] - beats[-2]) / 2.0
    moved: FloatArray = np.append(halves, after) if after <= bands.full.size - 1 else halves
    return moved


def _mean_at(envelope: FloatArray, frames: FloatArray) -> float:
    return float(np.mean(_strength_at(envelope, frames))) + EPSILON


def _metrical_evidence(
    bands: _Bands, beats: FloatArray, tempo: float, periodicity: FloatArray, low_periodicity: FloatArray, bar: int
) -> dict[str, float]:
    """How well a track at `tempo` explains the music as a beat, each as a number that is
    larger for the beat than for its half, double or 3:4 relatives (see LEVEL_WEIGHTS)."""
    inner = beats[1:-1]
    span = bands.full[int(beats[0]) : int(beats[-1]) + 1]
    # How much more the snare band than all onsets differs between even and odd beats: a
    # click, or a grid that lands on and off the hits in turn, changes every band alike.
    def alternation(values: FloatArray) -> float:
        return abs(float(np.sum(values[0::2]) - np.sum(values[1::2]))) / (float(np.sum(values)) + EPSILON)

    lag = 60.0 * ANALYSIS_RATE / HOP / tempo
    return {
        # Dance music sits mostly between 80 and 160 BPM: a gentle pull towards 120.
        "tempo_prior": -math.log2(tempo / PRIOR_BPM) ** 2,
        # A backbeat: the snare band hits on every other beat, not on all or none.
        "backbeat": alternation(_strength_at(bands.body, beats)) - alternation(_strength_at(bands.full, beats)),
        # The onsets fall on the beats rather than between them.
        "onsets_on_beats": math.log(_mean_at(bands.full, inner) / (float(np.mean(span)) + EPSILON)),
        # The music repeats at the beat's period, overall and in the kick band.
        "periodicity": _at_lag(periodicity, lag),
        "low_periodicity": _at_lag(low_periodicity, lag),
        # Bars: the kick and bass stress one place of the bar, which a grid at the beat's
        # 3:4 or 2:3 smears over every place, and one at double the tempo halves.
        "bar_accent": _bar_accent(bands.low, beats, bar),
    }


def _bar_accent(low: FloatArray, beats: FloatArray, bar: int) -> float:
    """How much more low-band onset strength the strongest place of the bar holds than the
    bar's places on average (natural log; 0 with fewer than two whole bars)."""
    whole = (beats.size // bar) * bar
    if bar == 1 or whole < 2 * bar:
        return 0.0
    places = _strength_at(low, beats[:whole]).reshape(-1, bar).mean(axis=0) + EPSILON
    return math.log(float(np.max(places)) / float(np.mean(places)))


def _refined(envelope: FloatArray, frames: npt.NDArray[np.intp]) -> FloatArray:
    """Each beat at its onset's peak between frames: the highest of the three frames around
    it, moved by the vertex of the parabola through that frame and its neighbours."""
    if not frames.size:
        return frames.astype(np.float64)
    padded = np.pad(envelope, 2, mode="edge")
    around = np.stack([padded[frames + k] for k in range(1, 4)])  # frames f-1, f, f+1
    peak = frames + np.argmax(around, axis=0) - 1
    left, centre, right = padded[peak + 1], padded[peak + 2], padded[peak + 3]
    curvature = left - 2.0 * centre + right
    safe = np.where(curvature < 0.0, curvature, -1.0)
    shift = np.where(curvature < 0.0, 0.5 * (left - right) / safe, 0.0)
    result: FloatArray = peak + np.clip(shift, -0.5, 0.5)
    return result


def _strength_at(envelope: FloatArray, frames: FloatArray) -> FloatArray:
    """The envelope's peak within one frame of each beat frame (a beat may sit a frame off)."""
    padded = np.pad(envelope, 1)
    at = np.clip(np.rint(frames).astype(np.intp), 0, envelope.size - 1)
    result: FloatArray = np.maximum.reduce([padded[at], padded[at + 1], padded[at + 2]])
    return result


def _beat_confidence(onsets: FloatArray, frames: FloatArray) -> float:
    if frames.size < 2 or not onsets.size:
        return 0.0
    at_beats = float(np.mean(_strength_at(onsets, frames)))
    if at_beats <= 0.0:
        return 0.0
    return float(np.clip(1.0 - float(np.mean(onsets)) / at_beats, 0.0, 1.0))


def _bar_phase(low: FloatArray, frames: FloatArray, beats: FloatArray, start: float, bar: int) -> tuple[int, float]:
    """The index of the first downbeat and how clearly it won (see the module's docstring)."""
    if bar == 1 or frames.size < 2 * bar:
        return 0, 0.0
    kick = _strength_at(low, frames)
    whole = (frames.size // bar) * bar  # whole bars only, so every phase counts the same bars
    scores = np.array([np.mean(kick[p:whole:bar]) for p in range(bar)])
    best_score = float(np.max(scores))
    contenders = np.flatnonzero(scores >= (1.0 - DOWNBEAT_TIE) * best_score)
    if best_score <= 0.0 or contenders.size > 1:
        # A tie: the phase whose bars, counted back at the first beats' spacing, begin
        # nearest to where the music starts.
        spacing = float(np.median(np.diff(beats[: bar + 1])))
        before = int(round((beats[0] - start) / spacing))  # beats missed before the first
        wanted = (-before) % bar
        choices = contenders if best_score > 0.0 else np.arange(bar)
        distance = [min((int(p) - wanted) % bar, (wanted - int(p)) % bar) for p in choices]
        return int(choices[int(np.argmin(distance))]), 0.0
    best = int(contenders[0])
    runner_up = float(np.max(np.delete(scores, best)))
    return best, (best_score - runner_up) / best_score
