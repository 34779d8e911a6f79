"""The catalogue as a browser needs it: every pattern with its collection and family.

`velmora.catalogue()` lists names, descriptions, periods and dimensions in a fixed order,
grouped by collection but without saying which. The collections' sizes are fixed, so the
position of an entry names its collection; families are read off the names (a shared
prefix), and the groove grid off the `beat_` names and their descriptions.
"""

from __future__ import annotations

import os
from collections.abc import Mapping, Sequence
from dataclasses import dataclass, field
from typing import Any

from velmora_kit.catalogue import COLLECTIONS
from velmora_kit.search import GENERATOR_COLLECTION, GENERATOR_PREFIX, search_text
from velmora_kit.shapes import GENERATORS, Shape

# The sixteen motions of the groove grid, in their fixed order. None contains an
# underscore, so the groove key of `beat_<groove>_<motion>` is what lies between.
MOTIONS: tuple[str, ...] = (
    "bounce", "step", "orbit", "glide", "surge", "recoil", "flutter", "dive",
    "pendulum", "figure8", "box", "corkscrew", "spiral", "slalom", "spring", "ricochet",
)

GROOVE_PREFIX = "beat_"

# The systematic collections are built of families of sixteen, some of them two
# sub-families of eight; a block of eight always lies within one (sub-)family.
_FAMILY_BLOCK = 8
_SYSTEMATIC = ("velmora_atlas", "velmora_continuum")

# The shapes of `velmora_kit.shapes` the gallery shows after the catalogue: a few of each
# generator, chosen to show what its parameters do.
GENERATOR_EXAMPLES: tuple[tuple[str, tuple[dict[str, Any], ...]], ...] = (
    ("polygon", ({"sides": 3}, {"sides": 4, "rotation": 45.0}, {"sides": 6, "beats": 6})),
    ("star", ({"points": 5}, {"points": 6, "inner": 0.6}, {"points": 8, "inner": 0.2, "beats": 8})),
    ("ellipse", ({}, {"width": 1.0, "height": 1.0}, {"width": 0.9, "height": 0.4, "rotation": 30.0})),
    ("lissajous", ({"a": 2, "b": 1}, {"a": 1, "b": 2}, {"a": 3, "b": 2, "phase": 90.0})),
    ("spiral", ({"turns": 3.0}, {"turns": 2.0, "direction": "out"}, {"turns": 4.0, "direction": "in", "traversal": "parameter"})),
    ("cross", ({}, {"rotation": 45.0})),
    ("zigzag", ({"teeth": 4}, {"teeth": 8, "height": 0.5})),
    ("line", ({"angle": 0.0}, {"angle": 45.0}, {"angle": 90.0})),
    ("sine", ({"beats": 1}, {"beats": 4})),
    ("triangle", ({"beats": 1}, {"beats": 4})),
    ("saw", ({"direction": "up"}, {"direction": "down", "beats": 2})),
    ("square", ({"pulse_width": 0.5}, {"pulse_width": 0.25, "beats": 2})),
    ("sample_and_hold", ({"steps": 8}, {"steps": 16, "seed": 3, "beats": 8})),
    ("smooth_random", ({"steps": 8}, {"steps": 6, "seed": 3, "beats": 8})),
    ("ease", tuple({"curve": curve} for curve in (
        "sine-in-out", "cubic-in-out", "expo-in-out", "back-in-out", "elastic-out", "bounce-out"))),
)


@dataclass(frozen=True)
class Pattern:
    """One built-in pattern as the gallery lists it."""

    name: str
    description: str
    period_pips: int
    dimensions: int
    collection: str
    family: str
    # Search words that lead here besides the name and the description.
    search: str = ""
    # For a generated shape: the Python that makes it, and the shape itself.
    snippet: str = ""
    shape: Shape | None = field(default=None, compare=False, repr=False)


@dataclass(frozen=True)
class Groove:
    """One row of the groove grid: its key, its title and its patterns' names by motion."""

    key: str
    title: str
    names: tuple[str, ...]


