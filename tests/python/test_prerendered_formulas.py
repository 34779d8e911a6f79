"""Every formula-defined built-in pattern, evaluated here independently in Python and
compared with the stored table at every pip of its loop.

A stored component is the exact value rounded to 12 decimals, so it may differ from an
independent evaluation by half a unit of the 12th decimal, plus the last-bit noise of
the math library."""

import math

import pytest
import velmora

TOLERANCE = 0.5e-12 + 1e-15
PI = math.pi
PEAK = 0.82


def stored(name, period):
    return [velmora.sample(name, p).as_tuple() for p in range(period)]


def assert_matches(name, expected):
    period = len(expected)
    table = stored(name, period)
    for p, (got, want) in enumerate(zip(table, expected)):
        for axis, g, w in zip("xyz", got, want):
            assert abs(g - w) <= TOLERANCE, f"{name} pip {p} {axis}: stored {g!r}, formula {w!r}"


def theta(p, period):
    return 2 * PI * p / period


def curve(period, f):
    return [tuple(f(theta(p, period))) + (0.0,) * (3 - len(f(theta(p, period)))) for p in range(period)]


def scaled(raw, peak=None):
    peak = max(abs(c) for s in raw for c in s) if peak is None else peak
    return [tuple(c * (PEAK / peak) for c in s) for s in raw]


# ---- sums of sinusoids and other closed curves ------------------------------------

SINGLE_CURVES = {
    "lfo_breathe": (256, lambda t: (0.8 * math.sin(t),)),
    "lfo_flower": (512, lambda t: (0.56 * math.cos(t) - 0.28 * math.cos(2 * t), 0.56 * math.sin(t) + 0.28 * math.sin(2 * t))),
    "path_lissajous_2_3": (512, lambda t: (0.78 * math.sin(2 * t), 0.68 * math.sin(3 * t))),
    "path_rose_4": (512, lambda t: (0.82 * math.cos(2 * t) * math.cos(t), 0.82 * math.cos(2 * t) * math.sin(t))),
    "path_rose_5": (512, lambda t: (0.82 * math.cos(2.5 * t) * math.cos(t / 2), 0.82 * math.cos(2.5 * t) * math.sin(t / 2))),
    "path_torus_knot": (1024, lambda t: ((0.54 + 0.22 * math.cos(3 * t)) * math.cos(2 * t),
                                         (0.54 + 0.22 * math.cos(3 * t)) * math.sin(2 * t), 0.36 * math.sin(3 * t))),
    "path_woven_3d": (1024, lambda t: (0.72 * math.sin(2 * t), 0.64 * math.sin(3 * t), 0.48 * math.sin(5 * t))),
    "lfo_breathing_orbit": (512, lambda t: (0.67 * math.cos(t) + 0.11 * math.cos(3 * t), 0.39 * math.sin(t) + 0.09 * math.sin(3 * t))),
    "lfo_triplet_wobble": (512, lambda t: ((0.5525 - 0.255 * math.cos(t)) * math.sin(12 * t), 0.22 * math.sin(t))),
    "path_bowed_diamond": (512, lambda t: (0.8 * math.cos(t) ** 3, 0.8 * math.sin(t) ** 3)),
    "path_crank_slider": (256, lambda t: (0.78 * (math.cos(t) + math.sqrt(9 - math.sin(t) ** 2) - 3), 0.3 * math.sin(t))),
    "path_orbit_dwell": (512, lambda t: (0.8 * math.cos(t - math.sin(t)), 0.6 * math.sin(t - math.sin(t)))),
    "lfo_pendulum_dwell": (512, lambda t: (0.78 * math.tanh(2.8 * math.sin(t)) / math.tanh(2.8), 0.22 * math.cos(2 * t))),
    "wave_pinched": (512, lambda t: (0.82 * math.sin(t) ** 3,)),
    "mech_scotch_yoke": (512, lambda t: (0.82 * math.cos(t), 0.287 * math.sin(t) + 0.1476 * math.sin(3 * t))),
    "mech_wobble_plate": (512, lambda t: (0.82 * math.cos(t), 0.287 * math.sin(t), 0.41 * math.sin(2 * t + 0.3))),
    "mech_piston_balance": (512, lambda t: (0.82 * math.cos(t), 0.41 * math.sin(2 * t), 0.205 * math.sin(t))),
}

