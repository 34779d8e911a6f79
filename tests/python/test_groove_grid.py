"""The groove grid, velmora_club and velmora_dancefloor: 68 grooves by 16 motions.

The motion claims are measured on the module's data against the drum scores, which the
built generator lists with --score."""

import glob
import math
import os
import subprocess

import pytest
import velmora
from velmora_kit.catalogue import builtin_facts

# The grid's grooves and motions as the generator declares them (their rows and samples
# are checked by digest in test_catalogue_digests.py).
FACTS = [facts for facts in builtin_facts() if facts.groove]
GROOVE_KEYS = list(dict.fromkeys(facts.groove for facts in FACTS))
MOTION_KEYS = list(dict.fromkeys(facts.motion for facts in FACTS))


def grid_entries():
    return [e for e in velmora.catalogue() if e["name"].startswith("beat_")]


def present_names():
    return {e["name"] for e in grid_entries()}


def generator_path():
    """The built generator: $VELMORA_GENERATOR, else beside the module on PYTHONPATH, else the
    newest one in the repository's build directories (where the C++ test build puts it)."""
    if os.environ.get("VELMORA_GENERATOR"):
        return os.environ["VELMORA_GENERATOR"]
    candidates = [os.path.join(entry, "tools", "generator", "velmora_generator")
                  for entry in os.environ.get("PYTHONPATH", "").split(os.pathsep) if entry]
    found = [c for c in candidates if os.access(c, os.X_OK)]
    if found:
        return found[0]
    build = os.path.join(os.path.dirname(__file__), "..", "..", "build")
    built = glob.glob(os.path.join(build, "*", "tools", "generator", "velmora_generator"))
    built = [c for c in built if os.access(c, os.X_OK)]
    # A plain build before a sanitized one; among equals the newest.
    return max(built, key=lambda c: ("sanitize" not in c, os.path.getmtime(c))) if built else None


def score(key):
    """{lane: [(pip, velocity), ...]} and the period, as the generator lists the score."""
    generator = generator_path()
    if generator is None:
        pytest.skip("the built velmora_generator is not beside the module")
    listing = subprocess.run([generator, "--score", key], check=True, capture_output=True, text=True).stdout
    lines = listing.splitlines()
    period = int(lines[0].split()[-1])
    lanes = {}
    for line in lines[1:]:
        lane, pip, velocity = line.split()
        lanes.setdefault(lane, []).append((float(pip), float(velocity)))
    return period, lanes


def table(name, period):
    return [velmora.sample(name, p).as_tuple() for p in range(period)]


def require(name):
    if name not in present_names():
        pytest.skip(f"{name} is not rendered yet")


# ---- metadata ---------------------------------------------------------------------------


def test_the_grid_is_every_groove_by_every_motion_and_closes_the_catalogue():
    names = [e["name"] for e in grid_entries()]
    assert len(GROOVE_KEYS) == 68 and len(MOTION_KEYS) == 16
    assert sorted(names) == sorted(f"beat_{g}_{m}" for g in GROOVE_KEYS for m in MOTION_KEYS)
    assert velmora.catalogue()[-len(names):] == grid_entries()


def test_generator_lists_every_grid_row_as_the_module_has_it():
    generator = generator_path()
    if generator is None:
        pytest.skip("the built velmora_generator is not beside the module")
    listing = subprocess.run([generator, "--list"], check=True, capture_output=True, text=True).stdout
    rows = [line.split() for line in listing.splitlines() if line.startswith("beat_")]
    assert [(r[0], r[1], int(r[2]), int(r[3])) for r in rows] == [
        (e["name"], f.collection, e["period_pips"], e["dimensions"]) for e, f in zip(grid_entries(), FACTS)]


# ---- the two exact bare-pulse patterns ----------------------------------------------------


def envelope(d):
    if -6.4 < d <= 0:
        return (1 + math.cos(math.pi * d / 6.4)) / 2
    if 0 < d < 29.44:
        return (1 + math.cos(math.pi * d / 29.44)) / 2
    return 0.0


def kick_envelopes(p):
    out = []
    for k in range(4):
        d = (p - 64 * k) % 256
        d = d - 256 if d > 128 else d
        out.append(envelope(d))
    return out


def test_bare_pulse_bounce_and_step_follow_the_event_envelope():
    # Four kicks and nothing else: the envelopes, the kicks' alternate sides and the phrase's
    # one breath over the loop (a fifth of the y fine print, 0.12 on bounce and 0.1 on step).
    require("beat_four_floor_bounce")
    bounce, step = table("beat_four_floor_bounce", 256), table("beat_four_floor_step", 256)
    for p in range(256):
        e = kick_envelopes(p)
        sides = sum((-1) ** k * e[k] for k in range(4))
        breath = 0.4 * math.cos(2 * math.pi * p / 256)
        want_bounce = (0.3 * 0.5 * sides, 0.55 * sum(e) + 0.12 * breath, 0.0)
        want_step = (0.42 * sides, -0.22 * sum(e) + 0.1 * breath, 0.0)
        for got, want in ((bounce[p], want_bounce), (step[p], want_step)):
            assert all(abs(g - w) <= 1e-12 for g, w in zip(got, want)), (p, got, want)
    assert bounce[0][:2] == (0.15, 0.598) and bounce[64][:2] == (-0.15, 0.55)
    assert step[0] == (0.42, -0.18, 0.0) and step[64] == (-0.42, -0.22, 0.0)


