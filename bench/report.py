"""The one performance report: every target set for velmora next to its measured median
and the ratio of the two. Reads the C++ medians that scripts/bench.sh saved as JSON, runs
the Python benchmarks (bench_module.py, bench_library.py) and reads their printed figures,
and measures the import's memory and the module's size itself.

    PYTHONPATH=build/bench python bench/report.py build/bench/cpp_bench.json build/bench
"""

import json
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
MiB = 2**20


def cpp_medians(path):
    """Median real time in ns of each C++ benchmark, by name."""
    scale = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    return {run["run_name"]: run["real_time"] * scale[run["time_unit"]]
            for run in runs if run.get("aggregate_name") == "median"}


def run_script(name, log):
    out = subprocess.run([sys.executable, os.path.join(HERE, name)], capture_output=True, text=True, check=True).stdout
    log.write(f"== {name}\n{out}\n")
    return out


def find(pattern, text):
    match = re.search(pattern, text, re.MULTILINE)
    return [float(g.replace(",", "")) for g in match.groups()] if match else None


IMPORT_PROBE = r"""
def rss():
    with open("/proc/self/status") as f:
        return next(int(l.split()[1]) for l in f if l.startswith("VmRSS:")) * 1024
before = rss()
import velmora
print(rss() - before)
"""


