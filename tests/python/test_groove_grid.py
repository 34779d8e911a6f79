"""The groove grid, velmora_club and velmora_dancefloor: 68 grooves by 16 motions.

The expected rows are written out here from the groove and motion tables, independently
of the generator's sources. The motion claims are measured on the module's data against
the drum scores, which the built generator lists with --score. Rows whose groove has no
score yet are not in the catalogue; the rows present must keep the grid order."""

import glob
import math
import os
import subprocess

import pytest
import velmora

EM_DASH = "\u2014"

# key | title | period | dimensions of bounce, step, orbit, glide | note
CLUB_GROOVES = """
four_floor|Four to the floor / bare pulse|256|2223|Equal quarter-note kicks only. This shared foundation is not itself a complete genre.
house_classic|House / kick-clap-offbeat hat|512|2233|
house_shuffle|House / shuffled hats|512|2233|
house_jack|Jackin house / ghost-kick turnaround|512|2233|Original swung variant: extra ghost kicks and claps; not a transcription of a named track.
techno_drive|Techno / straight driving pulse|512|2233|
techno_toms|Techno / tom conversation|512|2233|
techno_broken|Techno / broken kick study|512|2233|A deliberately broken alternative; not all techno uses a quarter-note kick.
techno_polymeter|Techno / three-step percussion cycle|768|2233|Original three-sixteenth percussion cycle over 4/4: both layers close after three bars.
ukg_two_step|UK garage / two-step foundation|512|2233|Backbeats on 2/4; the second kick sits on the & of 3. Off-grid hats supply shuffle.
ukg_skip|UK garage / skipping answer|512|2233|
ukg_four_four|UK garage / four-four shuffle|512|2233|Garage also has a four-to-the-floor branch; it is not all two-step.
speed_garage|Speed garage / offbeat bass answers|512|3333|Bass onsets are included as movement cues. Audio uses a simple synth, not a sampled Reese patch.
bassline|Bassline / syncopated low-end hooks|512|3333|
grime_sparse|Grime / sparse square-cut backbeat|512|2233|
grime_syncopated|Grime / displaced snare conversation|512|2233|A 140 BPM syncopated study; grime has no single mandatory snare pattern.
grime_half|Grime / half-time negative space|512|3333|
drill_tresillo|UK drill / grouped hats|512|3333|3+3+2 sixteenth grouping is not a tuplet: the grid here remains straight.
drill_displaced|UK drill / moving second-bar snare|512|3333|Snare: beat 3 in bar one, beat 4 in bar two. This is one common design, not a rule for all drill.
drill_rolls|UK drill / true triplet hat fill|512|3333|The added hat fill uses rational tuplets; grouped hats and triplet rolls remain distinct concepts.
amen_four_bar|Amen / four-bar structural study|1024|3333|Gregory C. Coleman / The Winstons, Amen, Brother. Four bars, not a generic 2-bar loop. Timing/velocity are approximations; no original recording or measured human microtiming.
amen_no_ghosts|Amen / remove the ghost snares|1024|3333|A/B study: only quiet snares removed. This deliberately simplified version is not the complete Amen.
jungle_chops|Jungle / rearranged break fragments|512|2233|Original chopped-break-style arrangement, not the original Amen sequence.
jungle_ghosts|Jungle / ghosts and snare rolls|512|2233|
jungle_switch|Jungle / full-time to half-time answer|1024|2233|Four-bar original phrase: the final half uses fewer main snares, not a tempo change.
dnb_two_step|Drum & bass / two-step foundation|512|2233|
dnb_rolling|Drum & bass / rolling ghosts|512|2233|
dnb_half|Drum & bass / half-time space|512|3333|
dubstep_half|Dubstep / half-step anchor|512|3333|
dubstep_skip|Dubstep / skippy half-step|512|3333|
trap_trills|Trap / half-time and hat trills|512|3333|
electro|Electro / broken machine groove|512|2233|
trance|Trance / offbeat lift|512|3333|Offbeat bass/pulse is included. A rhythmic sketch cannot supply trance harmony, timbre or arrangement.
rave_breaks|Rave / four-floor plus break layer|512|2233|
dembow|Reggaeton / dembow answer|512|2233|Quarter-note kick version with offbeat snare answers; one useful dembow foundation, not every dancehall rhythm.
disco|Disco / lively hat accents|512|2233|
amapiano|Amapiano / shaker and bass-percussion study|512|3333|An original percussion and log-drum-style bass rhythm. Pitched bass is a cue lane, not a downloaded sample.
"""

