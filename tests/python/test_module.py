import decimal
import glob
import os
import subprocess
import sys
import textwrap

import pytest
import velmora

CORE_NAMES = [
    "bounce", "sway", "circle", "figure_eight", "step_touch", "box_step", "helix", "clay_background",
    "single_stroke_roll", "double_stroke_roll", "multiple_bounce_roll", "single_paradiddle", "flam",
    "drag", "five_stroke_roll",
]


def test_docstring_constant_and_attribute_order():
    assert velmora.__doc__ == "Integer-pip rhythmic position functions"
    assert velmora.PIPS_PER_BEAT == 64 and type(velmora.PIPS_PER_BEAT) is int
    own = [k for k in vars(velmora) if not k.startswith("__")]
    expected = ["PIPS_PER_BEAT", "SampledRecording", "Offset3", "SampledPattern", "PatternLibrary",
                "sample", "catalogue"] + CORE_NAMES
    # Classes that are not bound yet are simply absent; the rest keep their places.
    assert own == [k for k in expected if k in own]
    assert own[-17:] == ["sample", "catalogue"] + CORE_NAMES


def test_reimport_gives_the_same_module_object():
    first = sys.modules.pop("velmora")
    import velmora as again
    assert again is first


def test_offset3_is_a_read_only_value_without_constructor():
    a, b = velmora.bounce(0), velmora.bounce(0)
    assert a is not b and a != b  # no comparison of its own: identity only
    assert a.as_tuple() == b.as_tuple() == (a.x, a.y, a.z)
    assert isinstance(a.as_tuple(), tuple)
    with pytest.raises(TypeError, match=r": No constructor defined!$"):
        velmora.Offset3()
    with pytest.raises(AttributeError):
        a.x = 0.5
    with pytest.raises(AttributeError):
        a.w = 1.0
    assert not hasattr(a, "__dict__")


def test_pickling_fails_with_type_error_for_every_protocol():
    # In a child process: a crash there must fail the test, not the test run.
    code = textwrap.dedent(
        """
        import pickle, velmora
        for protocol in range(pickle.HIGHEST_PROTOCOL + 1):
            try:
                pickle.dumps(velmora.bounce(3), protocol=protocol)
            except TypeError:
                pass
            else:
                raise SystemExit("protocol %d pickled" % protocol)
        print("ok")
        """
    )
    result = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60)
    assert result.returncode == 0, result.stderr
    assert result.stdout.strip() == "ok"


class Index:
    def __index__(self):
        return 5


class NumberOnly:
    def __int__(self):
        return 5


@pytest.mark.parametrize("name", CORE_NAMES)
def test_core_function_argument_conversion(name):
    function = getattr(velmora, name)
    assert function(True).as_tuple() == function(1).as_tuple()
    assert function(Index()).as_tuple() == function(5).as_tuple()
    assert function(decimal.Decimal("5.9")).as_tuple() == function(5).as_tuple()
    function(-(2**31))
    function(2**31 - 1)
    for refused in (1.0, "1", 2**31, -(2**31) - 1, None, [1]):
        with pytest.raises(TypeError):
            function(refused)
    with pytest.raises(TypeError):
        function()
    with pytest.raises(TypeError):
        function(1, 2)
    for keyword in ("pip", "arg0", "pip_count"):
        with pytest.raises(TypeError):
            function(**{keyword: 1})


def test_functions_carry_no_docstrings_of_their_own():
    # pybind11 puts only the generated signature line in __doc__.
    for name in CORE_NAMES + ["sample", "catalogue"]:
        doc = getattr(velmora, name).__doc__
        assert doc.startswith(name + "(") and "\n" not in doc.strip(), doc


def find_other_interpreter():
    candidates = sorted(glob.glob(os.path.expanduser("~/.pyenv/versions/3.*/bin/python3.*[0-9]")))
    candidates += ["/usr/bin/python3", "/usr/local/bin/python3"]
    for path in candidates:
        if not os.access(path, os.X_OK) or path.endswith("-config"):
            continue
        probe = subprocess.run([path, "-c", "import sys; print(sys.version_info[:2] != (3, 10))"],
                               capture_output=True, text=True)
        if probe.returncode == 0 and probe.stdout.strip() == "True":
            return path
    return None


def test_other_interpreter_versions_refuse_the_module():
    other = find_other_interpreter()
    if other is None:
        pytest.skip("no interpreter other than 3.10 on this machine")
    code = textwrap.dedent(
        f"""
        import importlib.machinery, importlib.util, sys
        spec = importlib.util.spec_from_file_location("velmora", {velmora.__file__!r})
        try:
            module = importlib.util.module_from_spec(spec)
        except ImportError as error:
            print(error)
        """
    )
    result = subprocess.run([other, "-c", code], capture_output=True, text=True, timeout=60)
    version = subprocess.run([other, "-c", "import sys; print(sys.version)"],
                             capture_output=True, text=True).stdout.strip()
    assert result.stdout.strip() == (
        "Python version mismatch: module was compiled for Python 3.10, "
        f"but the interpreter version is incompatible: {version}."
    ), result.stderr