def import_growth():
    runs = sorted(int(subprocess.run([sys.executable, "-c", IMPORT_PROBE], capture_output=True, text=True,
                                     check=True).stdout) for _ in range(5))
    return runs[len(runs) // 2]


class Table:
    def __init__(self):
        self.rows = []

    def add(self, what, target_text, measured, limit, measured_text=None, unit=""):
        """`measured` against `limit` (same unit, smaller is better); None when not measured."""
        if measured is None:
            self.rows.append((what, target_text, "not measured", "", "n/a"))
            return
        ratio = measured / limit
        self.rows.append((what, target_text, measured_text or f"{measured:.1f}{unit}", f"{ratio:.2f}",
                          "ok" if ratio <= 1.0 else "MISSED"))

    def note(self, what, measured_text):
        """A figure reported without a target of its own."""
        self.rows.append((what, "(reported)", measured_text, "", ""))

    def print(self):
        head = ("what", "target", "measured (median)", "/target", "")
        widths = [max(len(str(r[i])) for r in self.rows + [head]) for i in range(5)]
        line = "  ".join("{:<%d}" % w for w in widths)
        print(line.format(*head))
        print("  ".join("-" * w for w in widths))
        for row in self.rows:
            print(line.format(*row))


def main():
    cpp_json, build_dir = sys.argv[1], sys.argv[2]
    cpp = cpp_medians(cpp_json)
    with open(os.path.join(build_dir, "bench_details.txt"), "w") as log:
        module_out = run_script("bench_module.py", log)
        library_out = run_script("bench_library.py", log)
        kit_out = run_script("bench_kit.py", log)
    import velmora

    t = Table()
    core = {k: v for k, v in cpp.items() if k.startswith("core/")}
    if core:
        slowest = max(core, key=core.get)
        t.add(f"core function, slowest ({slowest[5:]}), C++", "<= 40 ns", core[slowest], 40.0, unit=" ns")
    samplers = {k: v for k, v in cpp.items() if k.startswith("prerendered/sampler/")}
    if samplers:
        slowest = max(samplers, key=samplers.get)
        t.add(f"pre-rendered sampler, slowest ({slowest.split('/')[-1]}), C++", "<= 3 ns", samplers[slowest], 3.0,
              unit=" ns")
    by_name = {k: v for k, v in cpp.items() if k.startswith("prerendered/sample/")}
    if by_name:
        slowest = max(by_name, key=by_name.get)
        t.add(f"velmora::sample by pre-rendered name ({slowest.split('/')[-1]})", "<= 60 ns", by_name[slowest], 60.0,
              unit=" ns")
    if "library/builtin_sample_bounce" in cpp and "core/bounce" in cpp:
        extra = cpp["library/builtin_sample_bounce"] - cpp["core/bounce"]
        t.add("velmora::sample('bounce') over bounce(), C++", "<= core + 10 ns", extra, 10.0,
              f"+{extra:.1f} ns ({cpp['library/builtin_sample_bounce']:.1f} vs {cpp['core/bounce']:.1f})")
    if "library/construct_1024x1024" in cpp:
        ms = cpp["library/construct_1024x1024"] / 1e6
        t.add("PatternLibrary construction, 1,024 x 1,024, C++", "<= 20 ms", ms, 20.0, unit=" ms")

    floor = find(r"^floor: velmora_floor\.offset3\(p\)\s+([\d.]+)", module_out)
    bounce = find(r"^velmora\.bounce\(p\)\s+([\d.]+)\s+([\d.]+)", module_out)
    if floor and bounce:
        t.add("velmora.bounce(p) / cheapest bound Offset3 call", "<= 1.15 x", bounce[1], 1.15,
              f"{bounce[1]:.2f} x ({bounce[0]:.0f} vs {floor[0]:.0f} ns)")
    sample = find(r"^velmora\.sample\(\w+, p\)\s+([\d.]+)\s+[\d.]+\s+= ([\d.]+) x bounce", module_out)
    if sample:
        t.add("velmora.sample(name, p) / velmora.bounce(p)", "<= 1.25 x", sample[1], 1.25,
              f"{sample[1]:.2f} x ({sample[0]:.0f} ns)")
    listing = find(r"velmora\.catalogue\(\): ([\d.]+) ms for (\d+) entries", module_out)
    if listing:
        t.add(f"velmora.catalogue() ({int(listing[1]):,} entries)", "<= 2 ms", listing[0], 2.0,
              f"{listing[0]:.3f} ms")
    imported = find(r"import velmora: ([\d.]+) ms", module_out)
    t.add("import velmora, time", "<= 20 ms", imported[0] if imported else None, 20.0,
          f"{imported[0]:.2f} ms" if imported else None)
    growth = import_growth()
    t.add("import velmora, resident memory growth", "<= 4 MiB", growth / MiB, 4.0, f"{growth / MiB:.2f} MiB")
    blob = os.path.join(build_dir, "tools", "generator", "generated", "prerendered_samples.bin")
    if os.path.exists(blob):
        extra = os.path.getsize(velmora.__file__) - os.path.getsize(blob)
        t.add("module file beyond the sample tables", "<= 3 MiB", extra / MiB, 3.0,
              f"{extra / MiB:.2f} MiB ({os.path.getsize(velmora.__file__):,} bytes in all)")

    last = find(r"user name, last of \d+: ([\d.]+) x \(from ([\d.]+) to ([\d.]+)\)", library_out)
    t.add("PatternLibrary.sample, last of 1,024 user names / velmora.sample", "<= 1.5 x",
          last[0] if last else None, 1.5, f"{last[0]:.2f} x ({last[1]:.2f}-{last[2]:.2f})" if last else None)
    builtin = find(r"built-in name, without the scan: ([\d.]+) x \(from ([\d.]+) to ([\d.]+)\)", library_out)
    scan = find(r"scan past \d+ user names: (-?[\d.]+) ns", library_out)
    t.add("PatternLibrary.sample, built-in name / velmora.sample", "<= 1.1 x + scan",
          builtin[0] if builtin else None, 1.1,
          f"{builtin[0]:.2f} x ({builtin[1]:.2f}-{builtin[2]:.2f}) + {scan[0]:.0f} ns scan"
          if builtin and scan else None)
    floor = find(r"^  floor: method \(name, p\)\s+([\d.]+)\s+([\d.]+) x", library_out)
    if floor:
        t.note("pybind11 floor: a no-op method taking (name, pip) / velmora.sample", f"{floor[1]:.2f} x ({floor[0]:.0f} ns)")
    own = find(r"library's own work on a built-in name, beyond what velmora.sample does: (-?[\d.]+) ns", library_out)
    if own:
        t.note("PatternLibrary.sample, built-in name: own work beyond velmora.sample and the method floor",
               f"{own[0]:.0f} ns")
    peak_path = os.path.join(build_dir, "recording_peak.txt")
    if os.path.exists(peak_path):
        with open(peak_path) as f:
            constructor_out = f.read()
        for rows, axes, peak, count in re.findall(
                r"(\d+) rows x (\d+) axes: peak \+([\d.]+) MiB above its input, (\d+) allocations", constructor_out):
            t.add(f"SampledRecording constructor, {int(rows):,} x {axes} values, C++: peak above its input",
                  "~ 64 MiB", float(peak), 64.0 * 1.1, f"+{float(peak):.1f} MiB, {count} allocations")
    # From Python the input is first converted to one vector per row, which the constructor
    # then copies: the conversion's own size shows here on top of the 64 MiB.
    for rows, axes, peak, kept in (tuple(m) for m in re.findall(
            r"([\d,]+) rows x\s+(\d+) axes: peak \+\s*([\d.]+) MiB during construction, \+\s*([\d.]+) MiB kept",
            library_out)):
        t.note(f"SampledRecording from Python, {rows} x {axes} values: peak above the Python input",
               f"+{float(peak):.0f} MiB (+{float(kept):.0f} kept)")

    add_kit_rows(t, kit_out)

    print("velmora performance targets (medians; ratio = measured / target, <= 1 meets it)")
    t.print()

    hostile = Table()
    pairs = [("hostile/library_shared_prefix_last_of_1024", "hostile/plain_scan_shared_prefix_last_of_1024",
              "library lookup, 1,024 names alike in 124 of 128 bytes"),
             ("hostile/library_plain_last_of_1024", "hostile/plain_scan_plain_last_of_1024",
              "library lookup, 1,024 ordinary names")]
    for own, plain, what in pairs:
        if own in cpp and plain in cpp:
            hostile.add(what, "<= 3 x plain scan", cpp[own] / cpp[plain], 3.0,
                        f"{cpp[own]:.0f} ns vs {cpp[plain]:.0f} ns plain scan")
    long_name, short_name = cpp.get("hostile/sample_unknown/4096"), cpp.get("hostile/sample_unknown/9")
    if long_name and short_name:
        hostile.add("refusal of a 4 KiB unknown name / a 9-byte one", "<= 4 x", long_name / short_name, 4.0,
                    f"{long_name:.0f} ns vs {short_name:.0f} ns")
    if hostile.rows:
        print()
        print("Names built to be expensive (C++), against the cost their bound predicts")
        hostile.print()
    print(f"\nDetails of the Python runs: {os.path.join(build_dir, 'bench_details.txt')}")


def add_kit_rows(t, kit_out):
    """velmora_kit's rendering, each against the numpy copy floor of the same run."""
    step = find(r"render 1,000,000 int64 pips \(\S+, [^)]*\): ([\d.]+) ms, copy floor ([\d.]+) ms, ([\d.]+) x", kit_out)
    t.add("velmora_kit.render, 1,000,000 int pips / numpy copy of the output", "<= 2 x",
          step[2] if step else None, 2.0, f"{step[2]:.2f} x ({step[0]:.2f} vs {step[1]:.2f} ms)" if step else None)
    loop = find(r"Python loop of velmora\.sample over the same pips: ([\d.]+) ms, ([\d.]+) x render", kit_out)
    t.add("velmora_kit.render / Python loop of velmora.sample, same pips", ">= 50 x faster",
          50.0 / loop[1] if loop else None, 1.0, f"{loop[1]:.0f} x ({loop[0]:.0f} ms loop)" if loop else None)
    linear = find(r"render 1,000,000 float pips, linear: ([\d.]+) ms, copy floor ([\d.]+) ms, ([\d.]+) x", kit_out)
    t.add("velmora_kit.render linear, 1,000,000 float pips / copy floor", "<= 4 x",
          linear[2] if linear else None, 4.0, f"{linear[2]:.2f} x ({linear[0]:.2f} vs {linear[1]:.2f} ms)" if linear else None)
    first = find(r"first table\(\) of a 1,024-sample built-in: ([\d.]+) ms", kit_out)
    t.add("velmora_kit.table, first call for a 1,024-sample built-in", "<= 1 ms", first[0] if first else None, 1.0,
          f"{first[0]:.2f} ms" if first else None)
    imported = find(r"import velmora_kit \(numpy, velmora and the catalogue's periods\): ([\d.]+) ms", kit_out)
    if imported:
        t.note("import velmora_kit (numpy, velmora, the catalogue's periods)", f"{imported[0]:.1f} ms")
    narrow = find(r"render 1,000,000 int32 pips: ([\d.]+) ms, copy floor ([\d.]+) ms, ([\d.]+) x", kit_out)
    if narrow:
        t.note("velmora_kit.render, int32 pips / copy floor", f"{narrow[2]:.2f} x ({narrow[0]:.2f} ms)")
    odd = find(r"render 1,000,000 int64 pips, period (\d+) \(\w+\): ([\d.]+) ms, copy floor ([\d.]+) ms, ([\d.]+) x", kit_out)
    if odd:
        t.note(f"velmora_kit.render, period {int(odd[0])} (no power of two) / copy floor", f"{odd[3]:.2f} x ({odd[1]:.2f} ms)")
    take = find(r"numpy\.take of the same rows \(mask included\): ([\d.]+) ms, ([\d.]+) x floor", kit_out)
    if take:
        t.note("numpy.take of the same rows / copy floor (what the native gather replaces)", f"{take[1]:.2f} x ({take[0]:.2f} ms)")


if __name__ == "__main__":
    main()