def gallery_patterns(entries: Sequence[Mapping[str, Any]]) -> list[Pattern]:
    """Every catalogue entry with its collection and family.

    Parameters
    ----------
    entries : the list `velmora.catalogue()` returns, in its order.

    Returns
    -------
    One `Pattern` per entry, in the same order.

    Raises
    ------
    ValueError
        When the catalogue does not have the collections' sizes (a module built from
        another catalogue), since positions would then name the wrong collections.

    Example
    -------
    >>> import velmora
    >>> gallery_patterns(velmora.catalogue())[15].collection
    'velmora_initial'
    """
    expected = sum(size for _, size in COLLECTIONS)
    if len(entries) != expected:
        raise ValueError(f"the catalogue has {len(entries)} entries, the gallery expects {expected}")
    patterns: list[Pattern] = []
    start = 0
    for collection, size in COLLECTIONS:
        block = entries[start:start + size]
        families = _families(collection, [str(entry["name"]) for entry in block])
        for entry, family in zip(block, families):
            patterns.append(Pattern(
                name=str(entry["name"]),
                description=str(entry["description"]),
                period_pips=int(entry["period_pips"]),
                dimensions=int(entry["dimensions"]),
                collection=collection,
                family=family,
                search=search_text(str(entry["name"])),
            ))
        start += size
    return patterns


def generator_patterns() -> list[Pattern]:
    """The shapes of `GENERATOR_EXAMPLES`, as the gallery lists them.

    Each is named ``shapes.<generator>_<n>``, in the collection "generator" and the
    family ``shapes.<generator>``, with its parameters in the description and the Python
    that makes it as its snippet.

    Example
    -------
    >>> generator_patterns()[0].name
    'shapes.polygon_1'
    """
    patterns: list[Pattern] = []
    for generator, examples in GENERATOR_EXAMPLES:
        family = GENERATOR_PREFIX + generator
        for number, arguments in enumerate(examples, start=1):
            shape = GENERATORS[generator](**arguments)
            patterns.append(Pattern(
                name=f"{family}_{number}",
                description=shape.description,
                period_pips=shape.period_pips,
                dimensions=shape.dimensions,
                collection=GENERATOR_COLLECTION,
                family=family,
                search=search_text(family),
                snippet=shape.snippet,
                shape=shape,
            ))
    return patterns


def grooves(patterns: list[Pattern]) -> list[Groove]:
    """The groove grid: one `Groove` per groove, in catalogue order, each with 16 names.

    A groove's title is the part of its patterns' description before the em dash.

    Raises
    ------
    ValueError
        When a `beat_` name does not end in a known motion or a groove lacks a motion.
    """
    by_groove: dict[str, dict[str, Pattern]] = {}
    for pattern in patterns:
        if not pattern.name.startswith(GROOVE_PREFIX):
            continue
        key, motion = split_groove_name(pattern.name)
        by_groove.setdefault(key, {})[motion] = pattern
    rows: list[Groove] = []
    for key, motions in by_groove.items():
        missing = [motion for motion in MOTIONS if motion not in motions]
        if missing:
            raise ValueError(f"groove {key!r} has no pattern for the motions {missing}")
        title = motions[MOTIONS[0]].description.split(" \u2014 ")[0]
        rows.append(Groove(key, title, tuple(motions[motion].name for motion in MOTIONS)))
    return rows


def split_groove_name(name: str) -> tuple[str, str]:
    """`beat_house_classic_bounce` -> (`house_classic`, `bounce`).

    Raises
    ------
    ValueError
        When the name is not `beat_` + groove + `_` + one of the sixteen motions.
    """
    body = name[len(GROOVE_PREFIX):] if name.startswith(GROOVE_PREFIX) else ""
    key, _, motion = body.rpartition("_")
    if not key or motion not in MOTIONS:
        raise ValueError(f"not a groove pattern name: {name!r}")
    return key, motion


def _families(collection: str, names: list[str]) -> list[str]:
    if collection == "core":
        return ["core"] * len(names)
    if collection in ("velmora_club", "velmora_dancefloor"):
        return [f"{GROOVE_PREFIX}{split_groove_name(name)[0]}_" for name in names]
    if collection in _SYSTEMATIC:
        families: list[str] = []
        for start in range(0, len(names), _FAMILY_BLOCK):
            block = names[start:start + _FAMILY_BLOCK]
            families += [_word_prefix(block)] * len(block)
        return families
    # The hand-made collections: the first word names the kind (lfo_, rhythm_, path_ ...).
    return [name.split("_", 1)[0] + "_" for name in names]


def _word_prefix(names: list[str]) -> str:
    """The longest common prefix of `names` that ends with an underscore."""
    common = os.path.commonprefix(names)
    cut = common.rfind("_")
    return common[:cut + 1] if cut >= 0 else common
