"""How long the module takes to refuse the most expensive invalid inputs we could build
within about 1 GiB of Python objects (target: under 1 s each).

Each case runs in a fresh interpreter so that one input's memory does not slow the next;
the time is that of the refused call alone, the best of three calls. Run with the module on
the path, e.g. `PYTHONPATH=build/dev .venv/bin/python bench/bench_invalid_inputs.py`.
"""

import json
import subprocess
import sys
import textwrap

SETUP = textwrap.dedent(
    """
    import time, numpy, velmora
    R, P, L = velmora.SampledRecording, velmora.SampledPattern, velmora.PatternLibrary
    MAX = 2**23
    class Fresh:
        # A sequence claiming 10**12 rows, each made anew on access.
        def __len__(self): return 10**12
        def __getitem__(self, i): return [0.0]
    """
)

# (label, setup of the input, the refused call)
CASES = [
    ("rows: two 10**6-value rows repeated 500,000 times", "a, b = [0.0] * 10**6, [0.0] * 10**6; x = [a, b] * 500_000",
     "R('r', ['x'], x, 120)"),
    ("rows: [range(10**12)]", "x = [range(10**12)]", "R('r', ['x'], x, 120)"),
    ("rows: 2**23 + 1 one-value rows, one list repeated", "x = [[0.0]] * (MAX + 1)", "R('r', ['x'], x, 120)"),
    ("rows: 2**23 + 1 one-value rows, distinct lists", "x = [[0.0] for _ in range(MAX + 1)]", "R('r', ['x'], x, 120)"),
    ("rows: 2**23 - 1 valid rows, then one bad value", "x = [[0.0]] * (MAX - 1) + [[2.0]]", "R('r', ['x'], x, 120)"),
    ("rows: 2**23 - 1 distinct valid rows, then one bad value", "x = [[0.0] for _ in range(MAX - 1)] + [[2.0]]",
     "R('r', ['x'], x, 120)"),
    ("rows: 2**23 + 1 one-value numpy rows in a list", "x = [numpy.zeros(1)] * (MAX + 1)", "R('r', ['x'], x, 120)"),
    ("rows: 8,388 rows of 1,000, a ragged row, 8,388 more", "x = [[0.0] * 1000] * 8388 + [[0.0] * 999] + [[0.0] * 1000] * 8388",
     "R('r', [f'a{i}' for i in range(1000)], x, 120)"),
    ("rows: numpy zeros (2**23 + 1, 1) float64", "x = numpy.zeros((MAX + 1, 1))", "R('r', ['x'], x, 120)"),
    ("rows: numpy zeros (2**23 + 1, 1) float32", "x = numpy.zeros((MAX + 1, 1), numpy.float32)", "R('r', ['x'], x, 120)"),
    ("rows: numpy zeros (2, 2**26) int8", "x = numpy.zeros((2, 2**26), numpy.int8)", "R('r', ['x'], x, 120)"),
    ("rows: a sequence of 10**12 fresh rows", "x = Fresh()", "R('r', ['x'], x, 120)"),
    ("axes: 10**8 names, one str repeated", "x = ['x'] * 10**8", "R('r', x, [[0.0]], 120)"),
    ("samples: 10**8 triples, one tuple repeated", "x = [(0.0, 0.0, 0.0)] * 10**8", "P('p', '', x)"),
    ("samples: numpy zeros (2**25, 3)", "x = numpy.zeros((2**25, 3))", "P('p', '', x)"),
    ("patterns: 10**8 references to one pattern", "p = P('p', '', [(0.0, 0.0, 0.0)]); x = [p] * 10**8", "L(x)"),
]

RUN = textwrap.dedent(
    """
    {setup}
    {make}
    best = None
    for _ in range(3):
        start = time.perf_counter()
        try:
            {call}
            outcome = "accepted"
        except (ValueError, TypeError, MemoryError) as error:
            outcome = type(error).__name__ + ": " + str(error)[:60]
        elapsed = time.perf_counter() - start
        best = elapsed if best is None else min(best, elapsed)
    print(json.dumps([best, outcome]))
    """
)


def main():
    print(f"{'case':<58} {'refused in':>10}  outcome")
    for label, make, call in CASES:
        code = "import json\n" + RUN.format(setup=SETUP, make=make, call=call)
        result = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=600)
        if result.returncode != 0:
            print(f"{label:<58} {'failed':>10}  {result.stderr.strip().splitlines()[-1:]}")
            continue
        seconds, outcome = json.loads(result.stdout.strip().splitlines()[-1])
        print(f"{label:<58} {seconds * 1000:8.0f} ms  {outcome}")


if __name__ == "__main__":
    main()
