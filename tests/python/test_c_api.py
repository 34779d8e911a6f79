"""The C API (libvelmora, loaded with ctypes) against the module: same values, same messages.

Runs when VELMORA_C_LIBRARY names a shared libvelmora (scripts/test.sh builds one plain and
one under ASan + UBSan); skipped otherwise.
"""

import ctypes
import math
import os
import random

import pytest
import velmora

LIBRARY_PATH = os.environ.get("VELMORA_C_LIBRARY")
pytestmark = pytest.mark.skipif(not LIBRARY_PATH, reason="VELMORA_C_LIBRARY names no C library")

OK, INVALID_ARGUMENT, OUT_OF_RANGE = 0, 1, 2
Position = ctypes.c_double * 3


class Entry(ctypes.Structure):
    _fields_ = [("name", ctypes.c_void_p), ("name_length", ctypes.c_size_t),
                ("description", ctypes.c_void_p), ("description_length", ctypes.c_size_t),
                ("period_pips", ctypes.c_uint16), ("dimensions", ctypes.c_uint8)]

    def as_dict(self):
        return {"name": ctypes.string_at(self.name, self.name_length).decode(),
                "description": ctypes.string_at(self.description, self.description_length).decode(),
                "period_pips": self.period_pips, "dimensions": self.dimensions}


class PatternData(ctypes.Structure):
    _fields_ = [("name", ctypes.c_char_p), ("description", ctypes.c_char_p),
                ("samples", ctypes.POINTER(ctypes.c_double)), ("sample_count", ctypes.c_size_t)]


@pytest.fixture(scope="module")
def lib():
    c = ctypes.CDLL(LIBRARY_PATH)
    size_p = ctypes.POINTER(ctypes.c_size_t)
    signatures = {
        "velmora_last_error": (ctypes.c_void_p, [size_p]),
        "velmora_sample_n": (ctypes.c_int, [ctypes.c_char_p, ctypes.c_size_t, ctypes.c_int32, Position]),
        "velmora_catalogue_size": (ctypes.c_int, [size_p]),
        "velmora_catalogue_entry_at": (ctypes.c_int, [ctypes.c_size_t, ctypes.POINTER(Entry)]),
        "velmora_library_create": (ctypes.c_int, [ctypes.POINTER(PatternData), ctypes.c_size_t,
                                                  ctypes.POINTER(ctypes.c_void_p)]),
        "velmora_library_free": (None, [ctypes.c_void_p]),
        "velmora_library_sample_n": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t,
                                                    ctypes.c_int32, Position]),
        "velmora_library_catalogue_size": (ctypes.c_int, [ctypes.c_void_p, size_p]),
        "velmora_library_catalogue_entry_at": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_size_t,
                                                              ctypes.POINTER(Entry)]),
        "velmora_recording_create": (ctypes.c_int, [ctypes.c_char_p, ctypes.POINTER(ctypes.c_char_p),
                                                    ctypes.c_size_t, ctypes.POINTER(ctypes.c_double),
                                                    ctypes.c_size_t, ctypes.c_double, ctypes.c_double,
                                                    ctypes.c_int32, ctypes.POINTER(ctypes.c_void_p)]),
        "velmora_recording_free": (None, [ctypes.c_void_p]),
        "velmora_recording_sample": (ctypes.c_int, [ctypes.c_void_p, ctypes.c_int32,
                                                    ctypes.POINTER(ctypes.c_double), ctypes.c_size_t]),
    }
    for name, (result, arguments) in signatures.items():
        function = getattr(c, name)
        function.restype, function.argtypes = result, arguments
    return c


def last_error(lib):
    length = ctypes.c_size_t()
    text = lib.velmora_last_error(ctypes.byref(length))
    return ctypes.string_at(text, length.value)


def module_message(call, *args):
    with pytest.raises(ValueError) as info:
        call(*args)
    return str(info.value).encode("utf-8", "surrogateescape")


def sample(lib, name, pip):
    out = Position()
    assert lib.velmora_sample_n(name, len(name), pip, out) == OK, last_error(lib)
    return tuple(out)


def test_catalogue_and_samples_match_the_module(lib):
    count = ctypes.c_size_t()
    assert lib.velmora_catalogue_size(ctypes.byref(count)) == OK
    entries = []
    for index in range(count.value):
        entry = Entry()
        assert lib.velmora_catalogue_entry_at(index, ctypes.byref(entry)) == OK
        entries.append(entry.as_dict())
    assert entries == velmora.catalogue()
    # Two pips of every pattern, one far out and one negative: 3,462 samples, bit for bit.
    rng = random.Random(16)
    for entry in entries:
        name = entry["name"].encode()
        for pip in (rng.randrange(2**31), -rng.randrange(1, 2**31)):
            assert sample(lib, name, pip) == velmora.sample(name, pip).as_tuple()
    assert lib.velmora_catalogue_entry_at(count.value, ctypes.byref(Entry())) == OUT_OF_RANGE