NORMALISED_CURVES = {
    "wave_shouldered": (512, lambda t: (0.69 * math.sin(t) + 0.31 * math.sin(3 * t),)),
    "wave_unequal_peaks": (512, lambda t: (0.67 * math.sin(t) + 0.4 * math.sin(2 * t + 0.8),)),
    "wave_notched": (512, lambda t: (math.sin(t) - 0.36 * math.sin(3 * t) + 0.12 * math.cos(5 * t),)),
    "wave_reed": (512, lambda t: (math.sin(t) * (0.85 + 0.4 * math.cos(7 * t)),)),
    "wave_ripple_return": (512, lambda t: (math.sin(t) + 0.09 * math.sin(5 * t) * (1 + math.cos(t)),)),
    "wave_rounded_square": (512, lambda t: (math.tanh(2 * math.sin(t)),)),
    "wave_folded": (512, lambda t: (math.sin(2.2 * math.sin(t)),)),
    "wave_double_fold": (512, lambda t: (math.sin(3.8 * math.sin(t)),)),
    "wave_skew_warp": (512, lambda t: (math.sin(t + 0.7 * math.sin(t)),)),
    "mech_paddle": (512, lambda t: (math.cos(t) + 0.23 * math.cos(4 * t), math.sin(t) + 0.23 * math.sin(4 * t))),
    "mech_coupled_cranks": (512, lambda t: (math.cos(t) + 0.35 * math.cos(3 * t + 0.6), math.sin(t) - 0.35 * math.sin(3 * t + 0.6))),
    "mech_two_lobe_cam": (512, lambda t: (6 * math.sin(t), 4 * math.cos(t) + 11 * math.cos(2 * t))),
    "mech_three_lobe_cam": (512, lambda t: (1.25 * math.sin(t), math.cos(t) + 5 * math.cos(3 * t))),
}


@pytest.mark.parametrize("name", sorted(SINGLE_CURVES))
def test_closed_curves(name):
    period, f = SINGLE_CURVES[name]
    assert_matches(name, curve(period, f))


@pytest.mark.parametrize("name", sorted(NORMALISED_CURVES))
def test_normalised_curves_peak_at_0_82(name):
    period, f = NORMALISED_CURVES[name]
    assert_matches(name, scaled(curve(period, f)))
    assert max(abs(c) for s in stored(name, period) for c in s) == 0.82


WEAVES = ["1_3", "1_4", "1_5", "2_5", "2_7", "3_4", "3_5", "3_7", "3_8", "4_5", "4_7", "4_9", "5_6", "5_7", "5_8", "5_9"]
SPACE_WEAVES = ["1_2_3", "1_3_4", "2_3_4", "2_3_7", "2_5_7", "3_4_5", "3_5_7", "4_5_7"]
ROSES = [3, 6, 7, 8, 9, 10, 11, 12]
TORI = ["2_5", "2_7", "3_4", "3_5", "3_7", "4_5", "4_7", "5_6"]
SPIRO_PENS = {(3, 1): 0.45, (4, 1): 0.6, (5, 2): 0.75, (5, 1): 0.55, (7, 2): 0.65, (7, 3): 0.7, (8, 3): 0.6, (9, 4): 0.8}


