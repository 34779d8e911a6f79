"""Python costs of the user-pattern classes, measured in one process: lookups through a
PatternLibrary against the module function velmora.sample, constructor times, and the
peak memory of a SampledRecording at its size limit (each shape in a fresh interpreter).

    PYTHONPATH=build/bench python bench/bench_library.py
"""

import gc
import json
import statistics
import subprocess
import sys
import time
import timeit

import velmora
import velmora_floor

ROUNDS = 15
CALLS = 50_000
PACK = 1024


def user_name(i):
    return f"user_pattern_{10000 + i}"


def full_pack():
    return [velmora.SampledPattern(user_name(i), "benchmark pattern",
                                   [((s % 200) / 200.0, ((s + i) % 100) / 100.0, 0.0) for s in range(1024)])
            for i in range(PACK)]


def interleaved_medians(cases):
    """Median ns per call of each case; the cases take turns so drifting load hits all alike."""
    runs = {label: [] for label in cases}
    for _ in range(ROUNDS):
        for label, (statement, names) in cases.items():
            runs[label].append(min(timeit.Timer(statement, globals=names).repeat(3, CALLS)) / CALLS * 1e9)
    return {label: statistics.median(values) for label, values in runs.items()}


def median_seconds(function, repeat=7):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        function()
        times.append(time.perf_counter() - start)
    return statistics.median(times)


PEAK_PROBE = r"""
import gc, sys, velmora
axes = int(sys.argv[1])
rows = (1 << 23) // axes
names = [f"a{i}" for i in range(axes)]
samples = [[0.5] * axes for _ in range(rows)]
gc.collect()
def status(key):
    with open("/proc/self/status") as f:
        return next(int(line.split()[1]) for line in f if line.startswith(key)) * 1024
with open("/proc/self/clear_refs", "w") as f:
    f.write("5")  # resets the peak resident size to the current one
before = status("VmRSS:")
recording = velmora.SampledRecording("take", names, samples, 120.0)
peak = status("VmHWM:") - before
kept = status("VmRSS:") - before
print(peak, kept, recording.sample_count)
"""


def recording_peak(axes):
    out = subprocess.run([sys.executable, "-c", PEAK_PROBE, str(axes)], capture_output=True, text=True, check=True)
    peak, kept, rows = (int(v) for v in out.stdout.split())
    return peak, kept, rows


PROCESSES = 5


