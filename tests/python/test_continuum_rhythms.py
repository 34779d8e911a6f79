"""The rhythmic families of velmora_continuum, measured on the stored tables: each
family does what its name and description say, moves without jumps, and no two members
share a table."""

import itertools
import math

import pytest
import velmora

FAMILIES = {
    "packet_": "alternating_2 cascading_2 crossing_2 depth_2 alternating_3 cascading_3 crossing_3 depth_3 "
               "alternating_4 cascading_4 crossing_4 depth_4 alternating_5 cascading_5 crossing_5 depth_5",
    "canon_": "01_close 01_late 02_close 02_late 03_close 03_late 04_close 04_late "
              "05_close 05_late 06_close 06_late 07_close 07_late 08_close 08_late",
    "echo_": "regular_3 shrinking_3 expanding_3 crossed_3 regular_4 shrinking_4 expanding_4 crossed_4 "
             "regular_5 shrinking_5 expanding_5 crossed_5 regular_6 shrinking_6 expanding_6 crossed_6",
    "ladder_": "2_3_4_6 3_5_4_2 2_5_3_7 4_3_6_5 2_4_7_3 3_6_2_5 5_3_7_4 6_4_3_2 "
               "2_7_4_5 7_3_5_2 4_7_3_6 5_2_6_3 3_4_5_7 6_5_4_3 7_5_3_4 4_6_7_5",
    "necklace_": " ".join(f"{i:02d}" for i in range(1, 17)),
    "accent_walk_": "5_1 5_2 7_1 7_2 7_3 8_1 8_3 9_1 9_2 9_4 10_3 11_2 11_3 12_5 13_3 13_5",
    "triplet_": "01_answer 01_turnaround 02_answer 02_turnaround 03_answer 03_turnaround 04_answer 04_turnaround "
                "05_answer 05_turnaround 06_answer 06_turnaround 07_answer 07_turnaround 08_answer 08_turnaround",
    "dialogue_": "3_4_5 5_3_4 3_5_2 2_5_4 4_3_2 3_2_4_5 5_2_3_4 2_3_5_3 "
                 "3_4_3_5 5_4_2_3 2_4_5_2 4_5_3_2 3_5_4_3 5_3_2_5 2_5_3_5 4_3_5_4",
    "burst_": "3_5_2 4_3_6 5_2_4 2_7_3 3_4_5 5_3_7 6_2_5 4_7_2 7_3_4 2_5_6 5_7_3 3_6_4 4_5_7 6_3_5 7_4_3 5_6_2",
}
MEMBERS = {family: [family + suffix for suffix in suffixes.split()] for family, suffixes in FAMILIES.items()}
ALL = [name for names in MEMBERS.values() for name in names]

_rows = {row["name"]: row for row in velmora.catalogue()}
_tables = {}


def table(name):
    if name not in _tables:
        _tables[name] = [velmora.sample(name, p).as_tuple() for p in range(_rows[name]["period_pips"])]
    return _tables[name]


def numbers(name, family):
    return [int(n) for n in name[len(family):].split("_") if n.isdigit()]


def magnitude(sample):
    return math.sqrt(sum(c * c for c in sample))


def events(samples, min_gap=1):
    """Groups of consecutive moving pips separated by at least `min_gap` still pips
    (exactly zero), read cyclically: a list of pip lists, each in time order, a group
    that runs over the end of the loop continuing with pips past the period."""
    period = len(samples)
    still = [s == (0.0, 0.0, 0.0) for s in samples]
    assert not all(still)
    # Start reading just after a long enough stillness so no group is cut in two.
    start = next(p for p in range(period) if all(still[(p - k) % period] for k in range(1, min_gap + 1))
                 and not still[p])
    groups, current, gap = [], [], 0
    for pip in range(start, start + period):
        if still[pip % period]:
            gap += 1
            continue
        if current and gap >= min_gap:
            groups.append(current)
            current = []
        current.append(pip)
        gap = 0
    groups.append(current)
    return groups


def peak(samples, group, axis=None):
    value = (lambda p: magnitude(samples[p % len(samples)])) if axis is None else \
        (lambda p: abs(samples[p % len(samples)][axis]))
    return max(group, key=value)


def centroid(samples, group):
    weights = [magnitude(samples[p % len(samples)]) for p in group]
    return sum(p * w for p, w in zip(group, weights)) / sum(weights)


# ---- every member -------------------------------------------------------------------------


def test_every_member_is_in_the_catalogue_with_its_period():
    for name in ALL:
        assert name in _rows, name
    for name in MEMBERS["dialogue_"]:
        assert _rows[name]["period_pips"] == 32 * sum(numbers(name, "dialogue_"))
    for name in MEMBERS["accent_walk_"]:
        assert _rows[name]["period_pips"] == 1024


