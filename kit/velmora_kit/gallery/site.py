"""Writes the gallery: a static site of every built-in pattern, and a few shapes of each
generator of `velmora_kit.shapes`, moving in time in a browser.

The site is four fixed files (the page, its script and style, shipped with this package)
and two written here from the installed module:

- `catalogue.js`: names, descriptions, periods, dimensions, collections, families and the
  groove grid, small enough to paint the grid at once;
- `tables.js`: one loop of every pattern, quantised to 16 bits per axis and compressed.

Both are scripts that set a global rather than data files fetched by the page, so the
site also works when opened straight from disk (browsers refuse `fetch` over `file://`).

Table encoding (mirrored by `decodeTables` in gallery.js): for each pattern in catalogue
order and each axis it uses (x; x, y; or x, y, z: axes beyond `dimensions` are zero by
the catalogue's invariant, checked here), the loop's samples round(v * 32767) as 16-bit
integers, as second differences modulo 2**16 (smooth motion makes them small), stored
as all low bytes followed by all high bytes, zlib-compressed, then base64. Decoding is two
running sums with 16-bit wrap-around, exact.
"""

from __future__ import annotations

import base64
import contextlib
import json
import os
import stat
import time
import zlib
from dataclasses import dataclass
from importlib import resources
from pathlib import Path

import numpy as np
import numpy.typing as npt

from velmora_kit._files import replacing_binary
from velmora_kit.gallery.catalogue import MOTIONS, Pattern, gallery_patterns, generator_patterns, grooves
from velmora_kit.render import table

# int16 steps per unit: the page's values are within 1 / (2 * SCALE) of the module's.
SCALE = 32767
STATIC_FILES: tuple[str, ...] = ("index.html", "gallery.js", "gallery.css")
# The generated scripts and the global each sets; their first bytes mark a gallery's folder.
_SCRIPT_VARIABLES: dict[str, str] = {"catalogue.js": "VELMORA_CATALOGUE", "tables.js": "VELMORA_TABLES"}
GENERATED_FILES: tuple[str, ...] = tuple(_SCRIPT_VARIABLES)


class SiteInTheWay(FileExistsError):
    """Files of the site's names, not written by the gallery, are in the target folder."""

    def __init__(self, directory: Path, names: list[str]) -> None:
        super().__init__(
            f"{str(directory)!r} already holds {', '.join(names)}, not written by the gallery: "
            "choose another folder, or pass force=True to replace them"
        )
        self.directory = directory
        self.names = tuple(names)


@dataclass(frozen=True)
class SiteSummary:
    """What `build_site` wrote: the folder, each file's size in bytes, and the time taken."""

    directory: Path
    file_sizes: dict[str, int]
    patterns: int
    seconds: float

    @property
    def total_bytes(self) -> int:
        return sum(self.file_sizes.values())


def build_site(directory: str | Path, *, force: bool = False) -> SiteSummary:
    """Writes the gallery into `directory` (created if missing; other files are left alone).

    Every file is written to a temporary file first and renamed into place once all are
    written, so a failure (a full disk, for one) leaves the folder as it was. Files of the site's
    names that the gallery did not write (see `foreign_files`) are replaced only with
    `force`; nothing is written when one is in the way.

    Parameters
    ----------
    directory : the folder to write `index.html` and its four companions into.
    force : replace files of the site's names even when the gallery did not write them.

    Returns
    -------
    A `SiteSummary` with the files written and their sizes.

    Raises
    ------
    FileExistsError
        When files of the site's names that the gallery did not write are in the way
        (and `force` is not given); the message names them.
    OSError
        When the folder cannot be created or written.
    ValueError
        When the installed module's catalogue is not the one the gallery knows.

    Example
    -------
    >>> summary = build_site("site")            # doctest: +SKIP
    >>> summary.total_bytes < 8_000_000          # doctest: +SKIP
    True
    """
    import velmora

    started = time.perf_counter()
    target = Path(directory)
    if target.exists() and not target.is_dir():
        raise NotADirectoryError(f"output must be a folder, got the file {str(target)!r}")
    target.mkdir(parents=True, exist_ok=True)

    patterns = gallery_patterns(velmora.catalogue()) + generator_patterns()
    outputs: dict[str, bytes] = {
        "catalogue.js": _script(_SCRIPT_VARIABLES["catalogue.js"], _catalogue_json(patterns)),
        "tables.js": _script(_SCRIPT_VARIABLES["tables.js"], _tables_json(patterns)),
    }
    static = resources.files("velmora_kit.gallery").joinpath("static")
    for name in STATIC_FILES:
        outputs[name] = static.joinpath(name).read_bytes()
    if not force:
        in_the_way = foreign_files(target, outputs)
        if in_the_way:
            raise SiteInTheWay(target, in_the_way)
    # Every file is written in full before any is renamed into place, so a full disk
    # leaves the folder as it was rather than half a site.
    with contextlib.ExitStack() as files:
        for name, content in outputs.items():
            files.enter_context(replacing_binary(target / name)).write(content)
    return SiteSummary(
        directory=target,
        file_sizes={name: len(content) for name, content in outputs.items()},
        patterns=len(patterns),
        seconds=time.perf_counter() - started,
    )


