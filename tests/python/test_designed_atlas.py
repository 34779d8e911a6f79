"""The designed patterns of velmora_atlas (shaped waves, programmed sequences, scalloped
loops, mechanisms and gestures), measured on the stored tables against what their names
and descriptions promise. y grows upward: a lift is a positive y, a press a negative one."""

import functools
import math

import numpy as np
import pytest
import velmora

DESIGNED = [
    "wave_soft_rectifier", "wave_scoop_warp", "wave_shelf_wave", "wave_bottle", "wave_soft_teeth", "wave_warped_fold",
    "seq_up_down_even", "seq_up_down_lilt", "seq_pendulum_lilt", "seq_octave_lilt", "seq_unequal_even",
    "seq_unequal_lilt", "seq_question_even", "seq_question_lilt", "seq_answer_even", "seq_answer_lilt",
    "seq_ratchet_lilt", "seq_stairs_lilt",
    *[f"polar_scallop_{n}" for n in range(2, 10)],
    "mech_piston_short", "mech_piston_long", "mech_offset_crank", "mech_whitworth", "mech_elliptic_cam",
    "mech_escapement", "mech_rocking_beam", "mech_crank_rocker", "mech_cam_return",
    "gesture_side_reach", "gesture_cross_reach", "gesture_low_scoop", "gesture_high_arc", "gesture_corner_taps",
    "gesture_diagonal_touch", "gesture_box_return", "gesture_zigzag_lift", "gesture_duck_sway", "gesture_push_pull",
    "gesture_reach_depth", "gesture_bow_turn", "gesture_heel_toe", "gesture_hop_answer", "gesture_spiral_reach",
    "gesture_diamond_depth",
]
FAMILIES = ["wave_", "seq_", "polar_scallop_", "mech_", "gesture_"]
ENTRIES = {e["name"]: e for e in velmora.catalogue()}


@functools.lru_cache(maxsize=None)
def table(name):
    period = ENTRIES[name]["period_pips"]
    return np.array([velmora.sample(name, p).as_tuple() for p in range(period)])


def cyclic_steps(samples):
    """Distance moved from each pip to the next, the last one wrapping to pip 0."""
    return np.linalg.norm(np.roll(samples, -1, axis=0) - samples, axis=1)


def cyclic_maxima(values, above=-math.inf):
    return [i for i in range(len(values))
            if values[i] > values[i - 1] and values[i] >= values[(i + 1) % len(values)] and values[i] > above]


def cyclic_minima(values):
    return cyclic_maxima(-values)


def holds(samples, min_pips):
    """Runs of at least `min_pips` pips over which the sample does not change at all."""
    still = np.all(np.roll(samples, -1, axis=0) == samples, axis=1)
    if still.all():
        return [(0, len(samples))]
    start = int(np.argmin(still))  # walk from a moving pip so a run over the wrap stays whole
    runs, run = [], 0
    for k in range(1, len(samples) + 1):
        i = (start + k) % len(samples)
        if still[i]:
            run += 1
        else:
            if run + 1 >= min_pips:
                runs.append(((i - run) % len(samples), run + 1))
            run = 0
    return runs


# ---- every designed member -----------------------------------------------------------

def test_every_designed_member_is_in_the_catalogue():
    missing = [n for n in DESIGNED if n not in ENTRIES]
    assert not missing


@pytest.mark.parametrize("name", DESIGNED)
def test_values_stay_in_the_catalogue_range_and_use_the_declared_axes(name):
    samples = table(name)
    dims = ENTRIES[name]["dimensions"]
    assert samples.min() >= -0.92 and samples.max() <= 1.0
    assert np.all(samples[:, dims:] == 0.0)
    assert np.any(samples[:, dims - 1] != 0.0)


@pytest.mark.parametrize("name", DESIGNED)
def test_no_step_jumps_out_of_the_motion_around_it(name):
    # A teleport is a step far larger than both of its neighbours; smooth motion changes
    # its speed gradually, the wrap from the last pip to the first included.
    steps = cyclic_steps(table(name))
    neighbours = np.maximum(np.roll(steps, 1), np.roll(steps, -1))
    assert np.all(steps <= 2 * neighbours + 1e-9), int(np.argmax(steps - 2 * neighbours))
    assert steps.max() < 0.1


