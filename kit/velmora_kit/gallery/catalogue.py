"""The catalogue as a browser needs it: every pattern with its collection and family.

`velmora.catalogue()` lists names, descriptions, periods and dimensions; the collection,
the family and the groove grid's score and motion of each built-in pattern are the
generator's own facts (`velmora_kit.catalogue.builtin_facts`).
"""

from __future__ import annotations

from collections.abc import Mapping, Sequence
from dataclasses import dataclass
from typing import Any

from velmora_kit.catalogue import builtin_facts

# The motions of the groove grid, in the order the generator first uses them.
MOTIONS: tuple[str, ...] = tuple(dict.fromkeys(f.motion for f in builtin_facts() if f.motion))


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
        )
        for entry, fact in zip(entries, facts)
    ]


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
