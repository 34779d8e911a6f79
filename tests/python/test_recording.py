import decimal
import math
import pickle

import pytest
import velmora

SampledRecording = velmora.SampledRecording

RESOURCE = "^Empty recording or recording resource limit exceeded$"
TEMPO = "^A finite positive BPM and beat origin are required$"
OUTSIDE = "^Pip outside non-looping recording$"


def test_defaults_properties_and_sampling():
    take = SampledRecording("take", ["x", "y", "z"], [[0.1, 0.2, 0.3], [0.4, 0.5, 0.6], [-1, 1, 0]], 120)
    assert (take.name, take.sample_count, take.bpm, take.beat_zero_seconds, take.start_pip) == ("take", 3, 120.0, 0.0, 0)
    assert type(take.bpm) is float and type(take.start_pip) is int
    assert take.sample(1) == [0.4, 0.5, 0.6]
    assert take.sample(pip=2) == [-1.0, 1.0, 0.0]
    axes = take.dimensions
    assert axes == ["x", "y", "z"] and axes is not take.dimensions
    axes.append("w")
    assert take.dimensions == ["x", "y", "z"]
    assert take.sample(0) is not take.sample(0)


def test_start_pip_and_the_rows_outside():
    rows = [[0.1], [0.2], [0.3]]
    take = SampledRecording(name=b"take", dimensions=(bytearray(b"x"),), samples=rows, bpm=90.5,
                            beat_zero_seconds=-3.5, start_pip=10)
    assert [take.sample(p) for p in (10, 11, 12)] == rows
    for pip in (9, 13, 0, -2**31, 2**31 - 1):
        with pytest.raises(IndexError, match=OUTSIDE):
            take.sample(pip)
    early = SampledRecording("early", ["x"], [[0.25]], 120, 0, -2**31)
    assert early.sample(-2**31) == [0.25]
    assert SampledRecording("late", ["x"], [[0.5]], 120, 0, 2**31 - 2).sample(2**31 - 2) == [0.5]
    for start, count in ((2**31 - 2, 2), (2**31 - 1, 1)):
        with pytest.raises(ValueError, match=RESOURCE):
            SampledRecording("late", ["x"], [[0.5]] * count, 120, 0, start)


def test_strict_pip_and_convertible_constructor_arguments():
    take = SampledRecording("take", ["x"], [[0.5]], decimal.Decimal("120"), True, decimal.Decimal("4.9"))
    assert take.bpm == 120.0 and take.beat_zero_seconds == 1.0 and take.start_pip == 4
    assert take.sample(4) == [0.5]
    assert SampledRecording("one", ["x"], [[0.5]], 120, 0, 1).sample(True) == [0.5]
    for pip in (4.0, decimal.Decimal(4), "4", 2**31):
        with pytest.raises(TypeError):
            take.sample(pip)
    for args in (("take", "x", [[0.5]], 120),                # a str is not a list of axes
                 ("take", ["x"], [0.5], 120),                # rows must be sequences
                 ("take", ["x"], [["a"]], 120),
                 ("take", ["x"], [[0.5]], "120"),
                 ("take", ["x"], [[0.5]], 120, 0.0, 1.5),    # never a float pip
                 ("take", ["x"], [[0.5]], 120, 0.0, 2**31),
                 ("take", ["x"], iter([[0.5]]), 120),
                 ("take", ["x"], [[0.5]])):
        with pytest.raises(TypeError):
            SampledRecording(*args)
    with pytest.raises(TypeError):
        SampledRecording("take", ["x"], [[0.5]], 120, tempo=1)


def test_refusals_surface_as_value_errors():
    cases = [(("Take", ["x"], [[0.0]], math.nan), "Invalid identifier"),
             (("take", [], [], math.nan), "A finite positive BPM and beat origin are required"),
             (("take", ["x"], [[0.0]], 1e-308), "A finite positive BPM and beat origin are required"),
             (("take", ["x"], [[0.0]], 120, math.inf), "A finite positive BPM and beat origin are required"),
             (("take", ["x"], [], 120), "Empty recording or recording resource limit exceeded"),
             (("take", ["x", "\u00e9"], [[0.0, 0.0]], 120), "Invalid identifier"),
             (("take", ["x", "x"], [[0.0, 0.0]], 120), "Duplicate axis"),
             (("take", ["x", "y"], [[0.1, 0.2], [0.3]], 120), "Ragged recording"),
             (("take", ["x", "y"], [[2.0, 0.2], [0.3]], 120), "Invalid sample"),
             (("take", ["x"], [[0.0], [math.nan]], 120), "Invalid sample")]
    for args, message in cases:
        with pytest.raises(ValueError) as info:
            SampledRecording(*args)
        assert str(info.value) == message
    assert SampledRecording("a" * 128, ["b" * 128], [[-1.0]], 120).name == "a" * 128