@pytest.mark.parametrize("family", FAMILIES)
def test_members_of_a_family_are_all_different(family):
    names = [n for n in ENTRIES if n.startswith(family)]
    assert len(names) in (8, 16)
    tables = {n: table(n).tobytes() for n in names}
    assert len(set(tables.values())) == len(names)


# ---- shaped waves -------------------------------------------------------------------

def wave(name):
    return table(name)[:, 0]


def rise_and_fall_pips(x):
    """Pips from the lowest point to the highest, and from the highest back down."""
    low, high = int(np.argmin(x)), int(np.argmax(x))
    return (high - low) % len(x), (low - high) % len(x)


@pytest.mark.parametrize("name, crests", [
    ("wave_soft_rectifier", 2), ("wave_scoop_warp", 1), ("wave_shelf_wave", 1),
    ("wave_bottle", 1), ("wave_soft_teeth", 3), ("wave_warped_fold", 2),
])
def test_waves_have_the_crests_their_titles_name(name, crests):
    assert len(cyclic_maxima(wave(name), above=0.2)) == crests


def test_soft_rectifier_swells_are_broad_and_its_valleys_narrow():
    x = wave("wave_soft_rectifier")
    assert np.mean(x > 0) > 0.6
    assert abs(x[cyclic_maxima(x, 0.2)[0]] - x[cyclic_maxima(x, 0.2)[1]]) < 1e-9


def test_scooped_return_falls_slowly_into_its_scoop():
    rise, fall = rise_and_fall_pips(wave("wave_scoop_warp"))
    assert fall > 2 * rise


def test_shelf_wave_pauses_at_the_centre_on_its_way_up():
    x = wave("wave_shelf_wave")
    step = np.roll(x, -1) - x
    low, high = int(np.argmin(x)), int(np.argmax(x))
    on_rise = [(low + k) % len(x) for k in range((high - low) % len(x))]
    slowest = on_rise[int(np.argmin(step[on_rise]))]
    assert np.all(step[on_rise] > 0)  # a pause, not a dip
    assert step[slowest] < 0.02 * step[on_rise].max() and abs(x[slowest]) < 0.05


def test_bottle_body_outlasts_and_outreaches_its_neck():
    x = wave("wave_bottle")
    assert np.mean(x > 0) > 0.6
    assert -x.min() < 0.7 * x.max()


def test_soft_teeth_rise_fast_and_fall_slowly():
    x = wave("wave_soft_teeth")
    crests, troughs = cyclic_maxima(x, 0.2), cyclic_minima(x)
    assert len(troughs) == 3
    for crest in crests:
        trough_before = max((t for t in troughs if t < crest), default=troughs[-1] - len(x))
        trough_after = min((t for t in troughs if t > crest), default=troughs[0] + len(x))
        assert crest - trough_before < 0.5 * (trough_after - crest)


# ---- programmed sequences -----------------------------------------------------------

EVEN_STEPS = [0, 64, 128, 192, 256, 320, 384, 448]
# The lilt reaches every step on the same beat, but leaves in long-short pairs: a beat's
# glide, an eighth's rest, an eighth's hop.
LILT_DEPARTURES = [0, 96, 128, 224, 256, 352, 384, 480]
SEQUENCES = ["up_down", "pendulum", "octave", "unequal", "question", "answer", "ratchet", "stairs"]


def rests(samples):
    """Pips where an eased glide stops and the next one starts. Leaving or reaching a rest
    the steps grow as the differences of cubes (1, 7, 19, ...), so a rest is a pip whose
    steps on either side are each well below the step after them; inside a glide
    neighbouring steps are of a size."""
    after = np.linalg.norm(np.roll(samples, -1, axis=0) - samples, axis=1)
    before = np.roll(after, 1)
    return [p for p in range(len(samples))
            if 3 * after[p] < after[(p + 1) % len(samples)] and 3 * before[p] < before[p - 1]]


