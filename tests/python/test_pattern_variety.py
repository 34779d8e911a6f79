"""Variety of the built-in tables: a catalogue is only worth its size if a user can tell
its members apart.

Within every family of sixteen in velmora_atlas and velmora_continuum, two tables of one
period are compared at their best cyclic shift, with the x axis mirrored or not: their
distance is the smallest, over all shifts and both mirrorings, of the largest absolute
difference of any component at any pip. No pair may come closer than FLOOR unless
EXPLAINED says why (two formula tables that are rotations of each other).

Within every motion of the groove grid the measure is stricter, the root mean square over
the loop of the per-pip Euclidean distance, at the best cyclic shift, mirrored or not,
both loops repeated to a common length: a motion that differs from another only in a few
sharp pips does not count as different. At most GRID_EXPLAINED_AT_MOST pairs may come
closer than FLOOR, each explained. Every grid table also spans at least GRID_SPAN on its
widest axis, and every axis its row counts as used spans at least GRID_AXIS_SPAN.
Every lilting sequence must also stay LILT_FLOOR from every shift of its even partner: a
lilt is a change of gait, not a delay.

Cost: the exact distance of one pair of 512-pip tables is a few milliseconds of numpy
over all shifts, so it is computed only for pairs that two cheap bounds cannot clear.
The first compares the sorted values of each axis: a cyclic shift pairs the samples one
to one, and no pairing brings two sorted lists closer than pairing them in order. The
second is the same distance taken over every sixteenth pip only, which can only be
smaller.

`python tests/python/test_pattern_variety.py` prints the report: for every family and
motion every pair closer than REPORT with its distance; a failing test prints its group's.
"""

import functools
import math

import numpy as np
import pytest
import velmora
from velmora_kit import table as kit_table
from velmora_kit.catalogue import builtin_facts

FLOOR = 0.05
LILT_FLOOR = 0.12
REPORT = 0.1

FAMILIES = (
    "wave_ env_ seq_ noise_ orbit_harmonic_ weave_ polar_ spiro_ space_ mech_ euclid_ poly_ meter_ swing_ "
    "stick_study_ gesture_ ribbon_ contour_shaped_ silhouette_harmonic_ spline_ tour_ scan_ reach_ surface_ "
    "braid_ arm_coupled_ dwell_phrase_ packet_ canon_ echo_ ladder_ necklace_ accent_walk_ triplet_ dialogue_ "
    "burst_"
).split()
# The grid's motions and grooves as the generator declares them.
MOTIONS = list(dict.fromkeys(facts.motion for facts in builtin_facts() if facts.motion))
GROOVE_COUNT = len({facts.groove for facts in builtin_facts() if facts.groove})

GRID_EXPLAINED_AT_MOST = 20
GRID_SPAN = 0.5
GRID_AXIS_SPAN = 0.15

_ROTATED_CLAVE = ("son clave 2-3 is the same band as 3-2 with its two bars swapped: the same loop "
                  "started a bar later; only the phrase's breath and the clave's place among the "
                  "hand percussion tell them apart")
_NO_GHOSTS = "amen_no_ghosts is amen_four_bar without its eight ghost snares, every other hit the same"
GRID_EXPLAINED = {
    **{frozenset((f"beat_son_clave_32_{m}", f"beat_son_clave_23_{m}")): _ROTATED_CLAVE
       for m in ("bounce", "step", "glide", "surge", "figure8", "corkscrew", "spiral", "spring")},
    **{frozenset((f"beat_amen_four_bar_{m}", f"beat_amen_no_ghosts_{m}")): _NO_GHOSTS for m in ("spiral", "corkscrew")},
}
EXPLAINED = {
    frozenset(("meter_2_3", "meter_3_2")): "formula table: 3+2 is 2+3 started one group later, sides swapped",
    frozenset(("meter_3_4", "meter_4_3")): "formula table: 4+3 is 3+4 started one group later, sides swapped",
    frozenset(("meter_2_2_2_3", "meter_2_3_2_2")): "formula table: 2+3+2+2 is 2+2+2+3 rotated by two groups",
    frozenset(("meter_3_3_2_3", "meter_3_3_3_2")): "formula table: 3+3+3+2 is 3+3+2+3 started a group earlier, sides swapped",
}

ENTRIES = {e["name"]: e for e in velmora.catalogue()}
MIRROR = np.array([-1.0, 1.0, 1.0])


@functools.lru_cache(maxsize=None)
def table(name):
    return kit_table(name)


def best_shift_distance(a, b, every=1):
    """Smallest over cyclic shifts of b, and over b with x mirrored, of max |a - b|, the
    maximum taken over every `every`-th pip of a: with every > 1 a bound from below that
    costs that many times less."""
    period = len(a)
    best = np.inf
    for other in (b, b * MIRROR):
        windows = np.lib.stride_tricks.sliding_window_view(np.concatenate([other, other[:-1]]), period, axis=0)
        differences = np.abs(windows[:, :, ::every] - a[::every].T[None])
        best = min(best, float(differences.max(axis=(1, 2)).min()))
    return best


def lower_bounds(names):
    """For every pair, a bound that no shift or mirroring can beat: the sorted values of
    each axis compared in order."""
    ordered = np.stack([np.sort(table(n), axis=0) for n in names])
    mirrored = np.stack([np.sort(table(n) * MIRROR, axis=0) for n in names])
    bounds = np.full((len(names), len(names)), np.inf)
    for i in range(len(names)):
        plain = np.abs(ordered - ordered[i]).max(axis=(1, 2))
        flipped = np.abs(mirrored - ordered[i]).max(axis=(1, 2))
        bounds[i] = np.minimum(plain, flipped)
    return bounds