# ---- every row: range, loop, continuity, distinct tables ------------------------------------


def steps_of(samples):
    n = len(samples)
    return [max(abs(a - b) for a, b in zip(samples[(p + 1) % n], samples[p])) for p in range(n)]


@pytest.fixture(scope="module")
def grid_tables():
    return {e["name"]: table(e["name"], e["period_pips"]) for e in grid_entries()}


def test_every_row_is_a_continuous_loop_within_range(grid_tables):
    for name, samples in grid_tables.items():
        period = len(samples)
        assert velmora.sample(name, period).as_tuple() == samples[0]
        assert velmora.sample(name, -1).as_tuple() == samples[-1]
        assert all(-0.92 <= c <= 1.0 for s in samples for c in s), name
        steps = steps_of(samples)
        # No jumps anywhere, and the seam is no steeper than the inside of the loop.
        assert max(steps) < 0.3, (name, max(steps), steps.index(max(steps)))
        assert steps[-1] <= 1.25 * max(steps[:-1]) + 1e-12, name


def test_no_two_grid_rows_share_a_table(grid_tables):
    seen = {}
    for name, samples in grid_tables.items():
        key = tuple(samples)
        assert key not in seen, (name, seen.get(key))
        seen[key] = name


def test_axes_move_as_the_lanes_say(grid_tables):
    # bounce and step move depth only with bass; orbit only with lanes beyond the kick.
    for key in GROOVE_KEYS:
        if f"beat_{key}_bounce" not in grid_tables:
            continue
        _, lanes = score(key)
        has_bass = bool(lanes.get("bass"))
        beyond_kick = any(lane != "kick" for lane in lanes)
        for motion, moves in (("bounce", has_bass), ("step", has_bass), ("orbit", beyond_kick), ("glide", True)):
            z = [s[2] for s in grid_tables[f"beat_{key}_{motion}"]]
            assert any(z) == moves, (key, motion)


# ---- what the motions do at the score's events ----------------------------------------------


def onsets(lanes, *names, loud=0.0):
    return sorted(pip for lane in names for pip, velocity in lanes.get(lane, []) if velocity >= loud)


def moments(pips, together=3.0):
    """Onsets that sound together (within a few pips, like a kick under a clap) as one."""
    out = []
    for pip in sorted(pips):
        if not out or pip - out[-1] >= together:
            out.append(pip)
    return out


def isolated(events, others, period, before=30.0, after=16.0):
    """The moments of `events` with no other moment of `events` or `others` from `before`
    pips ahead of them to `after` pips behind them: nothing else shapes the motion there."""
    events = moments(events)
    everything = moments(events + others)
    out = []
    for pip in events:
        near = [o for o in everything
                if abs(o - pip) >= 3.0 and (-before < (o - pip + period / 2) % period - period / 2 < after)]
        if not near:
            out.append(pip)
    return out


def peak_near(values, pip, period, sign=1.0, radius=8):
    """The pip of the largest sign*value within `radius` of `pip`, as a cyclic offset."""
    best = max(range(-radius, radius + 1), key=lambda d: sign * values[(round(pip) + d) % period])
    return round(pip) + best - pip


UPPER = ("closed_hat", "open_hat", "shaker", "ride")
ALL_DRUMS = ("kick", "snare", "clap", "rim", "high_tom", "low_tom", "percussion", "bell", "clave", "bass")


@pytest.mark.parametrize("key", ["house_classic", "speed_garage", "amen_four_bar", "techno_polymeter"])
def test_kicks_lead_the_bounce_and_snares_the_step(key):
    require(f"beat_{key}_bounce")
    period, lanes = score(key)
    bounce, step = table(f"beat_{key}_bounce", period), table(f"beat_{key}_step", period)
    kicks = onsets(lanes, "kick")
    for pip in isolated(kicks, [], period):
        assert abs(peak_near([s[1] for s in bounce], pip, period)) <= 1, (key, pip)
    snares = onsets(lanes, "snare", "clap")
    velocity = dict(lanes.get("snare", []) + lanes.get("clap", []))
    lone_snares = isolated(snares, kicks, period)
    assert lone_snares or not snares
    for pip in lone_snares:
        x = [abs(s[0]) for s in step]
        assert abs(peak_near(x, pip, period)) <= 1, (key, pip)
        assert x[round(pip) % period] > 0.3 * velocity[pip]
    # Successive kick and snare gestures step to opposite sides.
    gestures = moments(kicks + snares)
    lone = set(isolated(gestures, [], period))
    for a, b in zip(gestures, gestures[1:]):
        if a in lone and b in lone:
            xa, xb = step[round(a) % period][0], step[round(b) % period][0]
            assert xa * xb < 0, (key, a, b)


