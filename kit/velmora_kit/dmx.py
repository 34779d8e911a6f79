"""DMX patching: which source drives which channels of which universe, as bytes.

A `DmxPatch` is the one place where positions become DMX: the live sinks (`ArtNetSink`,
`SacnSink`) send what it computes each tick, and `dmx_frames`/`export_dmx` compute the same
bytes offline, so a show exported and played live is the same data byte for byte. Every
universe of a frame comes out of one vectorised step: sources are grouped by how they are
mapped, each group is mapped at once and scattered into a (universes, 512) array.
"""

from __future__ import annotations

import os
from collections.abc import Iterator, Mapping
from pathlib import Path
from typing import IO, Union

import numpy as np
import numpy.typing as npt
import velmora

from velmora_kit._files import replacing_binary
from velmora_kit._sources import SourceSet
from velmora_kit.device import dmx_bytes, to_dmx
from velmora_kit.fixture import Fixture, SlewLimit
from velmora_kit.tempo import TempoMap, frames

__all__ = ["DmxPatch", "PATCH_MODES", "UNIVERSE_SIZE", "dmx_frames", "export_dmx"]

UNIVERSE_SIZE = 512
# The widest universe numbering of the two protocols (sACN's 1..63999; Art-Net's is
# 0..32767): each sink checks its own.
_MAX_UNIVERSE = 63999

# Channels each named mode takes, in the order they are sent. "pan_tilt16" is a 16-bit
# `Fixture` with the patch's ranges; a `Fixture` can also be given itself.
PATCH_MODES: dict[str, int] = {
    "pan_tilt16": 4,  # Pan, Pan fine, Tilt, Tilt fine
    "xyz8": 3,  # X, Y, Z
    "xyz16": 6,  # X, X fine, Y, Y fine, Z, Z fine
}

Mode = Union[str, Fixture]
ByteArray = npt.NDArray[np.uint8]
FloatArray = npt.NDArray[np.float64]


def _check_int(name: str, value: object) -> int:
    if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"{name} must be an int, got {value!r}")
    return int(value)


