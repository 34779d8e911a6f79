"""Inputs that once crashed the interpreter, read freed memory, hung or ran for hours.

Each runs in a fresh interpreter under PYTHONMALLOC=debug, which poisons freed memory so
that reading it shows, with a time and memory limit: a crash or a hang fails the test
instead of the test run."""

import subprocess
import sys
import textwrap

import pytest
import velmora


def run_isolated(*code, timeout=120):
    """Runs the pieces of `code` in a fresh interpreter limited to 2 GiB; returns its
    stdout lines."""
    prelude = "import resource; resource.setrlimit(resource.RLIMIT_AS, (2 << 30, 2 << 30))\n"
    script = prelude + "".join(textwrap.dedent(piece) for piece in code)
    result = subprocess.run([sys.executable, "-X", "dev", "-c", script],
                            capture_output=True, text=True, timeout=timeout,
                            env={"PYTHONMALLOC": "debug", "PYTHONPATH": ":".join(sys.path),
                                 "OPENBLAS_NUM_THREADS": "1"})
    assert result.returncode == 0, result.stderr[-3000:]
    return result.stdout.splitlines()


OUTCOME = """
def outcome(call):
    try:
        result = call()
    except Exception as error:
        return type(error).__name__ + ("" if isinstance(error, TypeError) else ": " + str(error))
    return repr(result)
"""


def test_items_made_on_each_access_stay_alive_while_converted():
    lines = run_isolated(OUTCOME, """
        import numpy, velmora

        class Rows:
            def __len__(self): return 3
            def __getitem__(self, i):
                if i >= 3: raise IndexError
                return [0.25 * i]

        class Axes:
            def __len__(self): return 2
            def __getitem__(self, i):
                if i >= 2: raise IndexError
                return "".join(["axis_", str(i)])   # a new string each time

        R, P = velmora.SampledRecording, velmora.SampledPattern
        take = R("r", ["x"], Rows(), 120)
        print([take.sample(p) for p in range(3)])
        print(R("r", ["x", "y"], numpy.zeros((4, 2)), 120).sample(3))
        print(R("r", Axes(), [[0.5, -0.5]], 120).dimensions)
        print(R("r", numpy.array(["x", "y"], dtype=object), numpy.zeros((2, 2), dtype=object), 120).sample(1))
        print(outcome(lambda: P("p", "", numpy.zeros((70000, 3)))))
        print(outcome(lambda: P("p", "", numpy.zeros((70000, 3), dtype=object))))
        print(P("p", "", numpy.full((65535, 3), 0.5, dtype=object)).sample(-1).as_tuple())
        print(P("p", "", [numpy.array([0.5, 0.25, 0.0], dtype=numpy.float32)]).sample(0).as_tuple())
    """)
    assert lines == [
        "[[0.0], [0.25], [0.5]]",
        "[0.0, 0.0]",
        "['axis_0', 'axis_1']",
        "[0.0, 0.0]",
        "ValueError: A pattern requires 1..65535 samples (one per pip)",
        "ValueError: A pattern requires 1..65535 samples (one per pip)",
        "(0.5, 0.5, 0.5)",
        "(0.5, 0.25, 0.0)",
    ]


def test_library_from_generators_and_maps_of_fresh_patterns():
    lines = run_isolated("""
        import velmora
        P, L = velmora.SampledPattern, velmora.PatternLibrary

        def entries(library):
            return [(e["name"], library.sample(e["name"], 1).x) for e in library.catalogue()[len(velmora.catalogue()):]]

        made = [P(n, "", [(0.5, 0, 0), (0.25 * i, 0, 0)]) for i, n in enumerate(["a", "b"])]
        print(entries(L(P(n, "", [(0.5, 0, 0), (0.25 * i, 0, 0)]) for i, n in enumerate(["a", "b"]))))
        print(entries(L(map(lambda n: P(n, "", [(0.5, 0, 0), (0.25 * "ab".index(n), 0, 0)]), ["a", "b"]))))
        print(entries(L(made)))
    """)
    assert lines == ["[('a', 0.0), ('b', 0.25)]"] * 3