@pytest.mark.parametrize("name", [b"nope", b"", b"bo\x00unce", b"lfo_breathe ", b"\xff\xfe"])
def test_unknown_names_carry_the_modules_message(lib, name):
    assert lib.velmora_sample_n(name, len(name), 0, Position()) == INVALID_ARGUMENT
    assert last_error(lib) == b"Unknown velmora: " + name
    if b"\xff" not in name:  # the module shows such bytes escaped
        assert last_error(lib) == module_message(velmora.sample, name, 0)


def make_library(lib, patterns):
    """A C library from (name, description, samples) triples; (status, handle)."""
    converted = {}  # one array per distinct sample list
    for _, _, samples in patterns:
        if id(samples) not in converted:
            converted[id(samples)] = (ctypes.c_double * (3 * len(samples)))(*[v for s in samples for v in s])
    arrays = [converted[id(samples)] for _, _, samples in patterns]
    inputs = (PatternData * max(1, len(patterns)))(*[
        PatternData(name.encode(), description.encode(), array, len(samples))
        for (name, description, samples), array in zip(patterns, arrays)])
    handle = ctypes.c_void_p()
    status = lib.velmora_library_create(inputs, len(patterns), ctypes.byref(handle))
    return status, handle


def test_library_matches_the_module(lib):
    rng = random.Random(7)
    patterns = [(f"user_{i}", f"pattern {i}", [(rng.uniform(-1, 1), rng.uniform(-1, 1), 0.0)
                                              for _ in range(rng.randrange(1, 300))]) for i in range(8)]
    status, handle = make_library(lib, patterns)
    assert status == OK, last_error(lib)
    try:
        expected = velmora.PatternLibrary([velmora.SampledPattern(*p) for p in patterns])
        for name, _, _ in patterns + [("helix", "", [])]:
            for pip in (0, 1, -1, 12345, -2**31, 2**31 - 1):
                out = Position()
                assert lib.velmora_library_sample_n(handle, name.encode(), len(name), pip, out) == OK
                assert tuple(out) == expected.sample(name, pip).as_tuple()
        count = ctypes.c_size_t()
        assert lib.velmora_library_catalogue_size(handle, ctypes.byref(count)) == OK
        tail = []
        for index in range(count.value - len(patterns), count.value):
            entry = Entry()
            assert lib.velmora_library_catalogue_entry_at(handle, index, ctypes.byref(entry)) == OK
            tail.append(entry.as_dict())
        assert tail == expected.catalogue()[-len(patterns):]
    finally:
        lib.velmora_library_free(handle)


def test_library_refusals_carry_the_modules_messages(lib):
    helix = velmora.catalogue()[6]
    zeros = [(0.0, 0.0, 0.0)] * 65535
    cases = [[("a", "", [(0.0, 0.0, 0.0)])] * 2,
             [("helix", helix["description"], [(0.0, 0.0, 0.0)] * 256)],
             [("Bad", "", [(0.0, 0.0, 0.0)])],
             [("nan", "", [(0.0, math.nan, 0.0)])],
             [(f"p{i}", "", zeros) for i in range(17)]]
    for patterns in cases:
        status, handle = make_library(lib, patterns)
        assert (status, handle.value) == (INVALID_ARGUMENT, None)
        expected = module_message(lambda: velmora.PatternLibrary([velmora.SampledPattern(*p) for p in patterns]))
        assert last_error(lib) == expected


def make_recording(lib, name, axes, rows, bpm, start_pip=0):
    names = (ctypes.c_char_p * max(1, len(axes)))(*[a.encode() for a in axes])
    values = (ctypes.c_double * max(1, sum(len(r) for r in rows)))(*[v for r in rows for v in r])
    handle = ctypes.c_void_p()
    status = lib.velmora_recording_create(name.encode(), names, len(axes), values, len(rows), bpm, 0.0, start_pip,
                                          ctypes.byref(handle))
    return status, handle


def test_recordings_match_the_module(lib):
    rows = [[0.1, -0.2], [0.3, 1.0], [-1.0, 0.0]]
    status, handle = make_recording(lib, "take", ["x", "y"], rows, 120.0, start_pip=-1)
    assert status == OK, last_error(lib)
    try:
        expected = velmora.SampledRecording("take", ["x", "y"], rows, 120.0, 0.0, -1)
        out = (ctypes.c_double * 2)()
        for pip in (-1, 0, 1):
            assert lib.velmora_recording_sample(handle, pip, out, 2) == OK
            assert list(out) == expected.sample(pip)
        assert lib.velmora_recording_sample(handle, 2, out, 2) == OUT_OF_RANGE
        assert last_error(lib) == b"Pip outside non-looping recording"
    finally:
        lib.velmora_recording_free(handle)
    for args in [("take", ["x", "x"], [[0.0, 0.0]], 120.0), ("take", ["x"], [[2.0]], 120.0),
                 ("take", ["x"], [[0.0]], math.inf), ("9take", ["x"], [[0.0]], 120.0), ("take", ["x"], [], 120.0)]:
        status, handle = make_recording(lib, *args)
        assert (status, handle.value) == (INVALID_ARGUMENT, None)
        assert last_error(lib) == module_message(velmora.SampledRecording, *args)