class DmxPatch:
    """Output names patched to channels, with the mapping of each (a fixture, or x/y/z).

    Parameters
    ----------
    patch : mapping of str to (start, mode) or (universe, start, mode)
        Output name → first channel (from 1) and mode, in `universe` or in the universe
        given. Modes: a `Fixture` (its channels in its layout), ``"pan_tilt16"`` (a 16-bit
        fixture with `pan_degrees` and `tilt_degrees`, using ±90° of each), ``"xyz8"`` (3
        channels) or ``"xyz16"`` (6 channels, coarse and fine), which send the position
        itself as `to_dmx` maps it, −1 → 0 and 1 → the top value. Unpatched channels are 0.
    universe : int
        The universe of entries that name none.
    pan_degrees, tilt_degrees : float
        The ranges of ``"pan_tilt16"`` heads.
    slew_hz : float, optional
        Follow each fixture's motion through a `SlewLimit` stepped at this rate (every
        fixture then needs `pan_speed` and `tilt_speed`). Play at this rate (`Player`'s
        `rate_hz`) and export at these frames per second: the limit is stepped once a
        tick (a skipped tick is stepped towards the next target), so the same ticks give
        the same bytes live and offline.

    Raises
    ------
    ValueError, TypeError
        A channel outside 1..512, patches that overlap, an unknown mode, an empty patch, a
        universe outside 0..63999, ranges that are not positive, a slew limit on a fixture
        without top speeds.

    Examples
    --------
    >>> patch = DmxPatch({"spot": (1, "pan_tilt16"), "wash": (2, 5, "xyz8")})
    >>> patch.universes, patch.channels("wash")
    ((0, 2), (2, 5, 7))
    """

    def __init__(
        self,
        patch: Mapping[str, tuple[int, Mode] | tuple[int, int, Mode]],
        *,
        universe: int = 0,
        pan_degrees: float = 540.0,
        tilt_degrees: float = 270.0,
        slew_hz: float | None = None,
    ) -> None:
        self._default_fixture = Fixture(pan_degrees=pan_degrees, tilt_degrees=tilt_degrees)
        default_universe = self._universe("universe", universe)
        if not isinstance(patch, Mapping):
            raise TypeError(f"patch must be a mapping of name to (start_channel, mode), got {type(patch).__name__}")
        if not patch:
            raise ValueError("patch must name at least one source, got {}")
        entries: dict[str, tuple[int, int, Mode]] = {}
        taken: dict[int, list[tuple[int, int, str]]] = {}
        for name, entry in patch.items():
            if not isinstance(name, str):
                raise TypeError(f"patch names must be str, got {name!r}")
            if not (isinstance(entry, (tuple, list)) and len(entry) in (2, 3)):
                raise TypeError(f"patch[{name!r}] must be (start_channel, mode) or (universe, start_channel, mode), got {entry!r}")
            where = self._universe(f"patch[{name!r}] universe", entry[0]) if len(entry) == 3 else default_universe
            start, mode = entry[-2], entry[-1]
            if isinstance(start, bool) or not isinstance(start, (int, np.integer)):
                raise TypeError(f"patch[{name!r}] start channel must be an int, got {start!r}")
            if not isinstance(mode, Fixture) and mode not in PATCH_MODES:
                raise ValueError(
                    f"patch[{name!r}] mode must be one of {', '.join(PATCH_MODES)} or a Fixture, got {mode!r}"
                )
            width = mode.width if isinstance(mode, Fixture) else PATCH_MODES[mode]
            first, last = int(start), int(start) + width - 1
            label = "fixture" if isinstance(mode, Fixture) else mode
            if first < 1 or last > UNIVERSE_SIZE:
                raise ValueError(
                    f"patch[{name!r}] needs channels {first}..{last} ({label}), outside the universe's 1..{UNIVERSE_SIZE}"
                )
            for other_first, other_last, other in taken.setdefault(where, []):
                if first <= other_last and other_first <= last:
                    raise ValueError(
                        f"patch[{name!r}] channels {first}..{last} overlap patch[{other!r}] channels "
                        f"{other_first}..{other_last} in universe {where}"
                    )
            taken[where].append((first, last, name))
            entries[name] = (where, first, mode)
        self._entries = entries
        self.universes: tuple[int, ...] = tuple(sorted(taken))
        self._slew_hz = None if slew_hz is None else float(slew_hz)
        if slew_hz is not None:
            SlewLimit(self._fixtures(), slew_hz)  # checks the rate and every fixture's speeds

    @staticmethod
    def _universe(name: str, value: object) -> int:
        number = _check_int(name, value)
        if not 0 <= number <= _MAX_UNIVERSE:
            raise ValueError(f"{name} must be in 0..{_MAX_UNIVERSE}, got {number}")
        return number

    def _fixture_of(self, mode: Mode) -> Fixture | None:
        if isinstance(mode, Fixture):
            return mode
        return self._default_fixture if mode == "pan_tilt16" else None

    def _fixtures(self) -> list[Fixture]:
        found = (self._fixture_of(mode) for _, _, mode in self._entries.values())
        return [fixture for fixture in found if fixture is not None]

    @property
    def names(self) -> tuple[str, ...]:
        return tuple(self._entries)

    @property
    def slew_hz(self) -> float | None:
        return self._slew_hz

    def channels(self, name: str) -> tuple[int, int, int]:
        """The universe, first and last channel (from 1) that `name` is patched to."""
        where, first, mode = self._entries[name]
        width = mode.width if isinstance(mode, Fixture) else PATCH_MODES[mode]
        return where, first, first + width - 1

    def entry(self, name: str) -> tuple[int, int, Mode]:
        """The universe, first channel and mode of `name`."""
        return self._entries[name]

    def fixture(self, name: str) -> Fixture | None:
        """The fixture that `name` drives, or None for an x/y/z mode."""
        return self._fixture_of(self._entries[name][2])

    def __repr__(self) -> str:
        return f"DmxPatch({self._entries!r})"

    def renderer(self, names: tuple[str, ...]) -> DmxRenderer:
        """The step that maps frames of these sources (in this order) to universes."""
        return DmxRenderer(self, names)


