import gc
import sys

import numpy as np
import pytest
import velmora

import velmora_kit
from velmora_kit import period_of, render, table

render_module = sys.modules["velmora_kit.render"]
EXTREMES = [-2**31, -2**31 + 1, -65536, -1025, -1, 0, 1, 1023, 1024, 65535, 2**31 - 2, 2**31 - 1]
UNKNOWN = "^Unknown velmora: nope$"
OUTSIDE = "^Pip outside non-looping recording: pip -?[0-9]+ is not within recording 'take' "


def module_rows(sample, pips):
    return np.array([sample(int(p)).as_tuple() for p in pips], dtype=np.float64).reshape(-1, 3)


def user_pattern(name, count, seed=0):
    rng = np.random.default_rng(seed)
    samples = np.round(rng.uniform(-1, 1, (count, 3)), 6).tolist()
    return velmora.SampledPattern(name, "made for the tests", samples)


@pytest.fixture
def gather():
    """The render tests' gather: the native one, the package's only path."""
    return "native"


def test_every_builtin_table_is_one_loop_of_the_module():
    for entry in velmora.catalogue():
        name = entry["name"]
        want = module_rows(lambda p: velmora.sample(name, p), range(entry["period_pips"]))
        assert table(name).tobytes() == want.tobytes(), name
    rows = table("helix")
    assert rows.shape == (256, 3) and rows.dtype == np.float64 and not rows.flags.writeable
    assert table("helix") is rows  # cached
    with pytest.raises(ValueError):
        rows[0, 0] = 0.5


def test_every_builtin_renders_negative_and_extreme_pips_as_the_module(gather):
    for entry in velmora.catalogue():
        name, period = entry["name"], entry["period_pips"]
        assert render(name, EXTREMES).tobytes() == module_rows(lambda p: velmora.sample(name, p), EXTREMES).tobytes()
        pips = np.arange(-3 * period - 5, period + 5) * 7 + 3
        assert render(name, pips).tobytes() == table(name)[pips % period].tobytes(), name


def test_integer_dtypes_shapes_and_containers(gather):
    want = module_rows(lambda p: velmora.sample("sway", p), [0, 5, -1, 127, 2**31 - 1, -2**31])
    small = [0, 5, -1, 127]
    for make in (list, tuple, lambda v: (p for p in v), lambda v: map(int, v), lambda v: np.repeat(v, 2)[::2],
                 *[lambda v, t=t: np.array(v, t) for t in (np.int8, np.int16, np.int32, np.int64)]):
        assert render("sway", make(small)).tobytes() == want[:4].tobytes(), make
    for kind in (np.uint8, np.uint16, np.uint32, np.uint64):
        assert render("sway", np.array([0, 5], kind)).tobytes() == want[:2].tobytes()
    assert render("sway", range(0, 6, 5)).tobytes() == want[:2].tobytes()
    grid = np.array(small, np.int64).reshape(2, 2, order="F")
    assert render("sway", grid).tobytes() == want[[0, 2, 1, 3]].reshape(2, 2, 3).tobytes()
    assert render("sway", [2**31 - 1, -2**31]).tobytes() == want[4:].tobytes()
    assert render("sway", 5).shape == (3,) and render("sway", np.int64(5)).tobytes() == want[1].tobytes()
    assert render("sway", True).tobytes() == render("sway", 1).tobytes()
    assert render("sway", []).shape == (0, 3)
    assert render("sway", np.zeros((0, 4), np.int64)).shape == (0, 4, 3)

    class Pips:  # a lazy user sequence
        def __len__(self):
            return 4

        def __getitem__(self, i):
            if i >= 4:
                raise IndexError(i)
            return small[i]

    assert render("sway", Pips()).tobytes() == want[:4].tobytes()

    class Index:
        def __index__(self):
            return 5

    assert render("sway", [Index(), 0]).tobytes() == want[[1, 0]].tobytes()


def test_pips_outside_32_bits_are_refused_by_value(gather):
    for bad, pips in ((2**31, [0, 2**31]), (-2**31 - 1, np.array([5, -2**31 - 1, 2**40], np.int64)),
                      (2**31, np.array([2**31], np.uint32)), (2**64 - 1, np.array([2**64 - 1], np.uint64)),
                      (2**70, [2**70]), (-2**80, [-2**80, 0])):
        with pytest.raises(ValueError, match=rf"32-bit range .*, got {bad}$"):
            render("bounce", pips)
    for pips in ([0.5], np.array([1.0]), 1.0, [1, 2.5]):
        with pytest.raises(TypeError, match="interpolation='linear'"):
            render("bounce", pips)
    for pips in ("12", b"1", [None], ["a"], None, {1: 2}.values().__class__):
        with pytest.raises(TypeError):
            render("bounce", pips)