def test_read_only_no_dict_and_no_pickling():
    take = SampledRecording("take", ["x"], [[0.5]], 120)
    for attribute in ("name", "dimensions", "sample_count", "bpm", "beat_zero_seconds", "start_pip", "other"):
        with pytest.raises(AttributeError):
            setattr(take, attribute, 1)
    assert not hasattr(take, "__dict__")
    for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
        with pytest.raises(TypeError):
            pickle.dumps(take, protocol)
    assert {k for k in vars(SampledRecording) if not k.startswith("_")} == {
        "name", "dimensions", "sample_count", "bpm", "beat_zero_seconds", "start_pip", "sample"}


AMPLIFIED_INPUTS = r"""
import resource, velmora
# 1 GiB of address space: converting any of these inputs whole would need gigabytes.
resource.setrlimit(resource.RLIMIT_AS, (1 << 30, 1 << 30))
R, P = velmora.SampledRecording, velmora.SampledPattern
long_row = [0.0] * 10_000
cases = [
    lambda: R("take", ["x"], [long_row] * 1_000_000, 120),                       # ragged, 80 GB as doubles
    lambda: R("take", ["x"], [[2.0]] + [long_row] * 1_000_000, 120),             # an earlier row decides
    lambda: R("take", ["x"], (row for row in [long_row] * 1_000_000), 120),
    lambda: R("take", [f"a{i}" for i in range(100)], [long_row] * 1_000_000, 120),  # too many values
    lambda: R("take", ["x"], [[0.0]] * (2**23 + 1), 120),
    lambda: R("Take", ["x"], [long_row] * 1_000_000, 120),                       # the name still comes first
    lambda: R("take", ["x" * 1_000_000] * 10_000, [[0.0] * 10_000], 120),        # 10 GB of axis names
    lambda: R("take", ["x", "x"] + ["y" * 1_000_000] * 10_000, [[0.0] * 10_002], 120),
    lambda: P("p", "", [(0.0, 0.0, 0.0)] * 50_000_000),
    lambda: P("P", "", [(0.0, 0.0, 0.0)] * 50_000_000),
    # Once the input is known to be invalid, as many further values as a recording holds
    # are still converted, so a foreign one among them is still found (kept small:
    # pybind11's TypeError message holds the repr of every argument); one beyond them is not.
    lambda: R("take", ["x"], [[0.0, 0.0]] * 5_000_000 + [["a"]], 120),
    lambda: R("take", ["x"], [[0.0]] * (2**23 + 1) + [None], 120),
    lambda: R("take", ["x" * 200] * 3 + [1], [[0.0] * 4], 120),
    lambda: P("p", "", [(0.0, 0.0, 0.0)] * 60_000 + [(0.0, 0.0)] + [(0.0, 0.0, 0.0)] * 10_000),
    lambda: P("p", "", [(0.0, 0.0, 0.0)] * 100_000 + [(0.0, 0.0)]),
]
for case in cases:
    try:
        case()
        print("accepted")
    except ValueError as error:
        print(error)
    except TypeError:
        print("TypeError")
"""


def test_inputs_that_repeat_one_object_are_refused_without_converting_them_whole():
    import subprocess
    import sys
    out = subprocess.run([sys.executable, "-c", AMPLIFIED_INPUTS], capture_output=True, text=True, timeout=120)
    assert out.returncode == 0, out.stderr
    assert out.stdout.splitlines() == [
        "Ragged recording",
        "Invalid sample",
        "Ragged recording",
        "Empty recording or recording resource limit exceeded",
        "Empty recording or recording resource limit exceeded",
        "Invalid identifier",
        "Invalid identifier",
        "Duplicate axis",
        "A pattern requires 1..65535 samples (one per pip)",
        "Invalid pattern name",
        "TypeError", "Empty recording or recording resource limit exceeded", "TypeError", "TypeError",
        "A pattern requires 1..65535 samples (one per pip)",
    ]
