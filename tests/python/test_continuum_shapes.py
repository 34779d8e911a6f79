"""The spatial families of velmora_continuum measured on their stored samples: every
member is a smooth closed loop within the catalogue's range and dimensions, no two
members share a table, and each family does what its name and description say."""

import math
import re

import numpy as np
import pytest
import velmora

FAMILIES = (
    "ribbon_",
    "contour_shaped_",
    "spline_",
    "tour_",
    "scan_",
    "reach_",
    "surface_",
    "braid_",
    "arm_coupled_",
    "dwell_phrase_",
)

ENTRIES = {entry["name"]: entry for entry in velmora.catalogue()}
NAMES = [name for name in ENTRIES if name.startswith(FAMILIES)]


def members(prefix):
    return [name for name in NAMES if name.startswith(prefix)]


_tables = {}


def table(name):
    """One loop of samples as a (period, 3) array."""
    if name not in _tables:
        period = ENTRIES[name]["period_pips"]
        _tables[name] = np.array([velmora.sample(name, pip).as_tuple() for pip in range(period)])
    return _tables[name]


def steps(samples):
    """Distance from each sample to the next, the last one to the first included."""
    return np.linalg.norm(np.roll(samples, -1, axis=0) - samples, axis=1)


def holds(samples, shortest=2):
    """(first pip, length) of every run of identical samples, read around the loop."""
    same = np.all(np.roll(samples, -1, axis=0) == samples, axis=1)
    if same.all():
        return [(0, len(samples))]
    start = int(np.argmin(same)) + 1  # begin just after a moving step
    runs, length = [], 1
    for offset in range(len(samples)):
        pip = (start + offset) % len(samples)
        if same[pip]:
            length += 1
        else:
            if length >= shortest:
                runs.append(((pip - length + 1) % len(samples), length))
            length = 1
    return sorted(runs)


def dominant_frequency(values):
    spectrum = np.abs(np.fft.rfft(values - values.mean()))
    return int(np.argmax(spectrum[1:]) + 1)


def winding(x, y):
    """Whole turns of the point (x, y) about the origin over the loop."""
    angle = np.unwrap(np.arctan2(np.r_[y, y[:1]], np.r_[x, x[:1]]))
    return round((angle[-1] - angle[0]) / (2 * math.pi))


def mirror_gap(points):
    """How far the shape is from its own left-right mirror image."""
    mirrored = points * np.array([-1.0] + [1.0] * (points.shape[1] - 1))
    distances = np.linalg.norm(points[:, None, :] - mirrored[None, :, :], axis=2)
    return distances.min(axis=1).max()


# ---- every member ----------------------------------------------------------------------


def test_all_160_members_are_rendered():
    assert len(NAMES) == 160
    assert all(len(members(prefix)) == 16 for prefix in FAMILIES)


@pytest.mark.parametrize("name", NAMES)
def test_member_is_a_smooth_loop_within_range_and_dimensions(name):
    samples = table(name)
    assert samples.min() >= -0.92 and samples.max() <= 1.0
    if ENTRIES[name]["dimensions"] == 3:
        assert np.any(samples[:, 2] != 0.0)
    else:
        assert np.all(samples[:, 2] == 0.0) and np.any(samples[:, 1] != 0.0)
    # A jump, the wrap from the last sample to the first included, is a step far larger
    # than both of its neighbours; smooth motion changes speed gradually.
    step = steps(samples)
    neighbour = np.maximum(np.roll(step, 1), np.roll(step, -1))
    assert np.all(step <= 1.5 * neighbour + 2e-3), f"jump at pip {int(np.argmax(step - 1.5 * neighbour))}"


def test_no_two_members_share_a_table():
    seen = {}
    for name in NAMES:
        key = table(name).tobytes()
        assert key not in seen, f"{name} repeats {seen.get(key)}"
        seen[key] = name


# ---- closed curves -----------------------------------------------------------------------


@pytest.mark.parametrize("name", members("ribbon_"))
def test_ribbon_crosses_its_spine_b_times_per_bar_and_deep_ribbons_lean_further(name):
    a, b, variant = re.fullmatch(r"ribbon_(\d)_(\d)_(slim|deep)", name).groups()
    samples = table(name)
    # The depth follows the crossing of the ribbon: four bars of b crossings each.
    assert dominant_frequency(samples[:, 2]) == 4 * int(b)
    if variant == "deep":
        slim = table(name.replace("_deep", "_slim"))
        assert np.abs(samples[:, 2]).max() > 2 * np.abs(slim[:, 2]).max()


@pytest.mark.parametrize("name", members("contour_shaped_"))
def test_contour_is_bowed_asymmetrically_and_traced_evenly(name):
    samples = table(name)
    assert mirror_gap(samples[::4, :2]) > 0.04
    step = steps(samples)
    assert step.max() < 1.1 * step.min()
    # A contour flows: no pip turns the path sharply (a hairpin or a spike turns it by
    # most of a half-turn within a pip or two).
    ahead = np.roll(samples, -1, axis=0) - samples
    after = np.roll(ahead, -1, axis=0)
    cosine = (ahead * after).sum(axis=1) / np.linalg.norm(ahead, axis=1) / np.linalg.norm(after, axis=1)
    assert np.degrees(np.arccos(np.clip(cosine, -1.0, 1.0))).max() < 20.0


