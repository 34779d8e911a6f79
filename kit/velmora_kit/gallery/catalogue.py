"""The catalogue as a browser needs it: every pattern with its collection and family.

`velmora.catalogue()` lists names, descriptions, periods and dimensions; the collection,
the family and the groove grid's score and motion of each built-in pattern are the
generator's own facts (`velmora_kit.catalogue.builtin_facts`).
"""

from __future__ import annotations

from collections.abc import Mapping, Sequence
from dataclasses import dataclass, field
from typing import Any

from velmora_kit.catalogue import builtin_facts
from velmora_kit.search import GENERATOR_COLLECTION, GENERATOR_PREFIX, search_text
from velmora_kit.shapes import GENERATORS, Shape

# The motions of the groove grid, in the order the generator first uses them.
MOTIONS: tuple[str, ...] = tuple(dict.fromkeys(f.motion for f in builtin_facts() if f.motion))

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
    groove: str = ""
    groove_title: str = ""
    motion: str = ""
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
        When the catalogue is not the one whose facts the module carries.

    Example
    -------
    >>> import velmora
    >>> gallery_patterns(velmora.catalogue())[15].collection
    'velmora_initial'
    """
    facts = builtin_facts()
    if len(entries) != len(facts):
        raise ValueError(f"the catalogue has {len(entries)} entries, the gallery expects {len(facts)}")
    return [
        Pattern(
            name=str(entry["name"]),
            description=str(entry["description"]),
            period_pips=int(entry["period_pips"]),
            dimensions=int(entry["dimensions"]),
            collection=fact.collection,
            family=fact.family,
            groove=fact.groove,
            groove_title=fact.groove_title,
            motion=fact.motion,
            search=search_text(str(entry["name"])),
        )
        for entry, fact in zip(entries, facts)
    ]


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
    """The groove grid: one `Groove` per groove, in catalogue order, each with one name per
    motion, in the order of `MOTIONS`.

    Raises
    ------
    ValueError
        When a groove lacks a motion.
    """
    by_groove: dict[str, dict[str, Pattern]] = {}
    for pattern in patterns:
        if pattern.groove:
            by_groove.setdefault(pattern.groove, {})[pattern.motion] = pattern
    rows: list[Groove] = []
    for key, motions in by_groove.items():
        missing = [motion for motion in MOTIONS if motion not in motions]
        if missing:
            raise ValueError(f"groove {key!r} has no pattern for the motions {missing}")
        title = motions[MOTIONS[0]].groove_title
        rows.append(Groove(key, title, tuple(motions[motion].name for motion in MOTIONS)))
    return rows
