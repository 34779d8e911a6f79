"""A long show to DMX frames: time and peak memory of `export_dmx`, streamed in blocks.

1,024 moving heads (pan/tilt 16-bit, 8 universes) at 60 fps, exported to `.npy`: one
minute and one hour, each in a fresh interpreter so that its peak resident memory
(`ru_maxrss`) is its own. Memory flat in the show's length means the hour's peak is about
the minute's. The time is set beside the same run's floor: writing the same number of
bytes (zeros, in blocks of the same size) to a file in the same folder.

`python bench/bench_dmx_export.py [MINUTES ...]` (default: 1 60). The files go to a
temporary folder on the same disk as the working directory and are removed.
"""

from __future__ import annotations

import json
import os
import resource
import subprocess
import sys
import tempfile
import time
from pathlib import Path

FIXTURES = 1024
FPS = 60.0
BLOCK = 1024


def export_once(minutes: float, folder: str) -> dict[str, float]:
    import numpy as np
    import velmora

    from velmora_kit import DmxPatch, export_dmx

    names = [entry["name"] for entry in velmora.catalogue()]
    sources = {f"h{k}": names[(k * 97) % len(names)] for k in range(FIXTURES)}
    patch = DmxPatch({name: (k // 128, 1 + 4 * (k % 128), "pan_tilt16") for k, name in enumerate(sources)})
    before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    path = Path(folder) / "show.npy"
    start = time.perf_counter()
    export_dmx(sources, path, patch, tempo=128.0, fps=FPS, seconds=minutes * 60.0, block_frames=BLOCK)
    seconds = time.perf_counter() - start
    size = path.stat().st_size
    shape = np.load(path, mmap_mode="r").shape
    path.unlink()
    # The floor: the same bytes written in blocks of the same size.
    block = bytes(BLOCK * len(patch.universes) * 512)
    start = time.perf_counter()
    with open(path, "wb") as out:
        left = size
        while left > 0:
            out.write(block[: min(left, len(block))])
            left -= len(block)
        out.flush()
        os.fsync(out.fileno())
    floor = time.perf_counter() - start
    path.unlink()
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    return {"seconds": seconds, "floor": floor, "bytes": size, "frames": shape[0], "samples": shape[0] * FIXTURES,
            "peak_mib": peak / 1024, "import_mib": before / 1024}


def main() -> None:
    minutes = [float(m) for m in sys.argv[1:]] or [1.0, 60.0]
    rows = []
    with tempfile.TemporaryDirectory(dir=".") as folder:
        for length in minutes:
            out = subprocess.run(
                [sys.executable, __file__, "--child", str(length), folder], check=True, capture_output=True, text=True
            ).stdout
            rows.append((length, json.loads(out)))
    print(f"[bench] DMX export, {FIXTURES} heads at {FPS:g} fps to .npy (load average {open('/proc/loadavg').read().split()[0]})")
    base = rows[0][1]["peak_mib"]
    for length, row in rows:
        print(
            f"  {length:g} min: {row['frames']:,} frames, {row['samples'] / 1e6:.1f} M samples, {row['bytes'] / 2**20:,.0f} MiB "
            f"in {row['seconds']:.1f} s = {row['seconds'] / row['floor']:.2f}× writing the same bytes ({row['floor']:.1f} s); "
            f"peak RSS {row['peak_mib']:.0f} MiB ({row['peak_mib'] / base:.2f}× the first row's; "
            f"{row['import_mib']:.0f} MiB before the export)"
        )


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "--child":
        print(json.dumps(export_once(float(sys.argv[2]), sys.argv[3])))
    else:
        main()