def test_weaves():
    for member in WEAVES:
        a, b = map(int, member.split("_"))
        assert_matches("weave_" + member, scaled(curve(1024, lambda t: (math.sin(a * t + 0.37), 0.8125 * math.sin(b * t)))))
    for member in SPACE_WEAVES:
        a, b, c = map(int, member.split("_"))
        assert_matches("space_weave_" + member, scaled(curve(
            1024, lambda t: (math.sin(a * t), 0.8 * math.sin(b * t + 0.4), 0.7 * math.cos(c * t + 0.7)))))


def test_polar_roses_run_half_a_turn_for_odd_petals():
    for n in ROSES:
        half = n % 2 == 1
        k = n if half else n // 2

        def rose(t):
            phi = t / 2 if half else t
            return (math.cos(k * phi) * math.cos(phi), math.cos(k * phi) * math.sin(phi))
        assert_matches(f"polar_rose_{n}", scaled(curve(1024, rose)))


@pytest.mark.parametrize("inside", [True, False])
def test_rolling_circle_traces(inside):
    for (big, small), f in SPIRO_PENS.items():
        turns = small // math.gcd(big, small)
        d = f * small

        def trace(t):
            u = turns * t
            if inside:
                return ((big - small) * math.cos(u) + d * math.cos((big - small) / small * u),
                        (big - small) * math.sin(u) - d * math.sin((big - small) / small * u))
            return ((big + small) * math.cos(u) - d * math.cos((big + small) / small * u),
                    (big + small) * math.sin(u) - d * math.sin((big + small) / small * u))
        name = f"spiro_{'inside' if inside else 'outside'}_{big}_{small}"
        assert_matches(name, scaled(curve(1024, trace)))


def test_torus_knots():
    for member in TORI:
        a, b = map(int, member.split("_"))
        assert_matches("space_torus_" + member, scaled(curve(1024, lambda t: (
            (2.9 + math.cos(b * t)) * math.cos(a * t), (2.9 + math.cos(b * t)) * math.sin(a * t), 2.1 * math.sin(b * t)))))


def test_orbit_harmonics():
    ripples = [0.18, 0.22, 0.25, 0.28, 0.25, 0.2, 0.15, 0.13, 0.34, 0.31, 0.29, 0.26, 0.23, 0.2, 0.17, 0.14]
    for i in range(1, 17):
        m = (i - 1) % 8 + 2
        phase = 0.0 if i <= 8 else 0.5 + 0.3 * (i - 9)
        q = ripples[i - 1]
        assert_matches(f"orbit_harmonic_{i:02d}", scaled(curve(512, lambda t: (
            math.cos(t) + q * math.cos(m * t + phase), 0.72 * math.sin(t) - q * math.sin((m + 1) * t - phase)))))


def test_silhouettes_take_their_scale_from_2048_points():
    columns = {
        "a": [1, 1, 2, 2, 1, 3, 2, 3, 1, 1, 2, 3, 2, 3, 4, 4],
        "b": [2, 3, 3, 5, 4, 4, 7, 5, 2, 5, 3, 7, 4, 4, 5, 7],
        "c": [3, 5, 4, 7, 7, 5, 9, 8, 5, 8, 7, 10, 9, 9, 7, 11],
        "u": [0.2, 0.35, 0.3, 0.23, 0.35, 0.28, 0.19, 0.3, 0.4, 0.27, 0.34, 0.26, 0.33, 0.29, 0.25, 0.21],
        "v": [0.16, 0.12, 0.18, 0.16, 0.21, 0.14, 0.12, 0.17, 0.22, 0.24, 0.2, 0.16, 0.23, 0.25, 0.21, 0.16],
    }
    for i in range(16):
        a, b, c, u, v = (columns[k][i] for k in "abcuv")

        def shape(t):
            return (math.cos(a * t) + u * math.sin(b * t + 0.3) + v * math.cos(c * t),
                    0.65 * math.sin(a * t + 0.2) + v * math.sin(b * t) - u * math.cos(c * t + 0.1),
                    0.12 * math.sin((a + b) * t) * math.sin(t))
        fine_peak = max(abs(x) for s in curve(2048, shape) for x in s)
        assert_matches(f"silhouette_harmonic_{i + 1:02d}", scaled(curve(1024, shape), fine_peak))
    assert max(abs(x) for s in stored("silhouette_harmonic_03", 1024) for x in s) == 0.819986416064