def departures(samples):
    """Pips where a glide leaves: a rest between glides, or the end of a hold."""
    after = np.linalg.norm(np.roll(samples, -1, axis=0) - samples, axis=1)
    before = np.roll(after, 1)
    held = [p for p in range(len(samples)) if before[p] == 0.0 and after[p] > 0.0]
    return sorted(set(rests(samples)) | set(held))


@pytest.mark.parametrize("kind", SEQUENCES)
def test_sequence_steps_land_on_even_or_lilting_times(kind):
    even, lilt = table(f"seq_{kind}_even"), table(f"seq_{kind}_lilt")
    assert rests(even) == EVEN_STEPS
    assert departures(lilt) == LILT_DEPARTURES
    assert set(np.diff(LILT_DEPARTURES + [512])) == {96, 32}
    # The lilt is the same programme: the same positions, reached on the same beats.
    np.testing.assert_array_equal(even[EVEN_STEPS], lilt[EVEN_STEPS])


@pytest.mark.parametrize("name", [f"seq_{k}_{g}" for k in SEQUENCES for g in ("even", "lilt")])
def test_sequences_share_one_rise_and_fall_of_height(name):
    heights = table(name)[EVEN_STEPS, 1]
    np.testing.assert_allclose(heights, [0.287 * math.sin(math.pi * k / 4) for k in range(8)], atol=1e-12)


# ---- scalloped loops ----------------------------------------------------------------

@pytest.mark.parametrize("lobes", range(2, 10))
def test_scallops_circle_the_centre_once_with_one_lobe_per_count(lobes):
    samples = table(f"polar_scallop_{lobes}")
    radius = np.hypot(samples[:, 0], samples[:, 1])
    assert radius.min() > 0.25  # positive radius: never near the centre
    turning = np.diff(np.unwrap(np.arctan2(samples[:, 1], samples[:, 0])))
    assert np.all(turning > 0)
    assert np.unwrap(np.arctan2(samples[:, 1], samples[:, 0]))[-1] + turning.mean() == pytest.approx(2 * math.pi, abs=0.01)
    assert len(cyclic_maxima(radius)) == lobes


@pytest.mark.parametrize("lobes", range(2, 10))
def test_scallop_lobes_are_bent_not_symmetric(lobes):
    samples = table(f"polar_scallop_{lobes}")
    radius = np.hypot(samples[:, 0], samples[:, 1])
    crests, notches = cyclic_maxima(radius), cyclic_minima(radius)
    for crest in crests:
        before = min((crest - n) % 1024 for n in notches)
        after = min((n - crest) % 1024 for n in notches)
        assert max(before, after) > 1.25 * min(before, after)


# ---- mechanisms ---------------------------------------------------------------------

def test_pistons_travel_a_full_stroke_and_the_short_rod_swings_and_dwells_more():
    short, long = table("mech_piston_short"), table("mech_piston_long")
    for piston in (short, long):
        assert piston[:, 0].max() == 0.82 and piston[:, 0].min() == -0.82
    assert np.abs(short[:, 1]).max() > 2 * np.abs(long[:, 1]).max()
    # A short rod lingers at the crank's far dead centre: more of the loop in the outer half.
    assert np.mean(short[:, 0] < 0) > np.mean(long[:, 0] < 0) + 0.03


@pytest.mark.parametrize("name, ratio", [("mech_whitworth", 1.5), ("mech_offset_crank", 1.1)])
def test_quick_return_linkages_return_faster_than_they_advance(name, ratio):
    rise, fall = rise_and_fall_pips(table(name)[:, 0])
    assert max(rise, fall) > ratio * min(rise, fall)


def test_escapement_locks_once_a_beat_after_a_recoil():
    samples = table("mech_escapement")
    locks = holds(samples, 16)
    assert len(locks) == 8
    assert sorted(start % 64 for start, _ in locks) == [locks[0][0] % 64] * 8
    angle = np.unwrap(np.arctan2(samples[:, 0], -samples[:, 1]))
    assert np.sum(np.diff(angle) < -1e-9) > 0  # the recoil turns the wheel back a little