@pytest.mark.parametrize("name", ALL)
def test_range_dimensions_and_common_peak(name):
    samples = table(name)
    dims = _rows[name]["dimensions"]
    components = [c for s in samples for c in s]
    assert all(-0.92 <= c <= 1.0 for c in components)
    assert max(abs(c) for c in components) == 0.82
    derived = 3 if any(s[2] for s in samples) else 2 if any(s[1] for s in samples) else 1
    assert derived == dims


@pytest.mark.parametrize("name", ALL)
def test_motion_has_no_isolated_jump_even_across_the_loop_end(name):
    samples = table(name)
    period = len(samples)
    steps = [magnitude([b - a for a, b in zip(samples[p], samples[(p + 1) % period])]) for p in range(period)]
    assert max(steps) < 0.36
    for p, step in enumerate(steps):
        neighbours = max(steps[p - 1], steps[(p + 1) % period])
        assert step <= 2.5 * neighbours + 0.02, f"{name}: step of {step} at pip {p} beside {neighbours}"


@pytest.mark.parametrize("family", MEMBERS)
def test_members_of_a_family_are_distinct(family):
    seen = {}
    for name in MEMBERS[family]:
        key = tuple(table(name))
        assert key not in seen, f"{name} repeats {seen.get(key)}"
        seen[key] = name


# ---- packet_ ------------------------------------------------------------------------------


@pytest.mark.parametrize("name", MEMBERS["packet_"])
def test_packets_are_compact_oscillations_with_still_gaps(name):
    kind, count = name[len("packet_"):].rsplit("_", 1)
    samples = table(name)
    packets = events(samples, min_gap=16)
    assert len(packets) == int(count)
    for packet in packets:
        assert len(packet) < 0.7 * 512 / int(count)
        ys = [samples[p % 512][1] for p in packet if samples[p % 512][1] != 0.0]
        crossings = sum(1 for a, b in zip(ys, ys[1:]) if a * b < 0)
        assert crossings >= 3
        # Smooth edges: the packet fades in and out.
        assert magnitude(samples[packet[0] % 512]) < 0.02 and magnitude(samples[packet[-1] % 512]) < 0.02
    assert any(s[2] for s in samples) == (kind == "depth")

    def mean(values):
        return sum(values) / len(values)

    if kind == "alternating":
        sides = [math.copysign(1, mean([samples[p % 512][0] for p in packet])) for packet in packets]
        assert all(a != b for a, b in zip(sides, sides[1:]))
    if kind == "cascading":
        heights = [max(abs(samples[p % 512][1]) for p in packet) for packet in packets]
        assert heights == sorted(heights, reverse=True) and len(set(heights)) == len(heights)
    if kind == "crossing":
        # Neighbouring packets oscillate along crossing diagonals.
        signs = []
        for packet in packets:
            xs = [samples[p % 512][0] for p in packet]
            ys = [samples[p % 512][1] for p in packet]
            mx, my = mean(xs), mean(ys)
            signs.append(math.copysign(1, sum((x - mx) * (y - my) for x, y in zip(xs, ys))))
        assert all(a != b for a, b in zip(signs, signs[1:]))


# ---- canon_ -------------------------------------------------------------------------------


def best_imitation(leader, follower, limit):
    """The delay d at which follower[p + d] equals |leader[p]| for every p below limit - d."""
    for d in range(1, 128):
        if all(abs(abs(leader[p]) - follower[p + d]) < 2e-12 for p in range(limit - d)):
            return d
    return None


@pytest.mark.parametrize("number", [f"{i:02d}" for i in range(1, 9)])
def test_canon_depth_lane_imitates_the_lateral_lane_then_the_response_is_altered(number):
    delays = {}
    for timing in ("close", "late"):
        samples = table(f"canon_{number}_{timing}")
        x = [s[0] for s in samples]
        z = [s[2] for s in samples]
        # First half: the depth lane repeats the lateral motif, later.
        delays[timing] = best_imitation(x[:256], z[:256], 248)
        assert delays[timing] is not None
        # Second half: the depth lane leads, and the lateral answer is not a plain copy.
        assert z[256] > 0.4 and x[256] == 0.0
        assert best_imitation(z[256:], [abs(v) for v in x[256:]], 248) is None
    assert delays["close"] < delays["late"]


# ---- echo_ --------------------------------------------------------------------------------