def foreign_files(directory: Path, outputs: dict[str, bytes]) -> list[str]:
    """The names among `outputs` that exist in `directory` but were not written by the gallery.

    A file is the gallery's when it is a regular file (never a symlink) and either holds
    what would be written now, or sits in a folder whose generated scripts are the
    gallery's own (an earlier build, perhaps of another version).
    """
    def regular(name: str) -> bool:
        return stat.S_ISREG(os.lstat(directory / name).st_mode)

    def starts_with(name: str, prefix: bytes) -> bool:
        with open(directory / name, "rb") as file:
            return file.read(len(prefix)) == prefix

    present = [name for name in outputs if os.path.lexists(directory / name)]
    earlier_build = all(
        os.path.lexists(directory / name) and regular(name) and starts_with(name, _script_prefix(variable))
        for name, variable in _SCRIPT_VARIABLES.items()
    )
    foreign = []
    for name in present:
        if not regular(name):
            foreign.append(name)
        elif not earlier_build and (directory / name).read_bytes() != outputs[name]:
            foreign.append(name)
    return foreign


def quantise(loop: npt.NDArray[np.float64]) -> npt.NDArray[np.int16]:
    """Loop values in [-1, 1] as the page stores them: round(v * 32767), as int16."""
    return np.rint(np.clip(loop, -1.0, 1.0) * SCALE).astype(np.int16)


def encode_tables(planes: list[npt.NDArray[np.int16]]) -> bytes:
    """The compressed table bytes for a list of 1-D int16 planes (see the module notes)."""
    if not planes:
        return zlib.compress(b"", 6)
    words = np.concatenate([_second_differences(plane) for plane in planes])
    return zlib.compress(
        (words & 0xFF).astype(np.uint8).tobytes() + (words >> 8).astype(np.uint8).tobytes(), 6
    )


def decode_tables(blob: bytes, lengths: list[int]) -> npt.NDArray[np.int16]:
    """The inverse of `encode_tables` for planes of the given lengths, concatenated.

    The page decodes in JavaScript; this twin lets tests and tools check the format.
    """
    raw = np.frombuffer(zlib.decompress(blob), dtype=np.uint8)
    half = raw.size // 2
    if sum(lengths) != half:
        raise ValueError(f"the tables hold {half} values, the lengths add up to {sum(lengths)}")
    words = raw[:half].astype(np.uint16) | (raw[half:].astype(np.uint16) << 8)
    planes: list[npt.NDArray[np.uint16]] = []
    start = 0
    for length in lengths:
        slopes = np.cumsum(words[start:start + length], dtype=np.uint16)
        planes.append(np.cumsum(slopes, dtype=np.uint16))
        start += length
    if not planes:
        return np.zeros(0, dtype=np.int16)
    return np.concatenate(planes).view(np.int16)


def _second_differences(plane: npt.NDArray[np.int16]) -> npt.NDArray[np.uint16]:
    # Differences of wrapping 16-bit integers wrap too, and running sums with the same
    # wrap-around undo them exactly, however large a jump.
    first = np.diff(plane.astype(np.uint16), prepend=np.uint16(0))
    second: npt.NDArray[np.uint16] = np.diff(first, prepend=np.uint16(0))
    return second


def _tables_json(patterns: list[Pattern]) -> dict[str, object]:
    planes: list[npt.NDArray[np.int16]] = []
    stored_axes: list[int] = []
    for pattern in patterns:
        loop = table(pattern.name) if pattern.shape is None else pattern.shape.table
        axes = pattern.dimensions
        if np.any(loop[:, axes:] != 0.0):
            # The catalogue promises zeros beyond `dimensions`; keep every axis if not.
            axes = 3
        stored_axes.append(axes)
        planes.extend(quantise(loop[:, axis]) for axis in range(axes))
    return {
        "scale": SCALE,
        "encoding": "int16-delta2-split-zlib",
        # Axes stored per pattern, in catalogue order; each is one plane of `period` values.
        "axes": stored_axes,
        "data": base64.b64encode(encode_tables(planes)).decode("ascii"),
    }


def _catalogue_json(patterns: list[Pattern]) -> dict[str, object]:
    collections = {key: n for n, key in enumerate(dict.fromkeys(p.collection for p in patterns))}
    families = {key: n for n, key in enumerate(dict.fromkeys(p.family for p in patterns))}
    index = {pattern.name: position for position, pattern in enumerate(patterns)}
    return {
        "pipsPerBeat": 64,
        "scale": SCALE,
        "collections": list(collections),
        "families": list(families),
        # One row per pattern: name, description, period, dimensions, collection index,
        # family index, then search words and snippet where there are any. Arrays rather
        # than objects keep the file small.
        "patterns": [
            [p.name, p.description, p.period_pips, p.dimensions,
             collections[p.collection], families[p.family]]
            + ([p.search] if p.search or p.snippet else []) + ([p.snippet] if p.snippet else [])
            for p in patterns
        ],
        "motions": list(MOTIONS),
        "grooves": [
            {"key": g.key, "title": g.title, "patterns": [index[name] for name in g.names]}
            for g in grooves(patterns)
        ],
    }


def _script(variable: str, payload: dict[str, object]) -> bytes:
    text = json.dumps(payload, ensure_ascii=False, separators=(",", ":"))
    # "</" can never close a script element from inside the data, whatever a description holds.
    text = text.replace("</", "<\\/")
    return _script_prefix(variable) + f"{text};\n".encode("utf-8")


def _script_prefix(variable: str) -> bytes:
    return f"window.{variable} = ".encode("ascii")