@pytest.mark.parametrize("name", members("surface_"))
def test_surface_path_turns_a_times_in_longitude_and_swings_b_times_in_latitude(name):
    a, b, variant = re.fullmatch(r"surface_(\d)_(\d)_(low|wide)", name).groups()
    samples = table(name)
    assert winding(samples[:, 2], samples[:, 0]) == int(a)
    assert dominant_frequency(samples[:, 1]) == int(b)
    radius = np.linalg.norm(samples, axis=1)
    assert radius.max() > 1.2 * radius.min()
    if variant == "wide":
        low = table(name.replace("_wide", "_low"))
        assert np.abs(samples[:, 1]).max() > 1.8 * np.abs(low[:, 1]).max()


@pytest.mark.parametrize("name", members("braid_"))
def test_braid_travels_its_centreline_a_times(name):
    a = int(re.fullmatch(r"braid_(\d)_(\d)", name).group(1))
    samples = table(name)
    centre = samples.mean(axis=0)
    assert winding(samples[:, 0] - centre[0], samples[:, 1] - centre[1]) == a


# ---- keyed paths ------------------------------------------------------------------------


@pytest.mark.parametrize("name", members("spline_"))
def test_spline_is_lopsided_and_paced_unevenly(name):
    samples = table(name)
    assert mirror_gap(samples[::4]) > 0.05
    # Equal segment times on a lopsided control polygon would still vary the speed a
    # little; unequal ones make the slowest stretch far slower than the fastest.
    step = steps(samples)
    assert step.max() > 2.5 * step.min()


@pytest.mark.parametrize("name", members("tour_"))
def test_tour_dwells_at_every_vertex_alternating_long_and_short(name):
    n, k = map(int, re.fullmatch(r"tour_(\d+)_(\d+)", name).groups())
    samples = table(name)
    runs = holds(samples)
    corners = n if n % 2 == 0 else 2 * n
    assert len(runs) == corners
    # Read the runs in time order starting from the dwell at pip 0 (a long one).
    first = next(i for i, (start, _) in enumerate(runs) if start == 0)
    lengths = [length for _, length in runs[first:] + runs[:first]]
    assert min(lengths[0::2]) > max(lengths[1::2])
    vertices = [tuple(samples[start]) for start, _ in runs[first:] + runs[:first]]
    assert len(set(vertices)) == n
    # Consecutive corners skip k - 1 vertices around the outline.
    around = sorted(set(vertices), key=lambda v: math.atan2(v[1], v[0]))
    position = [around.index(v) for v in vertices]
    for here, there in zip(position, position[1:] + position[:1]):
        assert (there - here) % n in (k, n - k)
    radii = [math.hypot(v[0], v[1]) for v in vertices]
    assert max(radii) > 1.1 * min(radii)


@pytest.mark.parametrize("name", members("scan_"))
def test_scan_sweeps_its_rows_then_returns_around_the_outside(name):
    kind, rows = re.fullmatch(r"scan_(flat|bowed|tilted|depth)_(\d)", name).groups()
    rows = int(rows)
    samples = table(name)
    scan, back = samples[:768], samples[768:]
    # Each row is one sweep across the centre line, alternating in direction.
    sweeps = np.nonzero(np.diff(scan[:, 0] > 0))[0]
    assert len(sweeps) == rows
    assert np.abs(back[:, 0]).max() > np.abs(scan[:, 0]).max() + 0.1
    if kind == "flat":
        row_heights = {round(samples[pip, 1], 9) for pip in sweeps}
        assert len(row_heights) == rows
    if kind == "depth":
        row_depths = [samples[pip, 2] for pip in sweeps]
        assert np.all(np.diff(row_depths) > 0.1)


@pytest.mark.parametrize("name", members("reach_"))
def test_reaches_leave_from_and_settle_at_one_shared_centre(name):
    kind, count = re.fullmatch(r"reach_(scoop|hook|lift|recoil)_(\d)", name).groups()
    count = int(count)
    samples = table(name)
    at_centre = [run for run in holds(samples) if not np.any(samples[run[0]])]
    assert len(at_centre) == count
    distance = np.linalg.norm(samples, axis=1)
    period = len(samples)
    for j in range(count):
        reach = slice(int(j * period / count), int((j + 1) * period / count))
        assert distance[reach].max() > 0.5
    if kind == "recoil":
        # Each reach swings back through the centre to the far side before it settles.
        for j in range(count):
            reach = samples[int(j * period / count) : int((j + 1) * period / count)]
            tip = reach[np.argmax(np.linalg.norm(reach, axis=1))]
            assert (reach @ tip).min() < -0.05 * (tip @ tip)


@pytest.mark.parametrize("name", members("dwell_phrase_"))
def test_dwell_phrase_holds_two_unequal_lifts_for_whole_sixteenths_then_settles_home(name):
    samples = table(name)
    runs = holds(samples, shortest=8)
    assert len(runs) == 3
    home = samples[0]
    rest = next(run for run in runs if np.array_equal(samples[run[0]], home))
    lifts = [run for run in runs if run is not rest]
    for start, length in runs:
        assert (length - 1) % 16 == 0  # a hold from one sixteenth boundary to another
        assert length < len(samples) // 2
    heights = [samples[start, 1] for start, _ in lifts]
    assert min(heights) > home[1] + 0.3
    assert lifts[0][1] != lifts[1][1] or not np.isclose(heights[0], heights[1])
    # The return swings past home, then settles on it.
    second_hold_end = lifts[1][0] + lifts[1][1]
    assert samples[second_hold_end:, 1].min() < home[1] - 0.02
