"""The module as a typed program uses it: checked by mypy --strict against the stubs, and
run by test_typed_usage.py. The lines marked `type: ignore` are misuses that the stubs must
refuse (under --strict an ignore that is not needed is itself an error)."""

from __future__ import annotations

import decimal

import numpy as np
import velmora


def positions(name: str, pips: range) -> list[tuple[float, float, float]]:
    return [velmora.sample(name, pip).as_tuple() for pip in pips]


def main() -> None:
    beat: int = velmora.PIPS_PER_BEAT
    first: velmora.Offset3 = velmora.helix(beat)
    assert -1.0 <= first.x + first.y + first.z / 3 <= 3.0
    assert velmora.bounce(np.int32(32)).x == velmora.sample(b"bounce", 32).x == 1.0
    assert velmora.sample("bounce", decimal.Decimal("32.5")).x == 1.0

    entries: list[velmora.CatalogueEntry] = velmora.catalogue()
    periods: dict[str, int] = {entry["name"]: entry["period_pips"] for entry in entries}
    assert periods["bounce"] == 64 and len(positions("sway", range(0, 128, 32))) == 4

    # Samples as lists, tuples, numpy arrays or a generator; patterns as any collection.
    wave = velmora.SampledPattern("wave", "a rising ramp", np.linspace((-1.0, 0.0, 0.0), (1.0, 0.0, 0.0), 16))
    hop = velmora.SampledPattern(name="hop", description=b"", samples=((0.0, y / 4, 0.0) for y in range(4)))
    library = velmora.PatternLibrary(p for p in (wave, hop))
    assert library.sample("wave", -1).x == 1.0 and velmora.PatternLibrary().catalogue() == entries
    assert [entry["name"] for entry in library.catalogue()[-2:]] == ["wave", "hop"]
    assert wave.period_pips == 16 and hop.name == "hop" and hop.description == ""

    take = velmora.SampledRecording("take", ("x", "y"), np.zeros((4, 2)), 120, start_pip=-2)
    row: list[float] = take.sample(1)
    assert row == [0.0, 0.0] and take.dimensions == ["x", "y"] and take.sample_count == 4
    assert (take.bpm, take.beat_zero_seconds, take.start_pip, take.name) == (120.0, 0.0, -2, "take")


def misuse() -> None:
    """Never called: each line is refused by the stubs (and at run time)."""
    velmora.bounce(1.5)  # type: ignore[arg-type]
    velmora.bounce(pip=1)  # type: ignore[call-arg]
    velmora.sample(None, 0)  # type: ignore[arg-type]
    velmora.bounce(0).x = 0.5  # type: ignore[misc]
    velmora.Offset3(0.0, 0.0, 0.0)  # type: ignore[arg-type]
    velmora.PatternLibrary([1])  # type: ignore[list-item]
    velmora.SampledPattern("p", "", iter([(0.0, 0.0, 0.0)]))  # type: ignore[arg-type]
    velmora.SampledRecording("take", ["x"], [[0.0]], "120")  # type: ignore[arg-type]
    velmora.catalogue()[0]["period"]  # type: ignore[typeddict-item]


if __name__ == "__main__":
    main()