def test_linear_interpolation_wraps_and_is_exact_at_integers(gather):
    rows = table("circle")
    pips = np.array([0.0, 0.5, 63.25, -0.75, 2.0**31 - 0.5, -2.0**31, 1e9 + 0.125])
    got = render("circle", pips, interpolation="linear")
    low = np.floor(pips).astype(np.int64) % 64
    high = (low + 1) % 64
    frac = (pips - np.floor(pips))[:, None]
    assert got.tobytes() == (rows[low] + (rows[high] - rows[low]) * frac).tobytes()
    integers = np.arange(-200, 200)
    for name in ("circle", "step_touch"):  # step_touch stores -0.0, kept as it is at whole pips
        assert render(name, integers.astype(float), interpolation="linear").tobytes() == render(name, integers).tobytes()
    assert render("circle", [1, 2], interpolation="linear").tobytes() == render("circle", [1, 2]).tobytes()
    for bad, message in ((np.nan, "finite"), (np.inf, "finite"), (2.0**31, "32-bit"), (-2.0**31 - 0.5, "32-bit")):
        with pytest.raises(ValueError, match=message):
            render("circle", [0.0, bad], interpolation="linear")
    with pytest.raises(ValueError, match="interpolation must be 'step' or 'linear', got 'cubic'"):
        render("circle", [0], interpolation="cubic")


def test_user_patterns_and_libraries(gather):
    wave = user_pattern("wave", 3, seed=1)
    odd = user_pattern("odd_one", 1000, seed=2)
    library = velmora.PatternLibrary([wave, odd])
    pips = np.array(EXTREMES + list(range(-7, 7)))
    for pattern, sample in ((wave, wave.sample), (odd, odd.sample)):
        assert render(pattern, pips).tobytes() == module_rows(sample, pips).tobytes()
        assert period_of(pattern) == pattern.period_pips
    for name in ("wave", "odd_one", "lfo_breathe", "helix"):
        assert render(name, pips, library=library).tobytes() == module_rows(lambda p: library.sample(name, p), pips).tobytes()
    assert period_of("odd_one", library=library) == 1000 and period_of("sway", library=library) == 128
    with pytest.raises(ValueError, match=r"^Unknown velmora: wave( \(did you mean .*\?\))?$"):
        render("wave", [0])  # a library's name is never found without the library
    # Another library holding another "wave": never confused with the first, by name or by a recycled address.
    for seed in range(3, 6):
        other = velmora.PatternLibrary([user_pattern("wave", 5, seed)])
        assert render("wave", pips, library=other).tobytes() == module_rows(lambda p: other.sample("wave", p), pips).tobytes()
        del other
        gc.collect()
    assert render("wave", pips, library=library).tobytes() == module_rows(lambda p: library.sample("wave", p), pips).tobytes()


def test_recordings_render_axes_without_looping(gather):
    rows = [[0.1, 0.2, 0.3, 0.4], [0.5, -0.5, 1.0, -1.0], [0.0, 0.25, 0.75, 0.125]]
    take = velmora.SampledRecording("take", ["a", "b", "c", "d"], rows, 120, 0, -2**31)
    got = render(take, [[-2**31, -2**31 + 2], [-2**31 + 1, -2**31]])
    assert got.shape == (2, 2, 4) and got[0, 1].tolist() == take.sample(-2**31 + 2)
    for pips in ([-2**31 + 3], [0], [-2**31, 2**31 - 1]):
        with pytest.raises(IndexError, match=OUTSIDE):
            render(take, pips)
    # The first pip outside is named, with the recording's own span.
    with pytest.raises(IndexError, match=r": pip 0 is not within recording 'take' \(axes a, b, c, d; "
                       r"pips -2147483648 to -2147483646 at 120 BPM\)$"):
        render(take, [[-2**31, 0], [5, -2**31 + 1]])
    with pytest.raises(ValueError, match="32-bit"):
        render(take, [2**31])
    with pytest.raises(ValueError, match="interpolation must be 'step'"):
        render(take, [0.5], interpolation="linear")
    late = velmora.SampledRecording("late", ["x"], [[0.5]], 120, 0, 2**31 - 2)
    assert render(late, (2**31 - 2,)).tolist() == [[0.5]]


def test_unknown_names_and_wrong_types():
    for call in (lambda: table("nope"), lambda: render("nope", [0]), lambda: period_of("nope"),
                 lambda: render("nope", [0], library=velmora.PatternLibrary())):
        with pytest.raises(ValueError, match=UNKNOWN):
            call()
    for pattern in (3, b"bounce", None, velmora.bounce(0)):
        with pytest.raises(TypeError, match="pattern must be a pattern name"):
            render(pattern, [0])
    with pytest.raises(TypeError, match="library must be a velmora.PatternLibrary or None, got dict"):
        render("bounce", [0], library={})


def test_motion_sources_receive_checked_pips():
    seen = []

    class Doubled:
        def render_pips(self, pips, interpolation):
            seen.append((pips.dtype, interpolation))
            return render("bounce", pips * 2 % 64, interpolation=interpolation)

    assert isinstance(Doubled(), velmora_kit.MotionSource)
    got = render(Doubled(), np.array([1, 2], np.int32))
    assert got.tobytes() == render("bounce", [2, 4]).tobytes()
    render(Doubled(), [0.5], interpolation="linear")
    assert seen == [(np.int64, "step"), (np.float64, "linear")]
    with pytest.raises(ValueError, match="32-bit"):
        render(Doubled(), [2**31])

    class Flat:
        def render_pips(self, pips, interpolation):
            return np.zeros(pips.size * 3)

    with pytest.raises(ValueError, match=r"Flat.render_pips returned shape \(6,\) for pips of shape \(2,\)"):
        render(Flat(), [0, 1])


