"""The designed single patterns of the initial and expansion collections, measured against
what their descriptions claim: joins without jumps, peaks on their pips, decays that decay,
rests that rest, the AKWF data itself, played grooves off the grid and grid grooves on it.
Also the catalogue-wide extremes, which these designs are responsible for reaching."""

import pathlib
import re

import numpy as np
import pytest
import velmora

CORE_COUNT = 15
REPO = pathlib.Path(__file__).resolve().parents[2]

DESIGNED = [
    "lfo_ratchet", "lfo_morph", "rhythm_three_two", "rhythm_half_time", "rudiment_flam_accent",
    "ease_elastic", "akwf_round_saw", "akwf_quick_return", "akwf_multi_lobe", "akwf_plateau",
    "groove_a_played", "groove_a_grid", "groove_b_played", "groove_b_grid",
    "lfo_sweep_ratchet", "lfo_seeded_drift", "rhythm_five_four", "rhythm_seven_four",
    "rhythm_swung_answer", "rhythm_group_332", "rhythm_group_223", "rhythm_three_four_five",
]
AKWF = {
    "akwf_round_saw": "AKWF_R_asym_saw_05",
    "akwf_quick_return": "AKWF_R_asym_saw_15",
    "akwf_multi_lobe": "AKWF_0001",
    "akwf_plateau": "AKWF_0010",
}
# The waveforms are what they are: their own steep edges are not design faults.
SMOOTH = [name for name in DESIGNED if name not in AKWF]

ENTRIES = {entry["name"]: entry for entry in velmora.catalogue()}


def table(name):
    """One loop of the pattern as an array of shape (period, 3)."""
    period = ENTRIES[name]["period_pips"]
    return np.array([velmora.sample(name, pip).as_tuple() for pip in range(period)])


def local_peaks(values, floor):
    """Pips where |value| is a strict local maximum above `floor`, neighbours taken cyclically."""
    magnitude = np.abs(values)
    before, after = np.roll(magnitude, 1), np.roll(magnitude, -1)
    return [int(p) for p in np.flatnonzero((magnitude > floor) & (magnitude > before) & (magnitude >= after))]


# --- joins and continuity -------------------------------------------------------------


@pytest.mark.parametrize("name", SMOOTH)
def test_no_jump_anywhere_including_the_wrap(name):
    samples = table(name)
    steps = np.abs(np.diff(np.vstack([samples, samples[:1]]), axis=0)).max(axis=1)
    # Raised-cosine events of half-width 6 pips and amplitude 1 move at most pi/12 per pip.
    assert steps.max() < 0.27, f"largest step {steps.max()} at pip {steps.argmax()}"
    assert steps[-1] <= np.percentile(steps, 99), "the wrap is a jump compared with the motion elsewhere"


@pytest.mark.parametrize("name", SMOOTH)
def test_motion_has_no_kinks(name):
    # Second differences stay small: C1 motion, including across the loop's end.
    samples = table(name)
    looped = np.vstack([samples[-1:], samples, samples[:1]])
    curvature = np.abs(looped[2:] - 2 * looped[1:-1] + looped[:-2]).max()
    assert curvature < 0.1


@pytest.mark.parametrize("name", DESIGNED)
def test_range_and_declared_dimensions(name):
    samples = table(name)
    assert samples.min() >= -0.92 and samples.max() <= 1.0
    dims = ENTRIES[name]["dimensions"]
    used = 3 if samples[:, 2].any() else 2 if samples[:, 1].any() else 1
    assert used == dims


def test_no_two_designed_patterns_share_a_table():
    seen = {}
    for name in DESIGNED:
        key = table(name).tobytes()
        assert key not in seen, f"{name} repeats {seen.get(key)}"
        seen[key] = name


# --- peak-aligned events -----------------------------------------------------------------

# (pattern, axis, floor, onsets): each onset must be the extreme sample of its event, and
# the lane's peaks above the floor must be exactly these onsets.
PEAK_ALIGNED = [
    ("lfo_ratchet", 0, 0.1, [0, 32, 64, 96]),
    ("rhythm_swung_answer", 0, 0.1, [0, 43, 64, 107, 128, 171, 192, 235]),
    ("rhythm_half_time", 1, 0.5, [0]),
    ("rhythm_half_time", 0, 0.5, [128]),
    ("rudiment_flam_accent", 0, 0.6, [0, 64, 128, 192]),
    ("lfo_sweep_ratchet", 1, 0.1, [336, 384, 432]),
    ("rhythm_group_332", 0, 0.3, [0, 96, 192, 256, 352, 448]),
    ("rhythm_group_223", 0, 0.3, [0, 64, 128, 224, 288, 352]),
]