class DmxRenderer:
    """A patch applied to frames of a given set of sources; holds the slew limit's state.

    One renderer is one run (a play or an export): `reset` starts the slew limit again.
    """

    def __init__(self, patch: DmxPatch, names: tuple[str, ...]) -> None:
        missing = [name for name in patch.names if name not in names]
        if missing:
            raise ValueError(f"patch names sources that are not playing: {', '.join(map(repr, missing))}")
        row = {name: index for index, name in enumerate(names)}
        slot = {universe: index for index, universe in enumerate(patch.universes)}
        groups: dict[object, list[tuple[int, int, int]]] = {}
        for name in patch.names:
            where, first, mode = patch.entry(name)
            key: object = patch.fixture(name) or mode
            groups.setdefault(key, []).append((row[name], slot[where], first - 1))
        # Per mapping: the rows of its sources, and for each the universe and channel
        # indices (from 0) of its channels, in the order the mapping gives them.
        self._groups: list[tuple[Fixture | str, npt.NDArray[np.intp], npt.NDArray[np.intp], npt.NDArray[np.intp]]] = []
        fixtures: list[Fixture] = []
        for key, members in groups.items():
            width = key.width if isinstance(key, Fixture) else PATCH_MODES[str(key)]
            rows = np.array([r for r, _, _ in members], dtype=np.intp)
            universes = np.repeat(np.array([u for _, u, _ in members], dtype=np.intp)[:, np.newaxis], width, axis=1)
            channels = np.array([c for _, _, c in members], dtype=np.intp)[:, np.newaxis] + np.arange(width, dtype=np.intp)
            self._groups.append((key if isinstance(key, Fixture) else str(key), rows, universes, channels))
            if isinstance(key, Fixture):
                fixtures.extend([key] * rows.size)
        self.universes = patch.universes
        self._slew = None if patch.slew_hz is None else SlewLimit(fixtures, patch.slew_hz)
        self._last_tick: int | None = None
        self._flat_slots: dict[tuple[int, int], list[npt.NDArray[np.intp]]] = {}
        self._names = names
        self._in_order = {id(rows): bool(np.array_equal(rows, np.arange(rows.size))) for _, rows, _, _ in self._groups}

    def reset(self) -> None:
        """Starts the slew limit afresh: the next frame starts at rest on its target."""
        if self._slew is not None:
            self._slew.reset()
        self._last_tick = None

    def _rows_of(self, positions: FloatArray, rows: npt.NDArray[np.intp]) -> FloatArray:
        # A rig that patches every source in order (the usual big one) needs no gather.
        if rows.size == len(self._names) and self._in_order.get(id(rows), False):
            return positions
        return positions[..., rows, :]

    def _turned(self, positions: FloatArray, tick: int | None) -> list[FloatArray]:
        """Every fixture group's pan/tilt fractions for one frame, slew-limited if asked."""
        turned = [
            key.normalised(self._rows_of(positions, rows)) for key, rows, _, _ in self._groups if isinstance(key, Fixture)
        ]
        if self._slew is None or not turned:
            return turned
        target = np.concatenate(turned)
        # A skipped tick: the head kept moving towards the targets it could not be sent.
        steps = 1 if tick is None or self._last_tick is None else max(1, tick - self._last_tick)
        for _ in range(steps):
            place = self._slew.step(target)
        self._last_tick = tick
        return np.split(place, np.cumsum([part.shape[0] for part in turned])[:-1])

    def _flat(self, width: int, offset: int) -> list[npt.NDArray[np.intp]]:
        """Per group, where its channels are in a flat buffer of rows `width` long whose
        channel 1 is at `offset` in each row."""
        key = (width, offset)
        if key not in self._flat_slots:
            self._flat_slots[key] = [universes * width + offset + channels for _, _, universes, channels in self._groups]
        return self._flat_slots[key]

    def frame(self, positions: FloatArray, out: ByteArray | None = None, *, offset: int = 0, tick: int | None = None) -> ByteArray:
        """Every universe of one frame: positions (n, 3) → (universes, 512) uint8.

        `out`, when given, is a C-contiguous (universes, width) array whose rows hold the
        512 channels from column `offset` on (a buffer of packets, headers in front);
        channels that are not patched are left as they are in it (zero in a new array).
        `tick` numbers the frame for the slew limit (consecutive ticks are one step apart).
        """
        if out is None:
            out = np.zeros((len(self.universes), UNIVERSE_SIZE), dtype=np.uint8)
        if not out.flags.c_contiguous or out.shape[0] != len(self.universes) or out.shape[1] < offset + UNIVERSE_SIZE:
            raise ValueError(f"out must be a C-contiguous array of {len(self.universes)} rows of channels, got {out.shape}")
        flat = out.reshape(-1)
        turned = iter(self._turned(positions, tick))
        for (key, rows, _, _), slots in zip(self._groups, self._flat(out.shape[1], offset)):
            if isinstance(key, Fixture):
                flat[slots] = key.dmx_of_normalised(next(turned))
            elif key == "xyz16":
                flat[slots] = dmx_bytes(to_dmx(self._rows_of(positions, rows)))
            else:
                flat[slots] = to_dmx(self._rows_of(positions, rows), bits=8)
        return out

    def block(self, positions: FloatArray) -> ByteArray:
        """Many consecutive frames at once: (frames, n, 3) → (frames, universes, 512)."""
        out = np.zeros((positions.shape[0], len(self.universes), UNIVERSE_SIZE), dtype=np.uint8)
        if self._slew is not None:
            for index in range(positions.shape[0]):
                self.frame(positions[index], out[index])
            return out
        for key, rows, universes, channels in self._groups:
            values = self._rows_of(positions, rows)
            if isinstance(key, Fixture):
                out[:, universes, channels] = key.dmx(values)
            elif key == "xyz16":
                out[:, universes, channels] = dmx_bytes(to_dmx(values))
            else:
                out[:, universes, channels] = to_dmx(values, bits=8)
        return out


