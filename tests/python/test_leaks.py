"""Building and dropping patterns, libraries and recordings, failed constructions and
refused calls included, must not make the process grow: neither the Python objects made
here nor its resident memory (nor the total reference count, on a debug interpreter that
keeps one)."""

import gc
import json
import os
import subprocess
import sys
import tracemalloc

import numpy
import velmora

BIG = [(0.5, -0.25, 0.125)] * 12000                     # about 0.3 MiB inside each pattern
ROWS = [[0.5] * 64 for _ in range(1024)]                # 0.5 MiB of doubles in each recording
ROUNDS = 40
BOUNCE = velmora.catalogue()[0]


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * 4096


def expect(kind, call, *args):
    try:
        call(*args)
    except kind:
        return
    raise AssertionError(f"{call} did not raise {kind.__name__}")


def refused_conversions(pattern):
    expect(TypeError, velmora.PatternLibrary, [pattern, None])
    expect(TypeError, velmora.PatternLibrary, [pattern, 3])
    expect(TypeError, velmora.SampledRecording, "take", "xyz", [[0.5]], 120.0)
    expect(TypeError, velmora.sample, [1], 3)


def one_round():
    bounce = BOUNCE
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
    expect(ValueError, velmora.SampledPattern, "big", "", BIG * 6)
    expect(ValueError, velmora.PatternLibrary, [big, big])
    expect(ValueError, velmora.PatternLibrary, [velmora.SampledPattern("bounce", "", BIG[:64])])
    expect(ValueError, velmora.PatternLibrary, [big] * 1025)
    refused_conversions(big)
    take = velmora.SampledRecording("take", [f"a{i}" for i in range(64)], ROWS, 120.0, 0.0, -5)
    take.sample(0)
    expect(IndexError, take.sample, 5000)
    expect(ValueError, velmora.SampledRecording, "take", ["x"] * 64, ROWS, 120.0)
    expect(ValueError, velmora.SampledRecording, "take", [f"a{i}" for i in range(64)], ROWS + [[0.5]], 120.0)
    expect(ValueError, velmora.SampledRecording, "take", [f"a{i}" for i in range(64)], ROWS[:-1] + [[9.0] * 64], 120.0)
    assert velmora.catalogue()[0] == BOUNCE
    [velmora.bounce(p).as_tuple() for p in range(100)]
    hostile_containers()


def hostile_containers():
    # Items made on each access and read through owned references, arrays read in place,
    # conversions cut short and half-made objects: none may keep anything alive.
    velmora.SampledRecording("take", numpy.array(["x", "y"], dtype=object), numpy.full((512, 2), 0.25), 120.0)
    velmora.SampledRecording("take", ["x", "y"], numpy.full((512, 2), 0.25, dtype=object), 120.0)
    velmora.PatternLibrary(velmora.SampledPattern(n, "", numpy.full((300, 3), 0.5)) for n in ("p", "q"))
    velmora.PatternLibrary(map(lambda n: velmora.SampledPattern(n, "", [(0.5, 0.0, 0.0)]), ["p", "q"]))
    expect(ValueError, velmora.SampledRecording, "take", ["x"], [[0.5], numpy.zeros(3)], 120.0)
    expect(ValueError, velmora.SampledPattern, "p", "", numpy.zeros((70000, 3)))
    expect(ValueError, velmora.SampledPattern, "p", "", [(0.0, 0.0, 0.0)] * 70000)   # cut short
    expect(TypeError, velmora.SampledPattern, "p", "", [(0.0, 0.0, 0.0)] * 10 + [(x for x in [0.5])])
    expect(ValueError, velmora.PatternLibrary, [velmora.SampledPattern("p", "", [(0.0, 0.0, 0.0)])] * 5000)
    half = velmora.SampledPattern.__new__(velmora.SampledPattern)
    expect(TypeError, half.sample, 0)
    expect(TypeError, velmora.PatternLibrary, [half])
    expect(TypeError, velmora.Offset3.__new__, velmora.Offset3)


def test_no_growth_over_many_rounds():
    # Measured in a fresh interpreter (with this one's flags and allocator), so that what
    # earlier tests left in the interpreter's and pybind11's caches cannot grow into the
    # windows: in this process, after the randomised property tests, such caches were
    # once seen to add a couple of small blocks a round.
    flags = ["-X", "dev"] if sys.flags.dev_mode else []
    measured = subprocess.run([sys.executable, *flags, __file__], capture_output=True, text=True, timeout=600,
                              cwd=os.path.dirname(__file__))
    assert measured.returncode == 0, measured.stderr[-4000:]
    windows = json.loads(measured.stdout.splitlines()[-1])
    assert min(w[0] for w in windows) < ROUNDS, windows
    # C++ storage is not traced: a leaked pattern or recording would add 0.3 to 0.5 MiB a round.
    assert min(w[1] for w in windows) < 4 * 2**20, windows
    assert min(w[2] for w in windows) < ROUNDS, windows


def measure_windows():
    """Python objects are traced to the line of this file that made them, results and
    exceptions of velmora's calls included. A leak adds at least one object a round in
    every window of rounds; caches grow by less and settle."""
    tracemalloc.start()
    windows = []
    try:
        # Warm-up. Refused conversions fill caches of a few hundred small objects (more
        # after the module has been imported a second time) before they settle.
        small = velmora.SampledPattern("small", "", [(0.0, 0.0, 0.0)])
        for _ in range(600):
            refused_conversions(small)
        for _ in range(20):
            one_round()
        here = [tracemalloc.Filter(True, __file__)]
        for _ in range(3):
            gc.collect()
            rss_before, refs_before = resident_bytes(), total_references()
            before = tracemalloc.take_snapshot().filter_traces(here)
            for _ in range(ROUNDS):
                one_round()
            gc.collect()
            after = tracemalloc.take_snapshot().filter_traces(here)
            grown = [stat for stat in after.compare_to(before, "lineno") if stat.count_diff > 0]
            objects = sum(stat.count_diff for stat in grown)
            windows.append((objects, resident_bytes() - rss_before, total_references() - refs_before,
                            [str(stat) for stat in grown[:3]]))
    finally:
        tracemalloc.stop()
    return windows


def total_references():
    """The interpreter's total reference count, kept only by debug builds."""
    return sys.gettotalrefcount() if hasattr(sys, "gettotalrefcount") else 0


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
    big = velmora.SampledPattern("big", "", BIG * 5)
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


if __name__ == "__main__":
    print(json.dumps(measure_windows()))
