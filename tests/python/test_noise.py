"""The noise_ family: paths through control points taken from indexed SHA-256 digests.

The drift and depth members are rebuilt here from hashlib digests and compared with the
stored tables, which pins down the digest inputs: the text "<name>:<lane>:<index>", the
first eight digest bytes big-endian, shifted right by 11, over 2^53, mapped to [-1, 1)."""

import hashlib
import math

import numpy as np
import pytest
import velmora

PERIOD = 1024
FAMILY = (
    [f"noise_drift_{n}" for n in (5, 7, 9, 11)]
    + [f"noise_orbit_{n}" for n in (6, 8, 10, 12)]
    + [f"noise_ripple_{n}" for n in (5, 7, 9, 11)]
    + [f"noise_depth_{n}" for n in (6, 8, 10, 12)]
)


def table(name):
    return np.array([velmora.sample(name, pip).as_tuple() for pip in range(PERIOD)])


def digest_unit(key):
    leading = int.from_bytes(hashlib.sha256(key.encode("ascii")).digest()[:8], "big")
    return (leading >> 11) / 2.0**53


def smootherstep(t):
    return t * t * t * (6 * t * t - 15 * t + 10)


def keyframe_lane(name, lane, n):
    controls = [2 * digest_unit(f"{name}:{lane}:{j}") - 1 for j in range(n)] + [None]
    controls[n] = controls[0]
    values = []
    for pip in range(PERIOD):
        j = min(int(pip * n / PERIOD), n - 1)
        while PERIOD * (j + 1) / n <= pip:
            j += 1
        start, end = PERIOD * j / n, PERIOD * (j + 1) / n
        values.append(controls[j] + (controls[j + 1] - controls[j]) * smootherstep((pip - start) / (end - start)))
    return values


def test_family_rows_are_all_there_with_their_dimensions():
    entries = {e["name"]: e for e in velmora.catalogue()}
    for name in FAMILY:
        assert entries[name]["period_pips"] == PERIOD
        assert entries[name]["dimensions"] == (3 if name.startswith("noise_depth_") else 2)


@pytest.mark.parametrize("name", [n for n in FAMILY if n.startswith(("noise_drift_", "noise_depth_"))])
def test_keyframed_members_are_reproducible_from_the_digests(name):
    n = int(name.rsplit("_", 1)[1])
    lanes = ["x", "y", "z"] if name.startswith("noise_depth_") else ["x", "y"]
    raw = np.zeros((PERIOD, 3))
    for axis, lane in enumerate(lanes):
        raw[:, axis] = keyframe_lane(name, lane, n)
    expected = raw * (0.82 / np.abs(raw).max())
    np.testing.assert_allclose(table(name), expected, atol=2e-12, rtol=0)


@pytest.mark.parametrize("name", [n for n in FAMILY if n.startswith(("noise_drift_", "noise_depth_"))])
def test_keyframed_members_rest_at_their_control_points(name):
    n = int(name.rsplit("_", 1)[1])
    samples = table(name)
    for j in range(n):
        pip = PERIOD * j / n
        if pip == int(pip):
            pip = int(pip)
            assert np.abs(samples[(pip + 1) % PERIOD] - samples[pip - 1]).max() < 1e-4


@pytest.mark.parametrize("name", FAMILY)
def test_closed_smooth_loop_normalised_to_0_82(name):
    samples = table(name)
    assert np.abs(samples).max() == 0.82
    looped = np.vstack([samples, samples[:1]])
    steps = np.abs(np.diff(looped, axis=0)).max(axis=1)
    assert steps.max() < 0.04
    assert steps[-1] <= np.percentile(steps, 99.5), "the wrap from the last sample to the first jumps"


@pytest.mark.parametrize("name", [n for n in FAMILY if n.startswith("noise_orbit_")])
def test_orbits_turn_once_around_the_centre_with_irregular_radius(name):
    samples = table(name)
    angle = np.arctan2(samples[:, 1], samples[:, 0])
    # Always advancing, one full turn per loop (the wrap's step included).
    steps = (np.diff(np.append(angle, angle[0])) + math.pi) % (2 * math.pi) - math.pi
    assert (steps > 0).all()
    assert abs(steps.sum() - 2 * math.pi) < 1e-9
    radius = np.hypot(samples[:, 0], samples[:, 1])
    assert radius.min() > 0.2 and radius.max() / radius.min() > 1.15


@pytest.mark.parametrize("name", [n for n in FAMILY if n.startswith("noise_ripple_")])
def test_ripples_number_as_the_name_says(name):
    n = int(name.rsplit("_", 1)[1])
    samples = table(name)
    # Measured against the base ellipse (y at 0.62 of x), the radius swells n times.
    swell = np.hypot(samples[:, 0], samples[:, 1] / 0.62)
    crests = (swell > np.roll(swell, 1)) & (swell >= np.roll(swell, -1))
    assert int(crests.sum()) == n
    # The ripples are of unequal depth: their depths come from the digests.
    depths = swell[crests]
    assert depths.max() - depths.min() > 0.01


def test_members_are_distinct_and_differ_within_a_kind():
    tables = {name: table(name).tobytes() for name in FAMILY}
    assert len(set(tables.values())) == len(FAMILY)


def test_depth_members_use_all_three_axes_and_drift_members_stay_flat():
    for n in (6, 8, 10, 12):
        assert np.abs(table(f"noise_depth_{n}")[:, 2]).max() > 0.2
    for name in FAMILY:
        if not name.startswith("noise_depth_"):
            assert not table(name)[:, 2].any()


def test_seeded_drift_shares_the_digest_scheme():
    # lfo_seeded_drift takes its lanes from the same digests: nine x and thirteen y
    # controls, mean removed, through closed cubic B-splines, normalised to 0.82.
    def bspline(controls, t):
        n = len(controls)
        position = t * n
        i = int(math.floor(position))
        f = position - i
        c = [controls[(i + k) % n] for k in (-1, 0, 1, 2)]
        g = 1 - f
        return (c[0] * g**3 + c[1] * (3 * f**3 - 6 * f**2 + 4) + c[2] * (-3 * f**3 + 3 * f**2 + 3 * f + 1) + c[3] * f**3) / 6

    lanes = []
    for lane, count in (("x", 9), ("y", 13)):
        controls = [2 * digest_unit(f"lfo_seeded_drift:{lane}:{j}") - 1 for j in range(count)]
        mean = sum(controls) / count
        controls = [c - mean for c in controls]
        lanes.append([bspline(controls, pip / PERIOD) for pip in range(PERIOD)])
    raw = np.array([lanes[0], lanes[1], [0.0] * PERIOD]).T
    expected = raw * (0.82 / np.abs(raw).max())
    stored = np.array([velmora.sample("lfo_seeded_drift", pip).as_tuple() for pip in range(PERIOD)])
    np.testing.assert_allclose(stored, expected, atol=2e-12, rtol=0)