# ---- rhythm scores of raised-cosine bumps -------------------------------------------

def bumps(period, events):
    """events: (onset pip, half-width, (ax, ay, az)); onsets may be fractional."""
    table = []
    for p in range(period):
        total = [0.0, 0.0, 0.0]
        for onset, half_width, amplitude in events:
            d = (p - onset) % period
            if d > period / 2:
                d -= period
            if abs(d) < half_width:
                w = (1 + math.cos(PI * d / half_width)) / 2
                for axis in range(3):
                    total[axis] += amplitude[axis] * w
        table.append(tuple(total))
    return table


def spread(k, n):
    """Steps of k onsets spread evenly over n steps: ceil(j*n/k)."""
    return [-(-j * n // k) for j in range(k)]


EUCLIDS = ["2_5", "3_7", "3_10", "4_9", "4_11", "5_9", "5_11", "5_13", "5_14", "6_13", "7_12", "7_15", "7_17", "8_19", "9_20", "11_24"]


def test_euclid_family():
    for member in EUCLIDS:
        k, n = map(int, member.split("_"))
        events = [(32 * step, 24, (0.75, -0.32, 0) if j == 0 else ((-1) ** j * 0.5625, -0.24, 0))
                  for j, step in enumerate(spread(k, n))]
        assert_matches("euclid_" + member, bumps(32 * n, events))


def test_euclid_edges_and_overlap():
    got = {p: velmora.sample("euclid_2_5", p).as_tuple() for p in (0, 32, 88, 96, 160)}
    assert got[0] == (0.75, -0.32, 0.0) == got[160]
    assert got[32] == (0.0, 0.0, 0.0)
    assert got[88] == (-0.421875, -0.18, 0.0)
    assert got[96] == (-0.5625, -0.24, 0.0)
    # euclid_7_12 has onsets on adjacent steps 6 and 7 (pips 192 and 224): both bumps add in between.
    for p in range(201, 216):
        a = (p - 192) / 24
        b = (p - 224) / 24
        wa = (1 + math.cos(PI * a)) / 2
        wb = (1 + math.cos(PI * b)) / 2
        want_y = -0.24 * (wa + wb)
        assert abs(velmora.sample("euclid_7_12", p).y - want_y) <= TOLERANCE


POLYS = ["2_5", "2_7", "2_9", "3_5", "3_7", "3_8", "3_10", "4_5", "4_7", "4_9", "5_6", "5_7", "5_8", "5_9", "6_7", "7_8"]


def test_polyrhythms():
    for member in POLYS:
        a, b = map(int, member.split("_"))
        events = [(512 * i / a, 22.4, tuple(c * (1 if i == 0 else 0.65) for c in (-0.62, -0.26, 0))) for i in range(a)]
        events += [(512 * j / b, 22.4, tuple(c * (1 if j == 0 else 0.65) for c in (0.62, -0.26, 0.22))) for j in range(b)]
        assert_matches("poly_" + member, bumps(512, events))
        x, y, z = velmora.sample("poly_" + member, 0).as_tuple()
        assert x == 0 and y == -0.52 and z == 0.22


METERS = ["2_3", "3_2", "3_2_2", "2_3_2", "3_4", "4_3", "2_2_2_3", "2_3_2_2", "3_2_3_2", "3_3_2_3", "2_2_3_2_3", "3_3_3_2",
          "4_3_3", "3_4_4", "2_3_3_2_3", "3_3_3_4"]


def test_additive_meters():
    for member in METERS:
        groups = list(map(int, member.split("_")))
        starts = [sum(groups[:i]) for i in range(len(groups))]
        events = []
        for eighth in range(sum(groups)):
            if eighth in starts:
                i = starts.index(eighth)
                events.append((32 * eighth, 19.2, (0.72 if i % 2 == 0 else -0.72, -0.33, 0)))
            else:
                events.append((32 * eighth, 32 / 3, (0, -0.1134, 0.0504)))
        assert_matches("meter_" + member, bumps(32 * sum(groups), events))


STICKINGS = ["RLRR LRLL", "RRLR LLRL", "RLLR LRRL", "RRLL RLRL", "RLRL RRLL", "RRRL LLRL", "RLLL RRRL", "RRLR RLLL",
             "RLRR LLRL", "RRLL RLLR", "RLRL LRRL", "RRRL RLLL", "RRRR LRLL", "RRLL LRRL", "RLRR RLLL", "RRLR LLLR"]


def test_stick_studies_answer_with_hands_swapped():
    for i, word in enumerate(STICKINGS, start=1):
        word = word.replace(" ", "")
        strokes = word + word.translate(str.maketrans("RL", "LR"))
        events = []
        for k, hand in enumerate(strokes):
            ax, ay = (0.74, -0.34) if k % 4 == 0 else (0.407, -0.187)
            events.append((32 * k, 12, (-ax if hand == "L" else ax, ay, 0)))
        assert_matches(f"stick_study_{i:02d}", bumps(512, events))


def test_swing_scores():
    for a, b in [(3, 5), (2, 3), (5, 7), (3, 4)]:
        for kind in ["push", "answer", "skip", "shuffle"]:
            events = []
            for k in range(8):
                off = 64 * k + 64 * a / b
                if not (kind == "skip" and k in (2, 6)):
                    ax, ay = (0.585, -0.216) if k in (0, 4) else (0.4225, -0.156)
                    events.append((64 * k, 12.8, (-ax if k % 2 else ax, ay, 0)))
                if kind in ("push", "skip"):
                    events.append((off, 8, (0.075, -0.15, 0.09)))
                if kind == "shuffle" or (kind == "answer" and k >= 4):
                    events.append((off, 12.8, (0.325 if k % 2 else -0.325, -0.12, 0)))
                if kind == "shuffle" and k in (3, 7):
                    events.append((64 * k + 32 * a / b, 6.4, (0.0525, -0.105, 0.063)))
            assert_matches(f"swing_{kind}_{a}_{b}", bumps(512, events))


def test_bar_rhythms_and_rudiments():
    for k, n in [(3, 8), (5, 12)]:
        events = [(256 * step / n, 12, (-0.8 if j % 2 else 0.8, -0.3, 0)) for j, step in enumerate(spread(k, n))]
        assert_matches(f"rhythm_euclid_{k}_{n}", bumps(256, events))
    for k in (7, 5):
        events = []
        for half in (0, 1):
            for j, step in enumerate(spread(k, 16)):
                pip = 256 * half + 16 * step
                ax, ay = (0.76, -0.3) if pip % 64 == 0 else (0.5472, -0.216)
                sign = (-1) ** j * (-1) ** half
                events.append((pip, 12, (sign * ax, ay, 0)))
        assert_matches(f"rhythm_euclid_{k}_16", bumps(512, events))
    for name, sticking, accents in [("rudiment_double_paradiddle", "RLRLRRLRLRLL", {0, 6}),
                                    ("rudiment_paradiddle_diddle", "RLRRLLLRLLRR", {0, 6}),
                                    ("rudiment_six_stroke", "RLLRRLLRRLLR", {0, 5, 6, 11})]:
        events = []
        for k, hand in enumerate(sticking):
            ax, ay = (0.82, -0.42) if k in accents else (0.492, -0.252)
            events.append((256 * k / 12, 28 / 3, (-ax if hand == "L" else ax, ay, 0)))
        assert_matches(name, bumps(256, events))


# ---- keyframe curves ----------------------------------------------------------------

def keyframed(period, text):
    if text == "0":
        return [0.0] * period
    keys = [tuple(map(float, item.split(":"))) for item in text.split()]
    assert keys[0][0] == 0 and keys[-1][0] == period
    values = []
    for p in range(period):
        (a, u), (b, w) = next((keys[i], keys[i + 1]) for i in range(len(keys) - 1) if keys[i][0] <= p < keys[i + 1][0])
        t = (p - a) / (b - a)
        values.append(u + (w - u) * t ** 3 * (6 * t ** 2 - 15 * t + 10))
    return values


KEYFRAMED = {  # name: (period, x keyframes, y keyframes)
    "env_lift_hold_drop": (512, "0", "0:0 64:-0.8 192:-0.8 256:0.2 320:0 512:0"),
    "env_inhale_exhale": (512, "0", "0:0 320:-0.8 384:0.1 448:0 512:0"),
    "env_triple_swell": (512, "0", "0:0 64:-0.8 128:0 192:-0.5 256:0 384:-0.3 512:0"),
    "env_rising_echo": (512, "0", "0:0 64:-0.25 128:0 192:-0.5 256:0 320:-0.8 384:0 512:0"),
    "env_falling_echo": (512, "0", "0:0 64:-0.8 128:0 192:-0.45 256:0 320:-0.15 512:0"),
    "env_anticipation": (512, "0", "0:0 64:0.35 128:0 192:-0.82 256:-0.82 384:0.12 512:0"),
    "env_plateau_scoop": (512, "0", "0:0 64:-0.7 256:-0.7 320:-0.3 384:0.4 512:0"),
    "env_hesitant": (512, "0", "0:0 64:-0.3 128:-0.2 192:-0.5 256:-0.4 320:-0.8 512:0"),
    "env_double_hold": (512, "0", "0:0 64:-0.4 192:-0.4 256:-0.8 384:-0.8 512:0"),
    "env_swell_recoil": (512, "0", "0:0 192:-0.8 256:0.5 320:-0.2 384:0.08 512:0"),
    "env_late_release": (512, "0", "0:0 256:-0.8 384:-0.8 448:0.25 512:0"),
    "env_split_attack": (512, "0", "0:0 32:-0.6 64:-0.2 128:-0.8 320:-0.2 512:0"),
    "env_suspended": (512, "0", "0:0 64:-0.75 128:0 256:0 384:-0.55 448:-0.55 512:0"),
    "env_valley_peaks": (512, "0", "0:0 64:-0.7 192:-0.3 256:-0.82 384:0.2 512:0"),
    "env_four_breaths": (512, "0", "0:0 64:-0.7 128:0 192:-0.5 256:0 320:-0.8 384:0 448:-0.3 512:0"),
    "env_return_stair": (512, "0", "0:0 128:-0.8 192:-0.8 256:-0.5 320:-0.5 384:-0.2 448:-0.2 512:0"),
    "lfo_surge": (256, "0:-0.8 192:0.8 256:-0.8", "0"),
    "lfo_soft_gate": (256, "0:-0.8 32:0.8 128:0.8 160:-0.8 256:-0.8", "0"),
    "lfo_double_pump": (256, "0", "0:0 32:-0.85 64:0 96:-0.55 128:0 256:0"),
    "lfo_glide_stair": (256, "0:-0.8 32:-0.8 64:-0.4 96:0 128:0.4 160:0.8 192:0.8 256:-0.8", "0"),
    "lfo_twin_swell": (512, "0:0 128:0.2 256:0 384:-0.32 512:0", "0:0 128:-0.85 256:0 384:-0.45 512:0"),
    "lfo_pulse_hold": (256, "0:0 32:0.8 128:0.8 160:-0.35 192:0 256:0", "0"),
    "lfo_reverse_swell": (512, "0:0 192:-0.24 224:0.24 384:0 512:0",
                          "0:0 192:-0.82 224:0 256:-0.38 288:0 320:-0.18 352:0 512:0"),
}
SEQUENCE_LIFT = " ".join(f"{64 * k}:{0.287 * math.sin(PI * k / 4) if k % 8 else 0.0!r}" for k in range(9))
KEYFRAMED.update({
    "seq_pendulum_even": (512, "0:0 64:0.82 128:0 192:-0.82 256:0 320:0.41 384:0 448:-0.41 512:0", SEQUENCE_LIFT),
    "seq_octave_even": (512, "0:0 64:0.82 128:0.205 192:0.66625 256:-0.205 320:-0.82 384:-0.41 448:-0.66625 512:0", SEQUENCE_LIFT),
    "seq_ratchet_even": (512, "0:0 64:0.3075 128:0 192:0.615 256:0 320:0.82 384:0 448:-0.3075 512:0", SEQUENCE_LIFT),
    "seq_stairs_even": (512, "0:-0.82 64:-0.41 128:0 192:0.41 256:0.82 320:0.82 384:0 448:-0.82 512:-0.82", SEQUENCE_LIFT),
})


@pytest.mark.parametrize("name", sorted(KEYFRAMED))
def test_keyframe_curves(name):
    period, x, y = KEYFRAMED[name]
    assert_matches(name, [(a, b, 0.0) for a, b in zip(keyframed(period, x), keyframed(period, y))])


# ---- assembled easing curves --------------------------------------------------------

S = 1.70158


def bounce_out(t):
    if t < 4 / 11:
        return 121 / 16 * t * t
    if t < 8 / 11:
        return 121 / 16 * (t - 6 / 11) ** 2 + 3 / 4
    if t < 10 / 11:
        return 121 / 16 * (t - 9 / 11) ** 2 + 15 / 16
    return 121 / 16 * (t - 21 / 22) ** 2 + 63 / 64


EASINGS = {
    "ease_overshoot": lambda t: (t - 1) ** 2 * ((S + 1) * (t - 1) + S) + 1,
    "ease_anticipate": lambda t: t * t * ((S + 1) * t - S),
    "ease_rebound": bounce_out,
}


@pytest.mark.parametrize("name", sorted(EASINGS))
def test_easing_loops(name):
    ease = EASINGS[name]
    xs = [-0.65 + 1.3 * ease(p / 128) if p < 128 else 0.65 - 1.3 * (3 * ((p - 128) / 128) ** 2 - 2 * ((p - 128) / 128) ** 3)
          for p in range(256)]
    assert_matches(name, [(x, 0.0, 0.0) for x in xs])


def test_every_formula_pattern_is_covered():
    covered = (set(SINGLE_CURVES) | set(NORMALISED_CURVES) | set(KEYFRAMED) | set(EASINGS)
               | {"weave_" + m for m in WEAVES} | {"space_weave_" + m for m in SPACE_WEAVES}
               | {f"polar_rose_{n}" for n in ROSES} | {"space_torus_" + m for m in TORI}
               | {f"spiro_{side}_{r}_{s}" for side in ("inside", "outside") for r, s in SPIRO_PENS}
               | {f"orbit_harmonic_{i:02d}" for i in range(1, 17)} | {f"silhouette_harmonic_{i:02d}" for i in range(1, 17)}
               | {"euclid_" + m for m in EUCLIDS} | {"poly_" + m for m in POLYS} | {"meter_" + m for m in METERS}
               | {f"stick_study_{i:02d}" for i in range(1, 17)}
               | {f"swing_{k}_{r}" for k in ("push", "answer", "skip", "shuffle") for r in ("3_5", "2_3", "5_7", "3_4")}
               | {"rhythm_euclid_3_8", "rhythm_euclid_5_12", "rhythm_euclid_7_16", "rhythm_euclid_5_16",
                  "rudiment_double_paradiddle", "rudiment_paradiddle_diddle", "rudiment_six_stroke"})
    assert len(covered) == 235
