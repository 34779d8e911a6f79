"""The catalogue as plain records, with what the generator knows of each entry.

The module's `catalogue()` lists names, descriptions, periods and dimensions. The rest of
what a built-in pattern is (its collection, its family, and for the groove grid its score
and motion) is written by the generator beside the tables, and read here from the loaded
module through the package's native helper, together with whole loop tables: the helper
reads the module's own copy of the tables, so there is only one. Nothing here types a
collection, a size or a motion: they all come from the generator's rows. User patterns of
a library come last, in the collection "user".
"""

from __future__ import annotations

from typing import NamedTuple

import numpy as np
import numpy.typing as npt
import velmora

from velmora_kit import _gather  # type: ignore[attr-defined]

__all__ = ["CatalogueEntry", "COLLECTIONS", "EntryFacts", "USER_COLLECTION", "builtin_facts", "catalogue_entries"]

USER_COLLECTION = "user"


class EntryFacts(NamedTuple):
    """What the generator knows of a built-in pattern beyond its catalogue entry.

    `family` is the shared name prefix of the pattern's family (``"polar_rose_"``,
    ``"beat_house_classic_"``; the core patterns form the family ``"core"``); `groove`,
    `groove_title` and `motion` are empty outside the groove grid.
    """

    collection: str
    family: str
    groove: str
    groove_title: str
    motion: str


# Attached once: the helper finds the module Python has loaded and keeps its record.
_gather.attach(velmora.__file__)
_FACTS: tuple[EntryFacts, ...] = tuple(EntryFacts(*row) for row in _gather.facts())


def _collection_sizes() -> tuple[tuple[str, int], ...]:
    sizes: dict[str, int] = {}
    for facts in _FACTS:
        sizes[facts.collection] = sizes.get(facts.collection, 0) + 1
    return tuple(sizes.items())


# Every collection in catalogue order, with how many patterns it holds.
COLLECTIONS: tuple[tuple[str, int], ...] = _collection_sizes()


def builtin_facts() -> tuple[EntryFacts, ...]:
    """The facts of every built-in pattern, in the order of `velmora.catalogue()`.

    Example
    -------
    >>> builtin_facts()[0].collection
    'core'
    """
    return _FACTS


def builtin_table(index: int, period: int) -> npt.NDArray[np.float64]:
    """A new ``(period, 3)`` float64 array: pips 0 to period − 1 of built-in entry `index`
    (its place in `velmora.catalogue()`), the module's own values, filled in one call."""
    table: npt.NDArray[np.float64] = _gather.table(index, period)
    return table


class CatalogueEntry(NamedTuple):
    """One pattern: its name, description, loop length in pips, highest axis used, and
    collection."""

    name: str
    description: str
    period_pips: int
    dimensions: int
    collection: str


def catalogue_entries(library: velmora.PatternLibrary | None = None) -> list[CatalogueEntry]:
    """Every pattern of the catalogue (and of `library`) with its collection.

    Parameters
    ----------
    library : velmora.PatternLibrary, optional
        Its own patterns follow the built-in ones, in the collection "user".

    Returns
    -------
    list of CatalogueEntry
        In catalogue order.

    Example
    -------
    >>> catalogue_entries()[15].collection
    'velmora_initial'
    """
    rows = library.catalogue() if library is not None else velmora.catalogue()
    return [
        CatalogueEntry(
            row["name"],
            row["description"],
            row["period_pips"],
            row["dimensions"],
            _FACTS[index].collection if index < len(_FACTS) else USER_COLLECTION,
        )
        for index, row in enumerate(rows)
    ]