def test_half_made_objects_refuse_every_use():
    lines = run_isolated(OUTCOME, """
        import velmora
        base_new = velmora.Offset3.__mro__[1].__new__   # pybind11's own base __new__
        print(outcome(lambda: velmora.Offset3.__new__(velmora.Offset3)))
        print(outcome(lambda: velmora.Offset3()))
        for cls in (velmora.SampledPattern, velmora.PatternLibrary, velmora.SampledRecording, velmora.Offset3):
            for half in (base_new(cls),) + ((cls.__new__(cls),) if cls is not velmora.Offset3 else ()):
                ends = set()
                for name in (n for n in dir(cls) if not n.startswith("_")):
                    if not callable(getattr(cls, name)):   # a property
                        ends.add(outcome(lambda: getattr(half, name)))
                        continue
                    args = () if name != "sample" else ("bounce", 0) if cls is velmora.PatternLibrary else (0,)
                    ends.add(outcome(lambda: getattr(half, name)(*args)))
                print(cls.__name__, sorted(ends))
        half = velmora.SampledPattern.__new__(velmora.SampledPattern)
        print(outcome(lambda: velmora.PatternLibrary([half])))
        print(outcome(lambda: velmora.PatternLibrary(x for x in [half])))
        print(outcome(lambda: half.__init__("Bad", "", [(0.0, 0.0, 0.0)])))   # a failed __init__
        print(outcome(lambda: half.sample(0)))
        half.__init__("good", "", [(0.5, 0.0, 0.0)])                            # now made
        print(half.sample(3).x, velmora.PatternLibrary([half]).sample("good", 1).x)
    """)
    refused = "['TypeError']"
    assert lines == ["TypeError", "TypeError"] + [
        f"SampledPattern {refused}"] * 2 + [f"PatternLibrary {refused}"] * 2 + [
        f"SampledRecording {refused}"] * 2 + [f"Offset3 {refused}"] + [
        "TypeError", "TypeError", "ValueError: Invalid pattern name", "TypeError", "0.5 0.5"]


def test_half_made_message_names_the_class():
    half = velmora.SampledRecording.__new__(velmora.SampledRecording)
    with pytest.raises(TypeError, match=r"^velmora\.SampledRecording object is not initialised"):
        half.sample(0)
    with pytest.raises(TypeError, match=": No constructor defined!$"):
        velmora.Offset3.__new__(velmora.Offset3)


def test_import_in_a_sub_interpreter_is_refused_without_hanging():
    lines = run_isolated("""
        import _xxsubinterpreters as interpreters
        for first in range(2):
            try:
                interpreters.run_string(interpreters.create(), "import velmora")
                print("imported")
            except interpreters.RunFailedError as error:
                print(str(error))
            import velmora   # the main interpreter imports it as ever
            print(velmora.bounce(32).x)
    """, timeout=60)
    refusal = ("<class 'ImportError'>: velmora cannot be imported in a sub-interpreter: "
               "sub-interpreters are not supported")
    assert lines == [refusal, "1.0", refusal, "1.0"]


def test_invalid_inputs_are_refused_after_bounded_work():
    # Each of these once converted up to 10**12 elements or asked for terabytes; the
    # timeout only catches the hours, the time is measured by bench/bench_invalid_inputs.py.
    lines = run_isolated(OUTCOME, """
        import velmora
        R, P, L = velmora.SampledRecording, velmora.SampledPattern, velmora.PatternLibrary
        a, b = [0.0] * 10**6, [0.0] * 10**6
        print(outcome(lambda: R("r", ["x"], [a, b] * 500_000, 120)))
        print(outcome(lambda: R("r", ["x"], [range(10**12)], 120)))
        print(outcome(lambda: R("r", ["x"], [[0.5], range(10**12)], 120)))
        print(outcome(lambda: R("r", ["x"], [[2.0], range(10**12)], 120)))
        print(outcome(lambda: R("r", ["x"], [(0.0 for _ in iter(int, 1))], 120)))  # a row without end
        print(outcome(lambda: R("r", ["x"] * 10**7, [[0.0]], 120)))
        g = (x for x in [0.1, 0.2, 0.3])
        print(outcome(lambda: P("ok", "", [g] * 70000)))
        g = (x for x in [0.1, 0.2, 0.3])
        print(outcome(lambda: P("ok", "", [g] * 2)))
        print(outcome(lambda: P("ok", "", [range(10**12)])))
        print(outcome(lambda: P("ok", "", [(0.0 for _ in iter(int, 1))])))
        p = P("p", "", [(0.0, 0.0, 0.0)])
        print(outcome(lambda: L([p] * 10**7)))
        print(outcome(lambda: L([p] * 1000 + [None] + [p] * 100)))   # within the budget
        print(outcome(lambda: L([p] * 1025 + [None])))               # past it
    """)
    assert lines == [
        "ValueError: Ragged recording",
        "ValueError: Ragged recording",
        "ValueError: Ragged recording",
        "ValueError: Invalid sample",
        "ValueError: Ragged recording",
        "ValueError: Empty recording or recording resource limit exceeded",
        "TypeError",  # the second copy of g is exhausted: refused like [g] * 2
        "TypeError",
        "TypeError",
        "TypeError",
        "ValueError: Too many patterns",
        "TypeError",
        "ValueError: Too many patterns",
    ]