def groups():
    names = list(ENTRIES)
    return {family: [n for n in names if n.startswith(family)] for family in FAMILIES}


def grid_motion(motion):
    return [n for n in ENTRIES if n.startswith("beat_") and n.endswith(f"_{motion}")]


def rms_close_pairs(names, limit):
    """(distance, a, b) for every pair of `names` whose RMS distance at the best cyclic
    shift, x mirrored or not, is below `limit`; both loops are repeated to their common
    length. The cross-correlations over all shifts come from FFTs, batched per common
    length and summed over the axes before the inverse transform."""
    periods = [ENTRIES[n]["period_pips"] for n in names]

    @functools.lru_cache(maxsize=None)
    def spectra(length, mirror):
        return [np.fft.rfft(np.tile(table(n) * np.array([mirror, 1.0, 1.0]), (length // p, 1)), axis=0)
                if length % p == 0 else None for n, p in zip(names, periods)]

    energy = [float((table(n) ** 2).sum()) / p for n, p in zip(names, periods)]  # per pip
    pairs = []
    for i in range(len(names)):
        by_length = {}
        for j in range(i + 1, len(names)):
            by_length.setdefault(math.lcm(periods[i], periods[j]), []).append(j)
        for length, others in by_length.items():
            mine = np.conj(spectra(length, 1.0)[i])
            best = np.full(len(others), -np.inf)
            for mirror in (1.0, -1.0):
                products = np.stack([(mine * spectra(length, mirror)[j]).sum(axis=1) for j in others])
                best = np.maximum(best, np.fft.irfft(products, n=length, axis=1).max(axis=1) / length)
            for k, j in enumerate(others):
                squared = energy[i] + energy[j] - 2.0 * best[k]
                if squared < limit * limit:
                    pairs.append((math.sqrt(max(squared, 0.0)), names[i], names[j]))
    return sorted(pairs)


def close_pairs(names, limit):
    """(distance, a, b) for every pair of one period closer than `limit`, nearest first."""
    pairs = []
    for period in sorted({ENTRIES[n]["period_pips"] for n in names}):
        same = [n for n in names if ENTRIES[n]["period_pips"] == period]
        bounds = lower_bounds(same)
        for i in range(len(same)):
            for j in range(i + 1, len(same)):
                a, b = table(same[i]), table(same[j])
                if bounds[i, j] < limit and best_shift_distance(a, b, every=16) < limit:
                    distance = best_shift_distance(a, b)
                    if distance < limit:
                        pairs.append((distance, same[i], same[j]))
    return sorted(pairs)


def report(group, pairs):
    lines = [f"{group}: {len(pairs)} pair(s) closer than {REPORT}"]
    for distance, a, b in pairs:
        reason = EXPLAINED.get(frozenset((a, b)))
        mark = "" if distance >= FLOOR else ("  explained: " + reason if reason else "  BELOW THE FLOOR")
        lines.append(f"  {distance:.4f}  {a:34s} {b:34s}{mark}")
    return "\n".join(lines)


GROUPS = groups()


def test_groups_cover_the_families_and_the_grid():
    assert all(len(GROUPS[f]) == 16 for f in FAMILIES)
    assert all(len(grid_motion(m)) == GROOVE_COUNT for m in MOTIONS)


def test_grid_motions_differ_by_rms_and_move_on_every_axis_they_claim():
    close = [p for m in MOTIONS for p in rms_close_pairs(grid_motion(m), FLOOR)]
    unexplained = [p for p in close if frozenset(p[1:]) not in GRID_EXPLAINED]
    assert not unexplained, "\n".join(f"{d:.4f} {a} {b}" for d, a, b in unexplained)
    assert len(close) <= GRID_EXPLAINED_AT_MOST
    # A reason for a pair that has since moved apart would hide the next real duplicate.
    assert {frozenset(p[1:]) for p in close} == set(GRID_EXPLAINED)
    for name in (n for m in MOTIONS for n in grid_motion(m)):
        spans = np.ptp(table(name), axis=0)
        assert spans.max() >= GRID_SPAN, (name, spans)
        assert spans[:ENTRIES[name]["dimensions"]].min() >= GRID_AXIS_SPAN, (name, spans)


@pytest.mark.parametrize("group", list(GROUPS))
def test_no_two_members_come_closer_than_the_floor_without_a_reason(group):
    unexplained = [p for p in close_pairs(GROUPS[group], FLOOR) if frozenset(p[1:]) not in EXPLAINED]
    assert not unexplained, report(group, close_pairs(GROUPS[group], REPORT))


def test_explained_pairs_are_still_close():
    # A reason for a pair that has since moved apart would hide the next real duplicate.
    for pair, reason in EXPLAINED.items():
        a, b = sorted(pair)
        assert best_shift_distance(table(a), table(b)) < FLOOR, f"{a} and {b} are no longer close: {reason}"


@pytest.mark.parametrize("kind", ["up_down", "pendulum", "octave", "unequal", "question", "answer", "ratchet",
                                  "stairs"])
def test_every_lilt_differs_from_every_shift_of_its_even_partner(kind):
    lilt, even = table(f"seq_{kind}_lilt"), table(f"seq_{kind}_even")
    assert best_shift_distance(lilt, even) >= LILT_FLOOR


if __name__ == "__main__":
    for name, members in GROUPS.items():
        print(report(name, close_pairs(members, REPORT)))
    for motion in MOTIONS:
        print(f"beat_*_{motion} by RMS:")
        for distance, a, b in rms_close_pairs(grid_motion(motion), REPORT):
            print(f"  {distance:.4f}  {a:34s} {b:34s}")