@pytest.mark.parametrize(("name", "axis", "floor", "onsets"), PEAK_ALIGNED)
def test_event_peaks_land_on_their_pips(name, axis, floor, onsets):
    lane = table(name)[:, axis]
    period = len(lane)
    for onset in onsets:
        window = [(onset + d) % period for d in range(-8, 9)]
        assert np.abs(lane[window]).argmax() == 8, f"event at {onset} peaks elsewhere"
    assert sorted(local_peaks(lane, floor)) == sorted(onsets)


def test_swung_call_is_answered_on_the_other_side():
    x = table("rhythm_swung_answer")[:, 0]
    call, answer = x[[0, 43, 64, 107]], x[[128, 171, 192, 235]]
    assert (call > 0).all() and (answer < 0).all()
    np.testing.assert_array_equal(call, -answer)
    # Two to one: the offbeat sits two thirds into the beat, on its nearest pip.
    assert round(64 * 2 / 3) == 43


def test_ratchets_decay_then_rest():
    ratchet = table("lfo_ratchet")
    peaks = ratchet[[0, 32, 64, 96], 0]
    assert (np.diff(peaks) < 0).all()
    assert not ratchet[112:240].any(), "the rest after the burst is not still"

    sweep = table("lfo_sweep_ratchet")
    assert (np.diff(np.abs(sweep[[336, 384, 432], 1])) < 0).all()
    assert not sweep[:316, 1].any(), "the ratchets must follow the sweep"
    # The sweep crosses the field once, then glides back without a reset.
    assert sweep[0, 0] == -0.8 and sweep[320, 0] == 0.8
    assert (np.diff(sweep[:321, 0]) >= 0).all() and (np.diff(sweep[320:, 0]) <= 0).all()


def test_flam_grace_gestures_lead_accents_from_the_other_hand():
    x = table("rudiment_flam_accent")[:, 0]
    for lead in (0, 64, 128, 192):
        grace = (lead - 8) % 256
        assert np.sign(x[grace]) == -np.sign(x[lead]) != 0
        assert abs(x[grace]) < abs(x[lead]) / 2
    # Leads alternate hands: R, L, R, L.
    assert list(np.sign(x[[0, 64, 128, 192]])) == [1, -1, 1, -1]


# --- lateral against vertical counts --------------------------------------------------


@pytest.mark.parametrize(("name", "lateral", "vertical"), [
    ("rhythm_three_two", 3, 2),
    ("rhythm_five_four", 10, 8),
    ("rhythm_seven_four", 14, 8),
])
def test_lateral_and_vertical_hit_counts(name, lateral, vertical):
    samples = table(name)
    x_peaks, y_peaks = local_peaks(samples[:, 0], 0.2), local_peaks(samples[:, 1], 0.2)
    assert (len(x_peaks), len(y_peaks)) == (lateral, vertical)


@pytest.mark.parametrize("name", ["rhythm_five_four", "rhythm_seven_four"])
def test_odd_lateral_counts_alternate_across_both_bars(name):
    x = table(name)[:, 0]
    signs = [np.sign(x[p]) for p in local_peaks(x, 0.2)]
    assert all(a == -b for a, b in zip(signs, signs[1:] + signs[:1]))
    # The second bar starts on the other side from the first.
    assert np.sign(x[0]) == -np.sign(x[256])


def test_three_four_five_peaks_sit_at_their_rational_times():
    samples = table("rhythm_three_four_five")
    for axis, count in ((0, 3), (1, 4), (2, 5)):
        peaks = local_peaks(samples[:, axis], 0.2)
        expected = [round(512 * i / count) for i in range(count)]
        assert peaks == expected
    # At a fractional onset the two neighbouring samples weigh the distance to it exactly:
    # 170 2/3 lies a third of a pip from 171 and two thirds from 170.
    x = samples[:, 0]
    assert abs(x[171]) > abs(x[170])


def test_group_accents_alternate_and_ticks_mark_other_eighths():
    for name, starts in (("rhythm_group_332", [0, 3, 6, 8, 11, 14]), ("rhythm_group_223", [0, 2, 4, 7, 9, 11])):
        samples = table(name)
        x = samples[:, 0]
        assert list(np.sign(x[[32 * s for s in starts]])) == [1, -1] * 3
        eighths = len(samples) // 32
        for eighth in set(range(eighths)) - set(starts):
            assert x[32 * eighth] == 0 and samples[32 * eighth, 1] < 0
    # A seven-quarter loop, not forced into four beats.
    assert ENTRIES["rhythm_group_223"]["period_pips"] == 7 * 64


# --- shapes -----------------------------------------------------------------------------


