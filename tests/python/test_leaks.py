"""Building and dropping patterns, libraries and recordings, failed constructions and
refused calls included, must not make the process grow: neither its resident memory nor
the interpreter's count of allocated blocks (nor the total reference count, on a debug
interpreter that keeps one)."""

import gc
import sys

import velmora

BIG = [(0.5, -0.25, 0.125)] * 30000                     # about 0.7 MiB inside each pattern
ROWS = [[0.5] * 64 for _ in range(1024)]                # 0.5 MiB of doubles in each recording
ROUNDS = 40


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * 4096


def expect(kind, call, *args):
    try:
        call(*args)
    except kind:
        return
    raise AssertionError(f"{call} did not raise {kind.__name__}")


def one_round():
    bounce = velmora.catalogue()[0]
    repeat = velmora.SampledPattern(bounce["name"], bounce["description"],
                                    [velmora.sample("bounce", p).as_tuple() for p in range(64)])
    big = velmora.SampledPattern("big", "x" * 1000, BIG)
    library = velmora.PatternLibrary([big, repeat, velmora.SampledPattern("small", b"\xff", [(0.0, 0.0, 0.5)])])
    library.sample("big", 12345)
    library.sample("circle", -7)
    expect(UnicodeDecodeError, library.catalogue)
    expect(ValueError, library.sample, "missing_" * 50, 0)
    expect(ValueError, velmora.sample, b"\xff" * 300, 1)
    expect(ValueError, velmora.SampledPattern, "big", "", BIG + [(2.0, 0.0, 0.0)])
    expect(ValueError, velmora.SampledPattern, "Bad", "", BIG)
    expect(TypeError, velmora.SampledPattern, "big", "", BIG + [(0.0, 0.0)])
    expect(ValueError, velmora.SampledPattern, "big", "", BIG * 3)
    expect(ValueError, velmora.PatternLibrary, [big, big])
    expect(ValueError, velmora.PatternLibrary, [velmora.SampledPattern("bounce", "", BIG[:64])])
    expect(ValueError, velmora.PatternLibrary, [big] * 1025)
    expect(TypeError, velmora.PatternLibrary, [big, None])
    expect(TypeError, velmora.PatternLibrary, [big, 3])
    take = velmora.SampledRecording("take", [f"a{i}" for i in range(64)], ROWS, 120.0, 0.0, -5)
    take.sample(0)
    expect(IndexError, take.sample, 5000)
    expect(ValueError, velmora.SampledRecording, "take", ["x"] * 64, ROWS, 120.0)
    expect(ValueError, velmora.SampledRecording, "take", [f"a{i}" for i in range(64)], ROWS + [[0.5]], 120.0)
    expect(ValueError, velmora.SampledRecording, "take", [f"a{i}" for i in range(64)], ROWS[:-1] + [[9.0] * 64], 120.0)
    expect(TypeError, velmora.SampledRecording, "take", "xyz", ROWS, 120.0)
    assert len(velmora.catalogue()) == len(velmora.PatternLibrary().catalogue())
    [velmora.bounce(p).as_tuple() for p in range(100)]


def counters():
    gc.collect()
    total_refs = sys.gettotalrefcount() if hasattr(sys, "gettotalrefcount") else 0
    return resident_bytes(), sys.getallocatedblocks(), total_refs


def test_no_growth_over_many_rounds():
    for _ in range(30):  # warm-up: caches, interned strings, the catalogue vector
        one_round()
    windows = []
    for _ in range(5):
        rss_before, blocks_before, refs_before = counters()
        for _ in range(ROUNDS):
            one_round()
        rss_after, blocks_after, refs_after = counters()
        windows.append((rss_after - rss_before, blocks_after - blocks_before, refs_after - refs_before))
    # A leak grows every window by at least one block a round (and by 0.7 MiB, if the
    # samples of a pattern leaked); the interpreter's own caches grow by less and settle.
    assert min(w[0] for w in windows) < 4 * 2**20, windows
    assert min(w[1] for w in windows) < ROUNDS, windows
    if hasattr(sys, "gettotalrefcount"):
        assert min(w[2] for w in windows) < ROUNDS, windows


def peak_resident_growth(call):
    """Peak resident memory above the current one while `call` runs, or None where the
    kernel does not let a process reset its peak."""
    try:
        with open("/proc/self/clear_refs", "w") as f:
            f.write("5")
    except OSError:
        return None
    with open("/proc/self/status") as f:
        before = next(int(line.split()[1]) for line in f if line.startswith("VmRSS:")) * 1024
    call()
    with open("/proc/self/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("VmHWM:")) * 1024 - before


def test_oversized_packs_are_refused_without_copying_them():
    big = velmora.SampledPattern("big", "", BIG * 2)
    blowups = {"too many": ([big] * 100_000, "Too many patterns"),
               # 1,024 copies of a 60,000-sample pattern would be 1.4 GB; the library
               # stops at the second (a duplicate name) and the 18th carries the total past
               # the limit, so only 18 need copying.
               "repeated": ([big] * 1024, "Duplicate pattern name: big")}
    for label, (pack, message) in blowups.items():
        def refuse():
            try:
                velmora.PatternLibrary(pack)
            except ValueError as error:
                assert str(error) == message
            else:
                raise AssertionError(label)
        growth = peak_resident_growth(refuse)
        if growth is not None:
            assert growth < 100 * 2**20, (label, growth)