# key | title | dimensions of bounce, step (period 512, orbit and glide 3)
DANCEFLOOR_GROOVES = """
jersey_five|Jersey / five-kick foundation|22
jersey_call|Jersey / call and turnaround|33
footwork_triplet|Footwork / triplet bass reply|33
footwork_sparse|Footwork / interrupted half-time|33
funky_toms|UK funky / tom-led skips|33
funky_syncopated|UK funky / broken response|33
broken_push|Broken beat / early-and-late answers|33
broken_shuffle|Broken beat / shuffled rim circuit|33
afro_bell|Afro house / bell and kick weave|33
afro_cross|Afro house / three-over-four percussion|33
gqom_space|Gqom / broken-kick space study|33
gqom_exchange|Gqom / staggered drum exchange|33
baile_toms|Baile funk / low-drum conversation|22
baile_response|Baile funk / syncopated answer|33
reggae_one_drop|Reggae / one-drop foundation|33
reggae_steppers|Dub / steppers foundation|33
reggae_rockers|Reggae / kick-on-one-and-three study|33
son_clave_32|Latin club / 3-2 son clave|33
son_clave_23|Latin club / 2-3 son clave|33
psy_rolling|Psy / straight rolling bass gaps|33
psy_offbeat|Trance / offbeat bass exchange|33
hard_reverse|Hard dance / delayed bass swell cues|33
italo_machine|Italo / machine rim conversation|33
electro_robot|Electro / asymmetric machine break|33
acid_percussion|Acid house / syncopated machine accents|33
techno_rumble|Techno / delayed low-end answer|33
ukg_rim_shuffle|Garage / rim-led skipping pocket|33
dnb_push|DnB / kick pickup and ghost reply|33
jungle_switchback|Jungle / two-bar switchback|33
amapiano_answer|Amapiano / log-like bass answer|33
dancehall_space|Dancehall / spacious offbeat replies|33
dembow_push|Reggaeton / dembow with pickup answer|33
"""

CLUB_MOTIONS = [("bounce", "Kick-led bounce", "Original Club 05 kick-led downstroke and side accents."),
                ("step", "Snare side-step", "Original Club 05 alternating lateral kick and snare gestures."),
                ("orbit", "Percussion orbit", "Original Club 05 event-weighted orbital speed, radius and depth."),
                ("glide", "Bass-and-phrase glide", "Original Club 05 continuous phrase path with bass excursions.")]
DANCEFLOOR_MOTIONS = [
    ("surge", "Forward surge", "Kick thrust through depth with contrasting snare lift and hat detail."),
    ("recoil", "Backbeat recoil", "Snare pushes sideways; kick counters downward; delayed echo draws back."),
    ("flutter", "Upper-percussion flutter", "Hat and shaker tremors over a wider kick/snare arc."),
    ("dive", "Bass-led dive", "Bass drives a broad depth plunge with alternating drum counterweight."),
    ("pendulum", "Weighted pendulum", "A hanging arc whose amplitude and angular speed respond to the score."),
    ("figure8", "Woven figure eight", "Two crossing lobes expand at kicks with a lifted snare crossing."),
    ("box", "Rounded corner tour", "Rhythm-weighted phase travels around four softened corners."),
    ("corkscrew", "Closed corkscrew", "Two orbital turns ride a depth wave with percussion-driven radius."),
    ("spiral", "Breathing spiral", "A contracting and expanding double-turn path with a continuous seam."),
    ("slalom", "Drum slalom", "S-shaped travel with kick lift, snare cutbacks and depth counter-motion."),
    ("spring", "Causal spring", "An event starts at rest, then drives a damped ringing excursion."),
    ("ricochet", "Directional ricochet", "Successive onsets send smooth excursions toward a cyclic series of targets."),
]