def test_cache_is_bounded_and_forgets_dead_objects():
    cache = render_module._TableCache(max_entries=2, max_bytes=10_000)
    owner = velmora.PatternLibrary()
    cache.put("a", None, 1, 10)
    cache.put("b", owner, 2, 10)
    cache.put("c", None, 3, 10)
    assert cache.get("a", None) is None and cache.get("b", owner) == 2
    cache.put("d", None, 4, 10)  # "c" is now the least recently used
    assert cache.get("c", None) is None and cache.get("b", owner) == 2
    del owner
    gc.collect()
    assert cache.get("b", None) is None and len(cache._entries) == 1
    cache.put("big", None, 5, 20_000)
    assert cache.get("big", None) is None


def test_native_gather_stays_inside_the_table_for_any_pip():
    native = render_module._native
    for period in (1, 3, 64, 1000):
        rows = np.arange(period * 3, dtype=np.float64).reshape(period, 3)
        pips = np.array([-2**63, 2**63 - 1, -2**31 - 1, 2**31, -1, 0], dtype=np.int64)
        out = np.empty((6, 3))
        assert native.gather_step(rows, pips, out) == 0
        assert (out == rows[pips % period]).all()
        assert native.gather_step(rows, pips[3:].astype(np.int32), np.empty((3, 3))) == -1
        real = np.array([0.5, np.nan, np.inf, -np.inf, 1e300, -1e300, 2.0**31, -2.0**31 - 1, -0.5])
        out = np.empty((9, 3))
        assert native.gather_linear(rows, real, out) == 1
        assert np.isnan(out[1:8]).all()
        after = rows[1 % period]
        assert (out[0] == rows[0] + (after - rows[0]) * 0.5).all()
        assert (out[8] == rows[-1] + (rows[0] - rows[-1]) * 0.5).all()
    rows = np.zeros((4, 3))
    for bad in (lambda: native.gather_step(rows, np.zeros(2, np.int16), np.empty((2, 3))),
                lambda: native.gather_step(rows, np.zeros(3, np.int64), np.empty((2, 3))),
                lambda: native.gather_step(rows[:, :2], np.zeros(2, np.int64), np.empty((2, 3))),
                lambda: native.gather_step(np.zeros((0, 3)), np.zeros(2, np.int64), np.empty((2, 3))),
                lambda: native.gather_step(rows, np.zeros(4, np.int64)[::2], np.empty((2, 3))),
                lambda: native.gather_linear(rows, np.zeros(2, np.float32), np.empty((2, 3)))):
        with pytest.raises(ValueError):
            bad()


def test_frames_of_a_midi_file_with_one_tempo_are_exact():
    import mido
    song = mido.MidiFile(ticks_per_beat=480)
    song.tracks.append(mido.MidiTrack([mido.MetaMessage("set_tempo", tempo=600_000)]))  # 100 BPM
    assert velmora_kit.frames(velmora_kit.TempoMap.from_midi(song), 25, 10.3)[255] == 1088


def test_catalogue_facts_agree_with_the_names_and_stay_in_blocks():
    from velmora_kit.catalogue import builtin_facts, catalogue_entries

    facts = builtin_facts()
    entries = velmora.catalogue()
    assert len(facts) == len(entries)
    blocks: list[str] = []
    for entry, fact in zip(entries, facts):
        name = entry["name"]
        assert fact.family == "core" or name.startswith(fact.family), name
        if fact.groove:
            assert name == f"beat_{fact.groove}_{fact.motion}" and fact.family == f"beat_{fact.groove}_", name
            assert entry["description"].startswith(fact.groove_title + " \u2014 "), name
        else:
            assert fact.motion == "" and fact.groove_title == "", name
        if not blocks or blocks[-1] != fact.collection:
            blocks.append(fact.collection)
    assert len(blocks) == len(set(blocks)) and blocks[0] == "core"
    library = velmora.PatternLibrary([user_pattern("mine", 4)])
    assert catalogue_entries(library)[-1].collection == "user"


def test_a_table_stack_reads_every_table_as_render_does():
    from velmora_kit.render import TableStack

    names = ["bounce", "lfo_flower", "beat_dembow_spring", "euclid_2_5"]
    pips = np.array([-2**31, -1, 0, 37, 2**31 - 1], dtype=np.int64)
    got = TableStack([table(name) for name in names]).at(pips)
    for column, name in enumerate(names):
        assert got[:, column].tobytes() == render(name, pips).tobytes()
    with pytest.raises(ValueError, match="2147483648"):
        TableStack([table("bounce")]).at(np.array([2**31]))