def test_elastic_grows_decays_and_rests_at_both_ends():
    x = table("ease_elastic")[:, 0]
    assert x[0] == 0 and abs(x[1]) < 1e-4 and abs(x[-1]) < 1e-6
    assert np.abs(x).max() == 0.8
    swings = [abs(x[p]) for p in local_peaks(x, 0.0)]
    top = int(np.argmax(swings))
    assert 0 < top < len(swings) - 1
    assert (np.diff(swings[: top + 1]) > 0).all() and (np.diff(swings[top:]) < 0).all()


def test_morph_changes_from_sine_to_skewed_triangle_within_the_phrase():
    x = table("lfo_morph")[:, 0]
    # The sine's crest sits a quarter into its cycle; the skewed triangle's arrives later.
    assert abs(int(x[0:128].argmax()) - 32) <= 1
    assert int(x[256:384].argmax()) - 32 > 15
    # Around mid-phrase the long rise is nearly straight: its slope varies far less than a
    # sine's does over a comparable stretch (std/mean about 0.3).
    rise = np.diff(x[240:300])
    assert rise.std() < 0.1 * rise.mean()


def test_half_time_has_the_strong_downbeat_and_the_beat_three_accent():
    samples = table("rhythm_half_time")
    assert samples[0, 1] == -0.92 and samples[128, 0] == 1.0
    shuffles = [p for p in local_peaks(samples[:, 0], 0.05) if p not in (0, 128)]
    assert len(shuffles) == 4
    assert np.abs(samples[shuffles, 0]).max() < 0.3


def test_seeded_drift_lanes_are_independent_and_irregular():
    samples = table("lfo_seeded_drift")
    x, y = samples[:, 0], samples[:, 1]
    assert abs(np.corrcoef(x, y)[0, 1]) < 0.5
    # Irregular: the gaps between turning points differ, unlike any sinusoid.
    for lane in (x, y):
        turns = local_peaks(lane - lane.mean(), 0.0)
        assert len(set(np.diff(turns))) > 1


def akwf_source():
    text = (REPO / "tools/generator/data/akwf_waveforms.hpp").read_text()
    waveforms = {}
    for match in re.finditer(r'\{"(AKWF_\w+)",\s*\{([^}]*)\}\}', text):
        waveforms[match.group(1)] = [int(v) for v in match.group(2).replace("\n", " ").split(",") if v.strip()]
    return waveforms


@pytest.mark.parametrize("name", sorted(AKWF))
def test_akwf_patterns_are_the_named_waveforms(name):
    source = np.array(akwf_source()[AKWF[name]], dtype=float)
    assert len(source) == 256
    expected = source * (0.82 / np.abs(source).max())
    np.testing.assert_allclose(table(name)[:, 0], expected, atol=1e-12, rtol=0)
    assert AKWF[name] + "_256:" in ENTRIES[name]["description"]


# --- grooves ----------------------------------------------------------------------------


@pytest.mark.parametrize("excerpt", ["a", "b"])
def test_grid_groove_is_quantised_and_played_groove_sits_off_it(excerpt):
    grid = table(f"groove_{excerpt}_grid")
    played = table(f"groove_{excerpt}_played")
    for axis, floor in ((0, 0.4), (1, 0.3)):  # snare throws and kick dips
        grid_peaks = local_peaks(grid[:, axis], floor)
        played_peaks = local_peaks(played[:, axis], floor)
        assert all(p % 16 == 0 for p in grid_peaks)
        assert len(grid_peaks) == len(played_peaks)
        offsets = [min(((p - g + 256) % 512 - 256 for p in played_peaks), key=abs) for g in grid_peaks]
        # A few pips late or early: hits are at most 4 off, and a neighbouring hat can pull
        # the summed peak by a pip or two more.
        assert all(abs(o) <= 6 for o in offsets), offsets
        assert any(o != 0 for o in offsets)
    # The backbeat is laid back in the played take.
    assert all(played[p, 0] > played[p - 3, 0] for p in (67, 195, 323, 451))


def test_the_two_excerpts_are_different_grooves():
    a, b = table("groove_a_grid"), table("groove_b_grid")
    assert local_peaks(a[:, 1], 0.3) != local_peaks(b[:, 1], 0.3)


# --- the catalogue's extremes --------------------------------------------------------------


def test_catalogue_extremes_are_exactly_minus_0_92_and_1():
    lowest, highest = 0.0, 0.0
    for entry in velmora.catalogue()[CORE_COUNT:]:
        samples = table(entry["name"])
        lowest, highest = min(lowest, samples.min()), max(highest, samples.max())
    assert lowest == -0.92
    assert highest == 1.0