def expected_rows():
    """(name, period, dimensions, description) of all 1,088 rows in table order."""
    club = [line.split("|") for line in CLUB_GROOVES.strip().splitlines()]
    dance = [line.split("|") for line in DANCEFLOOR_GROOVES.strip().splitlines()]
    rows = []
    for key, title, period, dims, note in club:
        for (motion, motion_title, _), dim in zip(CLUB_MOTIONS, dims):
            rows.append((f"beat_{key}_{motion}", int(period), int(dim), f"{title} {EM_DASH} {motion_title}. {note}"))
    for key, title, period, dims, _ in club:
        for motion, motion_title, blurb in DANCEFLOOR_MOTIONS:
            rows.append((f"beat_{key}_{motion}", int(period), 3, f"{title} {EM_DASH} {motion_title}. {blurb}"))
    for key, title, dims in dance:
        club_dims = [int(dims[0]), int(dims[1]), 3, 3]
        for (motion, motion_title, blurb), dim in zip(CLUB_MOTIONS, club_dims):
            motion_title = "Bass / phrase glide" if motion == "glide" else motion_title
            rows.append((f"beat_{key}_{motion}", 512, dim, f"{title} {EM_DASH} {motion_title}. {blurb}"))
        for motion, motion_title, blurb in DANCEFLOOR_MOTIONS:
            rows.append((f"beat_{key}_{motion}", 512, 3, f"{title} {EM_DASH} {motion_title}. {blurb}"))
    return rows


EXPECTED = expected_rows()
GROOVE_KEYS = [line.split("|")[0] for line in (CLUB_GROOVES + DANCEFLOOR_GROOVES).strip().splitlines() if line]


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


def test_expected_grid_has_the_published_shape():
    names = [row[0] for row in EXPECTED]
    assert len(EXPECTED) == 1088 and len(set(names)) == 1088
    assert names[0] == "beat_four_floor_bounce" and names[143] == "beat_amapiano_glide"
    assert names[144] == "beat_four_floor_surge" and names[575] == "beat_amapiano_ricochet"
    assert names[576] == "beat_jersey_five_bounce" and names[-1] == "beat_dembow_push_ricochet"
    assert sum(1 for row in EXPECTED if row[1] == 1024) == 3 * 16
    assert EXPECTED[4][3] == "House / kick-clap-offbeat hat \u2014 Kick-led bounce. "


def test_rendered_rows_keep_grid_order_and_exact_metadata():
    got = [(e["name"], e["period_pips"], e["dimensions"], e["description"]) for e in grid_entries()]
    position = {row[0]: i for i, row in enumerate(EXPECTED)}
    assert all(row[0] in position for row in got), "a grid row that the tables do not list"
    indices = [position[row[0]] for row in got]
    assert indices == sorted(indices)
    for row in got:
        assert row == EXPECTED[position[row[0]]]


def test_the_grid_closes_the_catalogue():
    entries = velmora.catalogue()
    grid = grid_entries()
    if len(grid) < 1088:
        pytest.skip(f"{1088 - len(grid)} grid rows still wait for their scores")
    assert [e["name"] for e in entries[-1088:]] == [row[0] for row in EXPECTED]
    assert entries[-1]["name"] == "beat_dembow_push_ricochet" and entries[-1]["period_pips"] == 512


def test_generator_lists_every_grid_row_rendered_or_pending():
    generator = generator_path()
    if generator is None:
        pytest.skip("the built velmora_generator is not beside the module")
    listing = subprocess.run([generator, "--list"], check=True, capture_output=True, text=True).stdout
    rows = [line.split() for line in listing.splitlines() if line.startswith("beat_")]
    assert [(r[0], int(r[2]), int(r[3])) for r in rows] == [(n, p, d) for n, p, d, _ in EXPECTED]
    assert [r[1] for r in rows] == ["velmora_club"] * 144 + ["velmora_dancefloor"] * 944


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
    require("beat_four_floor_bounce")
    bounce, step = table("beat_four_floor_bounce", 256), table("beat_four_floor_step", 256)
    for p in range(256):
        e = kick_envelopes(p)
        want_bounce = (0.0, 0.55 * sum(e), 0.0)
        want_step = (0.42 * sum((-1) ** k * e[k] for k in range(4)), -0.22 * sum(e), 0.0)
        for got, want in ((bounce[p], want_bounce), (step[p], want_step)):
            assert all(abs(g - w) <= 1e-12 for g, w in zip(got, want)), (p, got, want)
    assert all(bounce[p] == (0.0, 0.0, 0.0) for p in range(30, 58))
    assert all(bounce[64 * k][1] == 0.55 for k in range(4))
    assert step[0] == (0.42, -0.22, 0.0) and step[64] == (-0.42, -0.22, 0.0)


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