@pytest.mark.parametrize("name", MEMBERS["echo_"])
def test_echoes_decay_with_the_named_spacing_and_the_answer_turns(name):
    kind, count = name[len("echo_"):].rsplit("_", 1)
    count = int(count)
    samples = table(name)
    groups = events(samples)
    assert len(groups) == 2 * (count + 1)
    # Onsets read from the bumps' centroids, the call's (around pip 0) as a small negative.
    onsets = [(centroid(samples, g) + 16) % 512 - 16 for g in groups]
    call = sorted((o, g) for o, g in zip(onsets, groups) if o < 240)
    answer = sorted((o, g) for o, g in zip(onsets, groups) if o >= 240)
    for half in (call, answer):
        times = [o for o, _ in half]
        sizes = [magnitude(samples[peak(samples, g) % 512]) for _, g in half]
        assert all(a > b for a, b in zip(sizes, sizes[1:])), sizes
        gaps = [b - a for a, b in zip(times, times[1:])]
        if kind in ("regular", "crossed"):
            # Spacing kept as exact fractions of the span, not rounded to whole pips.
            assert max(gaps) - min(gaps) < 0.05
            assert abs(gaps[0] - 192 / count) < 0.05
        elif kind == "shrinking":
            assert all(a > b + 3 for a, b in zip(gaps, gaps[1:]))
        else:
            assert all(a + 3 < b for a, b in zip(gaps, gaps[1:]))

    def dominant(group):
        s = samples[peak(samples, group) % 512]
        return max(range(3), key=lambda axis: abs(s[axis]))

    call_axes = [dominant(g) for _, g in call]
    answer_axes = [dominant(g) for _, g in answer]
    assert call_axes[0] == 0 and answer_axes[0] == 2
    if kind == "crossed":
        assert call_axes[1:] == [2 if j % 2 else 0 for j in range(1, count + 1)]
    else:
        assert set(call_axes) == {0} and set(answer_axes) == {2}


# ---- ladder_ ------------------------------------------------------------------------------


@pytest.mark.parametrize("name", MEMBERS["ladder_"])
def test_ladder_regions_have_the_named_density_and_accented_starts(name):
    counts = numbers(name, "ladder_")
    samples = table(name)
    peaks = [peak(samples, g) % 512 for g in events(samples)]
    for region, n in enumerate(counts):
        inside = sorted(p for p in peaks if 128 * region - 1 <= p < 128 * region + 127)
        assert len(inside) == n
        spacing = [b - a for a, b in zip(inside, inside[1:])]
        assert all(abs(s - 128 / n) <= 1 for s in spacing)
    accents = sorted(p for p in peaks if samples[p][2] > 0)
    assert [round(p / 128) * 128 for p in accents] == [0, 128, 256, 384]
    assert all(abs(p - round(p / 128) * 128) <= 0 for p in accents)
    # The phrase start reaches furthest forward, so rotations of one ladder differ.
    assert samples[0][2] > 1.4 * max(samples[p][2] for p in accents[1:])


# ---- necklace_ ----------------------------------------------------------------------------


def necklace_word(samples):
    return "".join("1" if samples[32 * k][0] > 0 else "0" for k in range(16))


@pytest.mark.parametrize("name", MEMBERS["necklace_"])
def test_necklace_accents_complement_and_rising_depth(name):
    samples = table(name)
    word = necklace_word(samples)
    assert "0" in word and "1" in word
    for k in range(16):
        s = samples[32 * k]
        # Every step peaks on its eighth note: accents right, the complement left.
        assert abs(s[0]) >= max(abs(samples[32 * k + d][0]) for d in range(-12, 13) if 0 <= 32 * k + d < 512)
        assert (s[0] > 0) == (word[k] == "1") and s[0] != 0
        rising = word[k] == "1" and word[k - 1] == "0"
        assert (s[2] > 0) == rising


def test_necklace_words_are_distinct_necklaces():
    words = [necklace_word(table(name)) for name in MEMBERS["necklace_"]]
    classes = [min(w[i:] + w[:i] for i in range(16)) for w in words]
    assert len(set(classes)) == 16


# ---- accent_walk_ -------------------------------------------------------------------------


@pytest.mark.parametrize("name", MEMBERS["accent_walk_"])
def test_accent_motif_migrates_over_a_steady_pulse_grid(name):
    pulses, step = numbers(name, "accent_walk_")
    samples = table(name)
    peaks = sorted(peak(samples, g) % 1024 for g in events(samples))
    # The grid: the same n evenly spaced pulses in each of the four bars.
    assert len(peaks) == 4 * pulses
    assert all(abs(p - 256 * i / pulses) <= 0.5 for i, p in enumerate(peaks))
    firsts, offsets = [], set()
    for bar in range(4):
        in_bar = peaks[bar * pulses:(bar + 1) * pulses]
        first = [i for i, p in enumerate(in_bar) if samples[p][0] > 0.5]
        second = [i for i, p in enumerate(in_bar) if samples[p][2] > 0.3]
        assert len(first) == 1 and len(second) == 1
        firsts.append(first[0])
        offsets.add((second[0] - first[0]) % pulses)
    assert len(offsets) == 1, "the two accents keep their shape"
    assert all((b - a) % pulses == step for a, b in zip(firsts, firsts[1:]))