def test_cam_dwells_at_top_and_bottom_and_returns_quicker_than_it_rises():
    y = table("mech_cam_return")[:, 1]
    dwells = holds(table("mech_cam_return"), 16)
    assert len(dwells) == 2
    top = max(dwells, key=lambda d: y[d[0]])
    bottom = min(dwells, key=lambda d: y[d[0]])
    rise = (top[0] - (bottom[0] + bottom[1] - 1)) % 512
    fall = (bottom[0] - (top[0] + top[1] - 1)) % 512
    assert fall < rise


def test_elliptic_cam_lifts_once_per_turn():
    y = table("mech_elliptic_cam")[:, 1]
    assert len(cyclic_maxima(y)) == 1 and len(cyclic_minima(y)) == 1


def test_rocking_beam_tip_rides_a_circular_arc():
    tip = table("mech_rocking_beam")[:, :2]
    a, b, c = tip[0], tip[128], tip[300]
    # Circumcentre of three points of the arc; every other point lies on the same circle.
    d = 2 * (a[0] * (b[1] - c[1]) + b[0] * (c[1] - a[1]) + c[0] * (a[1] - b[1]))
    ux = ((a @ a) * (b[1] - c[1]) + (b @ b) * (c[1] - a[1]) + (c @ c) * (a[1] - b[1])) / d
    uy = ((a @ a) * (c[0] - b[0]) + (b @ b) * (a[0] - c[0]) + (c @ c) * (b[0] - a[0])) / d
    radius = np.hypot(tip[:, 0] - ux, tip[:, 1] - uy)
    assert radius.max() - radius.min() < 1e-9


# ---- gestures -----------------------------------------------------------------------

def test_corner_taps_peak_exactly_on_every_second_beat():
    samples = table("gesture_corner_taps")
    reach = np.hypot(samples[:, 0], samples[:, 1])
    assert cyclic_maxima(reach, above=0.9) == [0, 128, 256, 384]


def test_heel_presses_on_the_beat_and_toe_lifts_on_the_offbeat():
    y = table("gesture_heel_toe")[:, 1]
    assert [i for i in cyclic_minima(y) if y[i] < -0.2] == list(range(0, 512, 64))
    assert cyclic_maxima(y, above=0.2) == list(range(32, 512, 64))


@pytest.mark.parametrize("name, count", [
    ("gesture_side_reach", 2), ("gesture_cross_reach", 4), ("gesture_diagonal_touch", 4),
    ("gesture_corner_taps", 4), ("gesture_box_return", 1), ("gesture_push_pull", 4), ("gesture_bow_turn", 3),
])
def test_held_poses_hold_still(name, count):
    assert len(holds(table(name), 16)) == count


@pytest.mark.parametrize("name, claim", [
    ("gesture_low_scoop", lambda s: s[:, 1].min() < -0.5 and s[:, 1].max() < 0.3),
    ("gesture_high_arc", lambda s: s[:, 1].max() > 0.7 and s[:, 1].min() > -0.5),
    ("gesture_hop_answer", lambda s: s[:, 1].max() > 0.7),
    ("gesture_duck_sway", lambda s: np.all(s[112:305, 1] < -0.4) and np.ptp(s[112:305, 0]) > 1.0),
    ("gesture_zigzag_lift", lambda s: np.all(np.diff(s[[0, 56, 112, 168, 224, 280], 1]) > 0)
                                      and len(cyclic_maxima(s[:, 0])) >= 3),
    ("gesture_side_reach", lambda s: s[:, 0].max() > 0.8 and s[:, 0].min() < -0.8),
    ("gesture_diamond_depth", lambda s: np.abs(s[:, 2]).max() > 0.8 and np.abs(s[:, 0]).max() > 0.6),
    ("gesture_push_pull", lambda s: s[:, 2].max() > 0.8 and s[:, 2].min() < -0.5),
    ("gesture_reach_depth", lambda s: np.ptp(s[:, 2]) > 1.5),
    ("gesture_spiral_reach", lambda s: np.ptp(s[:, 2]) > 1.2 and np.all(np.diff(s[:384, 2]) >= 0)),
])
def test_gestures_move_the_way_their_names_say(name, claim):
    assert claim(table(name))
