"""The words users search for and the shapes they mean, kept in one table.

People look for shapes by the names synthesizers, lighting consoles and animation tools
give them ("saw", "pulse", "elastic"), which are seldom the words of a pattern's name or
description. `SEARCH_WORDS` joins each such word to the generators of
`velmora_kit.shapes` that make it and to the catalogue patterns that are that shape;
`velmora list --match` and the gallery's search both read it, through `search_text`.
"""

from __future__ import annotations

import types
from collections.abc import Mapping

from velmora_kit.catalogue import CatalogueEntry

__all__ = ["GENERATOR_COLLECTION", "SEARCH_WORDS", "generator_entries", "search_text"]

GENERATOR_COLLECTION = "generator"
# A generator is listed as "shapes.<name>", the way it is called.
GENERATOR_PREFIX = "shapes."

_EASES = ("ease_rebound", "ease_anticipate", "ease_overshoot", "ease_elastic")
_RANDOM = ("lfo_seeded_drift", "noise_drift_5", "noise_drift_7", "noise_drift_9", "noise_drift_11")
_STARS = ("spiro_inside_5_2", "spiro_inside_7_2", "spiro_inside_7_3", "spiro_inside_8_3", "spiro_inside_9_4")

# word -> (generators, catalogue patterns). A word finds every entry named here, besides
# those whose own name or description holds it.
SEARCH_WORDS: Mapping[str, tuple[tuple[str, ...], tuple[str, ...]]] = types.MappingProxyType({
    "sine": (("sine", "ellipse"), ("lfo_breathe", "sway")),
    "lfo": (("sine", "triangle", "saw", "square", "sample_and_hold", "smooth_random"), ()),
    "triangle": (("triangle", "polygon"), ("bounce",)),
    "sawtooth": (("saw",), ("akwf_round_saw", "akwf_quick_return", "lfo_surge")),
    "ramp": (("saw",), ("akwf_round_saw", "akwf_quick_return")),
    "square": (("square", "polygon"), ("wave_rounded_square", "lfo_soft_gate", "box_step")),
    "pulse": (("square",), ("lfo_soft_gate", "lfo_pulse_hold")),
    "gate": (("square",), ("lfo_soft_gate",)),
    "random": (("sample_and_hold", "smooth_random"), _RANDOM),
    "noise": (("sample_and_hold", "smooth_random"), _RANDOM),
    "sample and hold": (("sample_and_hold",), ()),
    "s&h": (("sample_and_hold",), ()),
    "ellipse": (("ellipse", "lissajous"), ("circle", "lfo_breathing_orbit", "path_orbit_dwell")),
    "oval": (("ellipse",), ("circle", "lfo_breathing_orbit")),
    "circle": (("ellipse",), ("circle",)),
    "polygon": (("polygon",), ()),
    "pentagon hexagon octagon": (("polygon",), ()),
    "star pentagram": (("star",), _STARS),
    "spiral": (("spiral",), ("gesture_spiral_reach",)),
    "lissajous": (("lissajous",), ("path_lissajous_2_3", "figure_eight")),
    "figure eight figure8": (("lissajous",), ("figure_eight",)),
    "cross plus": (("cross",), ("gesture_cross_reach",)),
    "zigzag zig-zag": (("zigzag",), ("gesture_zigzag_lift",)),
    "line": (("line",), ("sway",)),
    "easing ease tween": (("ease",), _EASES),
    "elastic": (("ease",), ("ease_elastic",)),
    "bounce": (("ease",), ("ease_rebound",)),
    "back overshoot anticipate": (("ease",), ("ease_overshoot", "ease_anticipate")),
    "quad cubic quart quint expo circ": (("ease",), ()),
})


def _index() -> dict[str, str]:
    words: dict[str, list[str]] = {}
    for word, (generators, patterns) in SEARCH_WORDS.items():
        for name in patterns + tuple(GENERATOR_PREFIX + g for g in generators):
            words.setdefault(name, []).append(word)
    return {name: " ".join(found) for name, found in words.items()}


_WORDS_OF = types.MappingProxyType(_index())


def search_text(name: str) -> str:
    """The search words that lead to a catalogue pattern or to a generator
    (``"shapes.<name>"``), joined by spaces; empty when none do.

    Example
    -------
    >>> search_text("bounce")
    'triangle'
    """
    return _WORDS_OF.get(name, "")


def generator_entries() -> list[CatalogueEntry]:
    """Each generator as a catalogue record: ``shapes.<name>``, the summary of its
    documentation, and the period and axes of the shape it makes by default.

    Example
    -------
    >>> generator_entries()[0].name
    'shapes.polygon'
    """
    from velmora_kit.shapes import GENERATORS

    entries = []
    for name, generator in GENERATORS.items():
        shape = generator()
        summary = " ".join((generator.__doc__ or "").strip().split("\n\n")[0].split())
        entries.append(CatalogueEntry(
            GENERATOR_PREFIX + name, summary, shape.period_pips, shape.dimensions, GENERATOR_COLLECTION,
        ))
    return entries