def dmx_frames(
    sources: Mapping[str, object],
    pips: npt.ArrayLike,
    patch: DmxPatch,
    *,
    library: velmora.PatternLibrary | None = None,
    block_frames: int = 1024,
) -> Iterator[ByteArray]:
    """The DMX of every frame, offline, in blocks: the bytes a live sink sends for these pips.

    Parameters
    ----------
    sources : mapping of str to pattern
        Output name → anything `Player` plays.
    pips : array_like of int
        One pip per frame (for example `frames(...)`), in playing order.
    patch : DmxPatch
        The same patch the live sinks are given.
    block_frames : int
        Frames rendered at once; memory grows with this, not with the show.

    Yields
    ------
    numpy.ndarray
        Shape (frames in the block, len(patch.universes), 512), uint8.

    Examples
    --------
    >>> patch = DmxPatch({"spot": (1, "pan_tilt16")})
    >>> next(dmx_frames({"spot": "bounce"}, [32], patch))[0, 0, :4].tolist()
    [170, 170, 128, 0]
    """
    from velmora_kit.render import check_pips

    if isinstance(block_frames, bool) or not isinstance(block_frames, int) or block_frames < 1:
        raise ValueError(f"block_frames must be a positive int, got {block_frames!r}")
    if not isinstance(patch, DmxPatch):
        raise TypeError(f"patch must be a DmxPatch, got {type(patch).__name__}")
    playing = SourceSet(sources, library)
    renderer = patch.renderer(playing.names)
    checked = check_pips(pips).astype(np.int64).reshape(-1)
    for low in range(0, checked.size, block_frames):
        yield renderer.block(playing.at(checked[low : low + block_frames]))


def export_dmx(
    sources: Mapping[str, object],
    path: str | os.PathLike[str],
    patch: DmxPatch,
    *,
    tempo: TempoMap | float,
    fps: float,
    seconds: float,
    start_seconds: float = 0.0,
    latency_seconds: float = 0.0,
    library: velmora.PatternLibrary | None = None,
    block_frames: int = 1024,
) -> Path:
    """Writes the DMX of a whole show, frame by frame, streamed in blocks.

    Frame k is at ``start_seconds + k / fps`` and its pip is what `frames` gives; its bytes
    are what `ArtNetSink`/`SacnSink` send for that pip with the same patch.

    Parameters
    ----------
    path : str or path-like
        ``.npy``: a uint8 array of shape (frames, universes, 512), universes in the order
        of ``patch.universes``. ``.csv``: a header ``frame,seconds,pip,universe,1,...,512``
        and one row per frame and universe.
    tempo, fps, seconds, start_seconds, latency_seconds
        As `frames`.
    block_frames : int
        Frames rendered and written at once: memory stays flat however long the show.

    Returns
    -------
    pathlib.Path
        The file written. It appears whole or not at all: it is written to a temporary
        file in the same folder and renamed into place.

    Raises
    ------
    ValueError
        A path that ends in neither .npy nor .csv, and what `frames`, `DmxPatch` and
        `render` raise.
    """
    target = Path(os.fspath(path))
    kind = target.suffix.lower()
    if kind not in (".npy", ".csv"):
        raise ValueError(f"path must end in .npy or .csv, got {str(target)!r}")
    pips = frames(tempo, fps, seconds, start_seconds=start_seconds, latency_seconds=latency_seconds)
    if patch.slew_hz is not None and patch.slew_hz != float(fps):
        raise ValueError(f"fps must be the patch's slew_hz ({patch.slew_hz:g}) for the slew limit's steps, got {fps!r}")
    blocks = dmx_frames(sources, pips, patch, library=library, block_frames=block_frames)
    with replacing_binary(target) as out:
        if kind == ".npy":
            _write_npy(out, (int(pips.size), len(patch.universes), UNIVERSE_SIZE), blocks)
        else:
            _write_csv(out, pips, float(fps), float(start_seconds), patch.universes, blocks)
    return target


def _write_npy(out: IO[bytes], shape: tuple[int, int, int], blocks: Iterator[ByteArray]) -> None:
    from numpy.lib import format as npy

    npy.write_array_header_1_0(out, {"descr": "|u1", "fortran_order": False, "shape": shape})  # type: ignore[no-untyped-call]
    for block in blocks:
        out.write(block.tobytes())


def _write_csv(
    out: IO[bytes], pips: npt.NDArray[np.int64], fps: float, start: float, universes: tuple[int, ...], blocks: Iterator[ByteArray]
) -> None:
    out.write(("frame,seconds,pip,universe," + ",".join(str(c) for c in range(1, UNIVERSE_SIZE + 1)) + "\n").encode())
    frame = 0
    for block in blocks:
        lines = []
        for index in range(block.shape[0]):
            prefix = f"{frame},{start + frame / fps!r},{int(pips[frame])},"
            for slot, universe in enumerate(universes):
                lines.append(prefix + f"{universe}," + ",".join(map(str, block[index, slot].tolist())))
            frame += 1
        out.write(("\n".join(lines) + "\n").encode())
