"""The pattern gallery's figures: build time and size of the site, first paint of the grid
after navigation, and animation frames per second with 60 cards or more in view, all in
headless Debian Chromium driven by Playwright, the site served on 127.0.0.1.

    .venv/bin/python bench/bench_gallery.py
"""

import os
import statistics
import sys
import tempfile
import threading

from playwright.sync_api import sync_playwright

from velmora_kit.gallery import build_site, make_server

CHROMIUM = "/usr/bin/chromium"
BUILDS = 3
LOADS = 5
FRAME_SECONDS = 3.0
# At least 60 cards in view: small cards on a common desktop screen, medium ones on a large one.
ANIMATION_CASES = (("s", {"width": 1920, "height": 1080}), ("m", {"width": 2300, "height": 1640}))

FIRST_PAINT = """async () => {
    // The first card's name carries elementtiming: its render time is the grid's first paint.
    const card = await new Promise((resolve) => {
        new PerformanceObserver((list) => resolve(list.getEntries()[0]))
            .observe({ type: "element", buffered: true });
    });
    const paint = performance.getEntriesByName("first-contentful-paint")[0];
    const grid = performance.getEntriesByName("velmora-grid")[0];
    const tables = performance.getEntriesByName("velmora-tables")[0];
    return [card.renderTime || card.loadTime, paint.startTime, grid.startTime, tables.startTime];
}"""

FRAMES = """async (seconds) => {
    const g = window.velmoraGallery;
    const inView = [...document.querySelectorAll(".card")].filter((card) => {
        const r = card.getBoundingClientRect();
        return !card.hidden && r.bottom > 0 && r.top < innerHeight && r.right > 0 && r.left < innerWidth;
    }).length;
    await new Promise((r) => requestAnimationFrame(r));
    const first = g.frame();
    await new Promise((r) => setTimeout(r, seconds * 1000));
    const last = g.frame();
    return [inView, g.animatedViews(), (last.count - first.count) / ((last.time - first.time) / 1000)];
}"""


def descendants_cpu_seconds(root):
    """User and system CPU time of the live processes below `root` (the browser's tree)."""
    parents, times = {}, {}
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat") as f:
                fields = f.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        parents[int(entry)] = int(fields[1])
        times[int(entry)] = (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    total, stack = 0.0, [root]
    while stack:
        pid = stack.pop()
        children = [child for child, parent in parents.items() if parent == pid]
        total += sum(times[child] for child in children)
        stack += children
    return total


def main():
    with tempfile.TemporaryDirectory(prefix="velmora-gallery-bench-") as folder:
        builds = [build_site(folder) for _ in range(BUILDS)]
        build_seconds = statistics.median(summary.seconds for summary in builds)
        site_bytes = builds[-1].total_bytes
        server = make_server(folder, port=0, host="127.0.0.1")
        threading.Thread(target=server.serve_forever, daemon=True).start()
        url = f"http://127.0.0.1:{server.server_address[1]}/"
        try:
            with sync_playwright() as playwright:
                browser = playwright.chromium.launch(executable_path=CHROMIUM)
                cards, paints, grids, tables = [], [], [], []
                for _ in range(LOADS):
                    context = browser.new_context(viewport={"width": 1440, "height": 900})
                    page = context.new_page()
                    page.goto(url)
                    page.evaluate("window.velmoraGallery.ready")
                    card, paint, grid, ready = page.evaluate(FIRST_PAINT)
                    cards.append(card)
                    paints.append(paint)
                    grids.append(grid)
                    tables.append(ready)
                    context.close()
                animation = []
                for size, viewport in ANIMATION_CASES:
                    context = browser.new_context(viewport=viewport)
                    page = context.new_page()
                    page.goto(url)
                    page.evaluate("window.velmoraGallery.ready")
                    page.click(f'.sizes [data-size="{size}"]')
                    page.wait_for_timeout(500)
                    before = descendants_cpu_seconds(os.getpid())
                    in_view, animated, fps = page.evaluate(FRAMES, FRAME_SECONDS)
                    cpu = descendants_cpu_seconds(os.getpid()) - before
                    animation.append((size, viewport, in_view, animated, fps, cpu / (fps * FRAME_SECONDS)))
                    context.close()
                browser.close()
        finally:
            server.shutdown()
            server.server_close()

    print(f"gallery site build: {builds[0].seconds:.2f} s the first time in the process, "
          f"{build_seconds:.2f} s median of {BUILDS} (the loop tables cached) (target <= 10 s)")
    print(f"gallery site size: {site_bytes:,} bytes = {site_bytes / 1e6:.2f} MB (target <= 8 MB)")
    print(f"gallery first paint of the grid (first card's name), median of {LOADS} loads: "
          f"{statistics.median(cards):.0f} ms after navigation (target <= 1500 ms); first contentful paint "
          f"{statistics.median(paints):.0f} ms, grid built {statistics.median(grids):.0f} ms, "
          f"tables decoded {statistics.median(tables):.0f} ms")
    for size, viewport, in_view, animated, fps, cpu_per_frame in animation:
        print(f"gallery animation, {size.upper()} cards at {viewport['width']}x{viewport['height']}: "
              f"{fps:.1f} frames/s with {in_view} cards in view ({animated} animating, incl. the margin) "
              f"over {FRAME_SECONDS:.0f} s (target >= 50); Chromium's CPU time "
              f"{cpu_per_frame * 1e3:.1f} ms a frame, all processes")
    load = os.getloadavg()[0]
    print(f"gallery: load average {load:.1f} on {os.cpu_count()} cores during the run")
    return 0


if __name__ == "__main__":
    sys.exit(main())
