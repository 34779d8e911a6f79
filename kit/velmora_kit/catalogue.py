"""The catalogue as plain records, each with the collection it belongs to.

The module's `catalogue()` lists names, descriptions, periods and dimensions; which
collection a pattern comes from follows from its place in that fixed order (the fifteen
core patterns, then the six pre-rendered collections in turn). User patterns of a
library come last, in the collection "user".
"""

from __future__ import annotations

from typing import NamedTuple

import velmora

__all__ = ["CatalogueEntry", "COLLECTIONS", "catalogue_entries"]

# The catalogue's fixed order: each collection and how many patterns it holds.
COLLECTIONS: tuple[tuple[str, int], ...] = (
    ("core", 15),
    ("velmora_initial", 28),
    ("velmora_expansion", 24),
    ("velmora_atlas", 256),
    ("velmora_continuum", 320),
    ("velmora_club", 144),
    ("velmora_dancefloor", 944),
)
USER_COLLECTION = "user"


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
    names: list[str] = []
    for collection, count in COLLECTIONS:
        names.extend([collection] * count)
    return [
        CatalogueEntry(
            row["name"],
            row["description"],
            row["period_pips"],
            row["dimensions"],
            names[index] if index < len(names) else USER_COLLECTION,
        )
        for index, row in enumerate(rows)
    ]