# ---- triplet_ -----------------------------------------------------------------------------


def triplet_reading(samples):
    """Per triplet slot: whether a hit sounds there and whether an off-grid answer follows."""
    hits, answers = [], []
    for slot in range(24):
        onset = 64 * slot / 3
        hits.append(abs(samples[round(onset) % 512][0]) > 0.2)
        later = samples[round(onset + 32 / 3) % 512]
        answers.append(later[1] > 0.1 and later[2] > 0.2)
    return hits, answers


@pytest.mark.parametrize("number", [f"{i:02d}" for i in range(1, 9)])
def test_triplet_gaps_answer_off_grid_or_rotate(number):
    hits, answers = triplet_reading(table(f"triplet_{number}_answer"))
    assert 3 <= hits[:12].count(False) <= 6, "deliberate omissions"
    assert hits[:12] == hits[12:]
    assert answers == [not h for h in hits], "every gap and only the gaps get an answer"

    turned = table(f"triplet_{number}_turnaround")
    t_hits, t_answers = triplet_reading(turned)
    assert not any(t_answers) and all(s[1] <= 0 for s in turned)
    assert t_hits[:12] == hits[:12]
    assert t_hits[12:] == t_hits[1:12] + t_hits[:1], "the second four beats rotate the word by one slot"
    assert t_hits[12:] != t_hits[:12]

    # Every event sits on the triplet grid (hits) or exactly half a slot late (answers).
    samples = table(f"triplet_{number}_answer")
    for group in events(samples):
        onset = centroid(samples, group) % 512
        on_grid = abs(onset * 3 / 64 - round(onset * 3 / 64))
        assert on_grid < 0.02 or abs(on_grid - 0.5) < 0.02


# ---- dialogue_ ----------------------------------------------------------------------------


def direction(sample):
    length = magnitude(sample)
    return tuple(c / length for c in sample)


@pytest.mark.parametrize("name", MEMBERS["dialogue_"])
def test_dialogue_groups_pass_between_directions_with_late_pickups(name):
    groups = numbers(name, "dialogue_")
    samples = table(name)
    period = len(samples)
    starts = [32 * sum(groups[:i]) for i in range(len(groups))]
    accents = [samples[s] for s in starts]
    for i, start in enumerate(starts):
        # The group's accent is its strongest move, and the taps of the group follow its direction.
        end = starts[i + 1] if i + 1 < len(starts) else period
        assert magnitude(accents[i]) == max(magnitude(samples[p]) for p in range(start, end - 10))
        for tap in range(start + 32, end, 32):
            assert sum(a * b for a, b in zip(direction(samples[tap]), direction(accents[i]))) > 0.999
        nxt = direction(accents[(i + 1) % len(groups)])
        assert sum(a * b for a, b in zip(direction(accents[i]), nxt)) < 0.5, "the phrase changes direction"
        # A late pickup in the next group's direction, after the group's last tap.
        window = range(end - 20, end - 8)
        pick = max(window, key=lambda p: magnitude(samples[p]))
        assert magnitude(samples[pick]) > 0.1
        assert sum(a * b for a, b in zip(direction(samples[pick]), nxt)) > 0.999


# ---- burst_ -------------------------------------------------------------------------------


@pytest.mark.parametrize("name", MEMBERS["burst_"])
def test_three_directional_bursts_gaps_and_a_late_settling_accent(name):
    counts = numbers(name, "burst_")
    samples = table(name)
    clusters = events(samples, min_gap=12)
    assert len(clusters) == 4, "three bursts and the settling accent, separated by still gaps"
    clusters.sort(key=lambda g: peak(samples, g) % 512)
    axes = []
    for cluster, count in zip(clusters, counts):
        own = {p % 512 for p in cluster}
        strokes = events([samples[p] if p in own else (0.0, 0.0, 0.0) for p in range(512)])
        assert len(strokes) == count
        dominant = {max(range(3), key=lambda a: abs(samples[peak(samples, s) % 512][a])) for s in strokes}
        sides = {math.copysign(1, samples[peak(samples, s) % 512][0]) for s in strokes}
        assert len(dominant) == 1 and len(sides) == 1, "one direction per burst"
        axes.append((dominant.pop(), sides.pop()))
    assert len(set(axes)) == 3
    settle = clusters[3]
    assert 448 <= peak(samples, settle) % 512 < 480, "the settling accent comes late"
    assert len(settle) > max(len(c) for c in clusters[:3]) / 2