def lookup_medians():
    """Median ns per call of every lookup case, in this interpreter."""
    pack = full_pack()
    library = velmora.PatternLibrary(pack)
    empty = velmora.PatternLibrary()
    prerendered = next((e["name"] for e in velmora.catalogue()[15:]), None)
    cases = {
        "velmora.sample('bounce', p)": ("f('bounce', 1000)", {"f": velmora.sample}),
        "empty library .sample('bounce', p)": ("f('bounce', 1000)", {"f": empty.sample}),
        "library .sample(first user, p)": ("f(n, 1000)", {"f": library.sample, "n": user_name(0)}),
        "library .sample(middle user, p)": ("f(n, 1000)", {"f": library.sample, "n": user_name(PACK // 2)}),
        "library .sample(last user, p)": ("f(n, 1000)", {"f": library.sample, "n": user_name(PACK - 1)}),
        "library .sample('bounce', p)": ("f('bounce', 1000)", {"f": library.sample}),
    }
    if prerendered:
        cases[f"velmora.sample('{prerendered}', p)"] = ("f(n, 1000)", {"f": velmora.sample, "n": prerendered})
        cases[f"library .sample('{prerendered}', p)"] = ("f(n, 1000)", {"f": library.sample, "n": prerendered})
    # What pybind11 charges before any work: the same arguments, as a function and as a method.
    cases["floor: function (name, p)"] = ("f('bounce', 1000)", {"f": velmora_floor.named})
    cases["floor: method (name, p)"] = ("f('bounce', 1000)", {"f": velmora_floor.Holder().named})
    return interleaved_medians(cases)


def lookups():
    """The lookup figures as medians over fresh interpreters: where objects land in memory
    differs from one process to the next, and moves a call's cost by 10 ns or more."""
    runs = [json.loads(subprocess.run([sys.executable, __file__, "--lookups"], capture_output=True, text=True,
                                      check=True).stdout) for _ in range(PROCESSES)]
    ns = {label: statistics.median(run[label] for run in runs) for label in runs[0]}
    base = "velmora.sample('bounce', p)"

    def ratio(label, minus=None):
        values = sorted((run[label] - (run[minus] if minus else 0)) / run[base] for run in runs)
        return statistics.median(values), values[0], values[-1]

    print(f"Lookups ({PACK} stored patterns of 1,024 samples; median ns per call over {PROCESSES} interpreters "
          f"of {ROUNDS} rounds each)")
    for label, value in ns.items():
        print(f"  {label:44} {value:8.1f}  {ratio(label)[0]:5.2f} x velmora.sample")
    scan = statistics.median(run["library .sample('bounce', p)"] - run["empty library .sample('bounce', p)"]
                             for run in runs)
    print(f"  scan past {PACK} user names: {scan:.1f} ns")
    last, low, high = ratio("library .sample(last user, p)")
    print(f"  user name, last of {PACK}: {last:.2f} x (from {low:.2f} to {high:.2f})   (target <= 1.50)  "
          f"{'ok' if last <= 1.5 else 'MISSED'}")
    builtin, low, high = ratio("empty library .sample('bounce', p)")
    print(f"  built-in name, without the scan: {builtin:.2f} x (from {low:.2f} to {high:.2f})   (target <= 1.10)  "
          f"{'ok' if builtin <= 1.1 else 'MISSED'}")
    method_floor = statistics.median(run["floor: method (name, p)"] - run["floor: function (name, p)"] for run in runs)
    print(f"  a method costs {method_floor:.1f} ns more than a function with the same arguments "
          f"({method_floor / ns[base]:.2f} x velmora.sample) before doing anything")
    own = statistics.median((run["empty library .sample('bounce', p)"] - run["floor: method (name, p)"])
                            - (run[base] - run["floor: function (name, p)"]) for run in runs)
    print(f"  the library's own work on a built-in name, beyond what velmora.sample does: {own:.1f} ns")


def main():
    pack = full_pack()
    lookups()
    print("Constructors (median of 7, including the Python conversion)")
    triples = [(0.5, 0.25, 0.0)] * 65535
    t = median_seconds(lambda: velmora.SampledPattern("big", "", triples))
    print(f"  SampledPattern, 65,535 samples: {t * 1e3:.2f} ms")
    t = median_seconds(lambda: velmora.PatternLibrary(pack))
    print(f"  PatternLibrary, 1,024 x 1,024 samples: {t * 1e3:.2f} ms "
          f"(core alone: see library/construct_1024x1024, target 20 ms)")
    wide_names = [f"a{i}" for i in range(1024)]
    wide_rows = [[0.5] * 1024 for _ in range(8192)]
    t = median_seconds(lambda: velmora.SampledRecording("take", wide_names, wide_rows, 120.0), repeat=5)
    print(f"  SampledRecording, 8,192 rows x 1,024 axes: {t * 1e3:.1f} ms")
    del wide_rows
    gc.collect()

    print("SampledRecording peak memory at 8,388,608 values (fresh interpreter each)")
    for axes in (1024, 1):
        peak, kept, rows = recording_peak(axes)
        print(f"  {rows:>9,} rows x {axes:>4} axes: peak +{peak / 2**20:7.1f} MiB during construction, "
              f"+{kept / 2**20:6.1f} MiB kept (flat store: 64 MiB)")


if __name__ == "__main__":
    if sys.argv[1:] == ["--lookups"]:
        print(json.dumps(lookup_medians()))
    else:
        main()