@pytest.mark.parametrize("key", ["house_classic", "speed_garage", "amen_four_bar"])
def test_surge_thrusts_at_kicks_and_recoil_pushes_at_snares(key):
    require(f"beat_{key}_surge")
    period, lanes = score(key)
    surge, recoil = table(f"beat_{key}_surge", period), table(f"beat_{key}_recoil", period)
    kicks, snares = onsets(lanes, "kick"), onsets(lanes, "snare", "clap")
    for pip in isolated(kicks, snares, period):
        assert abs(peak_near([s[2] for s in surge], pip, period)) <= 1, (key, pip)
        assert abs(peak_near([s[1] for s in recoil], pip, period, sign=-1)) <= 1, (key, pip)
    velocity = dict(lanes.get("snare", []) + lanes.get("clap", []))
    for pip in isolated(snares, kicks, period):
        if velocity[pip] < 0.5:
            continue  # a ghost snare is too light to outweigh the echo still drawing back
        # The echo of an earlier hit may still be drawing back: the push peaks within a few pips.
        assert abs(peak_near([s[0] for s in recoil], pip, period)) <= 3, (key, pip)
        assert abs(peak_near([s[1] for s in surge], pip, period)) <= 1, (key, pip)


@pytest.mark.parametrize("key", ["speed_garage", "amen_four_bar"])
def test_bass_drives_the_dive_deep(key):
    require(f"beat_{key}_dive")
    period, lanes = score(key)
    z = [s[2] for s in table(f"beat_{key}_dive", period)]
    bass = onsets(lanes, "bass")
    assert bass
    deepest = min(range(period), key=lambda p: z[p])
    assert min(min(abs(deepest - b), period - abs(deepest - b)) for b in bass) <= 8
    for pip in isolated(bass, onsets(lanes, "kick"), period, before=60, after=30):
        assert abs(peak_near(z, pip, period, sign=-1, radius=16)) <= 1, (key, pip)


@pytest.mark.parametrize("key", ["four_floor", "house_classic", "amen_four_bar", "son_clave_32"])
def test_ricochet_excursions_peak_at_onsets_in_changing_directions(key):
    require(f"beat_{key}_ricochet")
    period, lanes = score(key)
    samples = table(f"beat_{key}_ricochet", period)
    size = [math.sqrt(sum(c * c for c in s)) for s in samples]
    # Hats send only short excursions: the drum onsets stand out above them.
    lone = isolated(onsets(lanes, *ALL_DRUMS, loud=0.5), onsets(lanes, *ALL_DRUMS), period)
    assert lone
    directions = []
    for pip in lone:
        assert abs(peak_near(size, pip, period)) <= 2, (key, pip)
        s = samples[round(pip) % period]
        directions.append([c / size[round(pip) % period] for c in s])
    distinct = []
    for d in directions:
        if all(sum(p * q for p, q in zip(d, e)) < 0.95 for e in distinct):
            distinct.append(d)
    assert len(distinct) >= min(3, len(lone)), key
    if key == "four_floor":  # nothing but four kicks: each heads somewhere new
        assert len(distinct) == 4


def free_ringing_fit(values, first, last):
    """Least-squares a, b of values[n+1] = a values[n] + b values[n-1] over [first, last]."""
    rows = [(values[n], values[n - 1], values[n + 1]) for n in range(first, last)]
    sxx = sum(r[0] * r[0] for r in rows)
    sxy = sum(r[0] * r[1] for r in rows)
    syy = sum(r[1] * r[1] for r in rows)
    sxt = sum(r[0] * r[2] for r in rows)
    syt = sum(r[1] * r[2] for r in rows)
    det = sxx * syy - sxy * sxy
    return (sxt * syy - syt * sxy) / det, (syt * sxx - sxt * sxy) / det


@pytest.mark.parametrize("key", ["four_floor", "house_classic", "techno_polymeter", "amen_four_bar"])
def test_spring_rings_on_across_the_loop_boundary(key):
    # Between pushes the spring rings freely, so its samples obey one fixed two-term
    # recurrence. The last event's ringing must run on through the seam into the first
    # pips of the loop: the steady state, not a loop that restarts from rest.
    require(f"beat_{key}_spring")
    period, lanes = score(key)
    x = [s[0] for s in table(f"beat_{key}_spring", period)]
    drivers = onsets(lanes, "kick", "snare", "clap")
    last, first = drivers[-1], drivers[0]
    start, end = math.ceil(last + 6.4) + 2, period + math.floor(first)  # free ringing, continued past the seam
    assert end - start >= 12, key
    ring = [x[n % period] for n in range(start, end + 1)]
    a, b = free_ringing_fit(ring, 1, len(ring) // 2)
    for n in range(1, len(ring) - 1):
        assert abs(ring[n + 1] - (a * ring[n] + b * ring[n - 1])) < 1e-8, (key, start + n + 1)
    # It is a damped ringing: b = -exp(-2 sigma) lies in (-1, 0), and it actually rings.
    assert -1 < b < 0 and a * a + 4 * b < 0, (key, a, b)
    assert max(abs(v) for v in ring) > 0.02
