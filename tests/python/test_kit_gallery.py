"""The pattern gallery, built from the installed module and driven in Debian's Chromium.

One site build, one loopback server and one browser serve the whole module; each test
opens its own page and fails on any console error it logged. Screenshots of the grid and
of a detail view go to artefacts/gallery/ (not committed).
"""

from __future__ import annotations

import random
import re
import signal
import subprocess
import sys
import threading
import urllib.request
from collections.abc import Iterator
from pathlib import Path
from typing import Any

import numpy as np
import pytest
import velmora

from velmora_kit.gallery import build_site, make_server
from velmora_kit.gallery.catalogue import MOTIONS, gallery_patterns, generator_patterns, grooves
from velmora_kit.gallery.site import SCALE, decode_tables, encode_tables

playwright_api = pytest.importorskip("playwright.sync_api")
expect = playwright_api.expect

CHROMIUM = "/usr/bin/chromium"
ARTEFACTS = Path(__file__).resolve().parents[2] / "artefacts" / "gallery"
CATALOGUE = velmora.catalogue()
PATTERNS = gallery_patterns(CATALOGUE)
SHAPES = generator_patterns()
CARDS = len(PATTERNS) + len(SHAPES)


@pytest.fixture(scope="module")
def site(tmp_path_factory: pytest.TempPathFactory) -> Path:
    return build_site(tmp_path_factory.mktemp("gallery")).directory


@pytest.fixture(scope="module")
def url(site: Path) -> Iterator[str]:
    server = make_server(site, port=0, host="127.0.0.1")
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    yield f"http://127.0.0.1:{server.server_address[1]}/"
    server.shutdown()
    server.server_close()
    thread.join(timeout=5)


@pytest.fixture(scope="module")
def browser() -> Iterator[Any]:
    with playwright_api.sync_playwright() as playwright:
        chromium = playwright.chromium.launch(executable_path=CHROMIUM)
        yield chromium
        chromium.close()


class Page:
    """A fresh page on the gallery that records every console error and page error."""

    def __init__(self, browser: Any, address: str, **context: Any) -> None:
        context.setdefault("viewport", {"width": 1400, "height": 900})
        self.context = browser.new_context(**context)
        self.page = self.context.new_page()
        self.errors: list[str] = []
        self.page.on("console", lambda m: self.errors.append(m.text) if m.type == "error" else None)
        self.page.on("pageerror", lambda e: self.errors.append(str(e)))
        self.page.goto(address)
        self.page.evaluate("window.velmoraGallery.ready")

    def visible_names(self) -> set[str]:
        names: list[str] = self.page.eval_on_selector_all(
            ".card:not([hidden])", "cards => cards.map(c => c.dataset.name)")
        return set(names)

    def close(self) -> None:
        self.context.close()
        assert self.errors == [], f"console errors: {self.errors}"


@pytest.fixture
def gallery(browser: Any, url: str) -> Iterator[Page]:
    page = Page(browser, url)
    yield page
    page.close()


# ---------------------------------------------------------------- the site as written


def test_site_is_small_and_tables_round_trip_exactly(site: Path) -> None:
    files = {path.name: path.stat().st_size for path in site.iterdir()}
    assert set(files) == {"index.html", "gallery.js", "gallery.css", "catalogue.js", "tables.js"}
    assert sum(files.values()) <= 8_000_000
    # Full-scale jumps overflow a 16-bit difference; the wrap-around must undo them.
    planes = [np.array([-32767, 32767, -32767, 0, 32767], dtype=np.int16),
              np.array([5], dtype=np.int16),
              np.array(np.random.default_rng(1).integers(-32767, 32768, 999), dtype=np.int16)]
    decoded = decode_tables(encode_tables(planes), [plane.size for plane in planes])
    assert np.array_equal(decoded, np.concatenate(planes))


def test_catalogue_metadata() -> None:
    counts: dict[str, int] = {}
    for pattern in PATTERNS:
        counts[pattern.collection] = counts.get(pattern.collection, 0) + 1
    assert counts == {"core": 15, "velmora_initial": 28, "velmora_expansion": 24, "velmora_atlas": 256,
                      "velmora_continuum": 320, "velmora_club": 144, "velmora_dancefloor": 944}
    families = {pattern.name: pattern.family for pattern in PATTERNS}
    assert families["polar_scallop_9"] == "polar_scallop_"
    assert families["canon_08_late"] == "canon_"
    assert families["beat_techno_polymeter_glide"] == "beat_techno_polymeter_"
    assert families["lfo_seeded_drift"] == "lfo_"
    rows = grooves(PATTERNS)
    assert len(rows) == 68 and rows[0].title == "Four to the floor / bare pulse"
    assert rows[-1].names[-1] == "beat_dembow_push_ricochet"


# ---------------------------------------------------------------- the page


def test_grid_shows_every_pattern(gallery: Page) -> None:
    page = gallery.page
    assert page.locator(".card").count() == CARDS
    assert gallery.visible_names() == {entry["name"] for entry in CATALOGUE} | {p.name for p in SHAPES}
    assert page.locator("#match-count").inner_text() == f"{CARDS:,} patterns"
    ARTEFACTS.mkdir(parents=True, exist_ok=True)
    page.wait_for_timeout(300)
    page.screenshot(path=str(ARTEFACTS / "grid.png"))


@pytest.mark.parametrize("size", ["s", "l"])
def test_exactly_the_cards_in_view_animate(gallery: Page, size: str) -> None:
    page = gallery.page
    page.click(f'.sizes [data-size="{size}"]')
    page.evaluate("window.scrollTo(0, document.body.scrollHeight * 0.4)")
    page.wait_for_timeout(400)
    in_view, near = page.evaluate("""() => {
        const names = (low, high) => [...document.querySelectorAll(".card")].filter((c) => {
            const r = c.getBoundingClientRect();
            return !c.hidden && r.bottom > low && r.top < high;
        }).map((c) => c.dataset.name);
        return [names(0, innerHeight), names(-100, innerHeight + 100)];
    }""")
    animated = page.evaluate("window.velmoraGallery.animatedNames()")
    assert len(in_view) > 10 and len(animated) == len(set(animated))
    assert set(in_view) <= set(animated) <= set(near)


def test_search_matches_names_and_descriptions(gallery: Page) -> None:
    gallery.page.fill("#search", "euclid")
    expected = {p.name for p in PATTERNS if "euclid" in p.name.lower() or "euclid" in p.description.lower()}
    assert gallery.visible_names() == expected
    assert gallery.page.locator("#match-count").inner_text() == f"{len(expected)} of {CARDS:,} patterns"
    # Words need not be adjacent; every word must appear.
    gallery.page.fill("#search", "snare LIFT")
    expected = {p.name for p in PATTERNS if all(w in (p.name + "\n" + p.description).lower() for w in ("snare", "lift"))}
    assert expected and gallery.visible_names() == expected
    gallery.page.fill("#search", "no such pattern anywhere")
    assert gallery.visible_names() == set() and gallery.page.locator("#no-match").is_visible()


def test_search_words_and_generated_shapes(gallery: Page) -> None:
    page = gallery.page
    page.fill("#search", "saw")
    names = gallery.visible_names()
    assert {"shapes.saw_1", "shapes.saw_2", "akwf_round_saw", "lfo_surge"} <= names
    page.fill("#search", "triangle")
    assert {"bounce", "shapes.triangle_1", "shapes.polygon_1"} <= gallery.visible_names()
    star = next(p for p in SHAPES if p.name == "shapes.star_2")
    assert star.shape is not None
    got = page.evaluate("pips => pips.map((p) => window.velmoraGallery.sample('shapes.star_2', p))", [0, 7, -5, 300])
    assert np.max(np.abs(np.array(got) - star.shape.table[np.mod([0, 7, -5, 300], star.period_pips)])) <= 1.0 / SCALE
    page.fill("#search", "star")
    assert {"shapes.star_1", "spiro_inside_5_2"} <= gallery.visible_names()
    page.click('.card[data-name="shapes.star_2"]')
    expect(page.locator("#detail-name")).to_have_text("shapes.star_2")
    assert "shape = velmora_kit.shapes.star(points=6, inner=0.6," in page.locator("#snippet-render").inner_text()
    assert "6-pointed star, inner radius 0.6" in page.locator("#detail-description").inner_text()


def test_filters_combine(gallery: Page) -> None:
    page = gallery.page
    page.select_option("#filter-collection", "velmora_dancefloor")
    page.select_option("#filter-dimensions", "3")
    page.select_option("#filter-period", "1024")
    assert gallery.visible_names() == {
        p.name for p in PATTERNS
        if p.collection == "velmora_dancefloor" and p.dimensions == 3 and p.period_pips == 1024}
    page.fill("#search", "spring")
    assert gallery.visible_names() == {"beat_amen_four_bar_spring", "beat_amen_no_ghosts_spring",
                                       "beat_jungle_switch_spring"}
    page.click("#clear-filters")
    page.select_option("#filter-family", "space_torus_")
    page.select_option("#filter-dimensions", "2")
    assert gallery.visible_names() == set()
    page.select_option("#filter-dimensions", "3")
    assert gallery.visible_names() == {p.name for p in PATTERNS if p.family == "space_torus_"}
    assert len(gallery.visible_names()) == 8


def test_detail_view_by_click_and_by_link(gallery: Page, url: str) -> None:
    page = gallery.page
    page.click('.card[data-name="circle"]')
    dialog = page.locator("#detail")
    expect(page.locator("#detail-name")).to_have_text("circle")
    assert dialog.is_visible()
    assert page.evaluate("location.hash") == "#circle"
    assert 'velmora.sample("circle", pip)' in page.locator("#snippet-sample").inner_text()
    assert 'velmora_kit.render("circle", pips)' in page.locator("#snippet-render").inner_text()
    page.keyboard.press("Escape")
    page.wait_for_function("location.hash === ''")  # the dialog's close event comes a task later
    expect(dialog).to_be_hidden()

    page.goto(url + "#path_torus_knot")
    page.evaluate("window.velmoraGallery.ready")
    assert dialog.is_visible()
    assert page.locator("#detail-name").inner_text() == "path_torus_knot"
    assert "Two turns around the axis" in page.locator("#detail-description").inner_text()
    page.wait_for_timeout(300)
    ARTEFACTS.mkdir(parents=True, exist_ok=True)
    page.screenshot(path=str(ARTEFACTS / "detail.png"))
    page.keyboard.press("ArrowRight")  # the next pattern in the grid's order
    assert page.locator("#detail-name").inner_text() == "path_woven_3d"
    assert page.evaluate("location.hash") == "#path_woven_3d"


def test_keyboard_moves_across_cards(gallery: Page) -> None:
    page = gallery.page
    page.focus('.card[data-name="bounce"]')
    page.keyboard.press("ArrowRight")
    assert page.evaluate("document.activeElement.dataset.name") == "sway"
    columns = page.evaluate("getComputedStyle(document.getElementById('grid')).gridTemplateColumns.split(' ').length")
    page.keyboard.press("ArrowDown")
    assert page.evaluate("document.activeElement.dataset.name") == CATALOGUE[1 + columns]["name"]
    page.keyboard.press("Enter")
    expect(page.locator("#detail-name")).to_have_text(CATALOGUE[1 + columns]["name"])
    page.keyboard.press("Escape")
    expect(page.locator("#detail")).to_be_hidden()


def test_groove_matrix(gallery: Page) -> None:
    page = gallery.page
    page.click('.view-tab[data-view="grooves"]')
    assert page.locator(".matrix-row:not(.matrix-head)").count() == 68
    cells: list[list[Any]] = page.eval_on_selector_all(
        ".matrix-cell", "cells => cells.map(c => [c.dataset.name, +c.dataset.row, +c.dataset.column])")
    assert len(cells) == 68 * 16
    for row, groove in enumerate(grooves(PATTERNS)):
        for column, motion in enumerate(MOTIONS):
            assert cells[row * 16 + column] == [f"beat_{groove.key}_{motion}", row, column]
    page.wait_for_timeout(200)
    animated = page.evaluate("window.velmoraGallery.animatedNames()")
    assert set(MOTIONS) == {name.rsplit("_", 1)[1] for name in animated}
    assert "beat_four_floor_bounce" in animated and "beat_dembow_push_ricochet" not in animated
    page.focus('.matrix-cell[data-name="beat_four_floor_bounce"]')
    page.keyboard.press("ArrowRight")
    page.keyboard.press("ArrowDown")
    assert page.evaluate("document.activeElement.dataset.name") == "beat_house_classic_step"
    page.click('.matrix-cell[data-name="beat_dnb_push_spring"]')
    expect(page.locator("#detail-name")).to_have_text("beat_dnb_push_spring")


def test_page_sampler_agrees_with_the_module(gallery: Page) -> None:
    rng = random.Random(15)
    names = [entry["name"] for entry in CATALOGUE]
    pairs = [(name, rng.randrange(-5000, 5000)) for name in rng.sample(names, 200)]
    pairs += [(name, pip) for name in ("bounce", "helix", "beat_dembow_push_ricochet", "euclid_11_24")
              for pip in (-2**31, 2**31 - 1, -1, 0)]
    got = gallery.page.evaluate("pairs => pairs.map(([n, p]) => window.velmoraGallery.sample(n, p))", pairs)
    step = 1.0 / SCALE
    for (name, pip), values in zip(pairs, got):
        expected = velmora.sample(name, pip).as_tuple()
        assert np.max(np.abs(np.array(values) - expected)) <= step, (name, pip, values, expected)


def test_transport_runs_at_the_tempo_set(gallery: Page) -> None:
    page = gallery.page
    page.fill("#bpm", "150")
    page.press("#bpm", "Enter")
    assert page.evaluate("window.velmoraGallery.transport.bpm") == 150
    # Pips drawn by the frame loop against the frames' own clock, measured inside the page.
    first, last = page.evaluate("""async () => {
        const g = window.velmoraGallery;
        await new Promise(r => requestAnimationFrame(r));
        const first = g.frame();
        await new Promise(r => setTimeout(r, 2000));
        await new Promise(r => requestAnimationFrame(r));
        return [first, g.frame()];
    }""")
    rate = (last["pip"] - first["pip"]) / (last["time"] - first["time"])  # pips per ms
    assert rate == pytest.approx(150 * 64 / 60000, rel=0.02)
    page.click("#play")  # pause: the pip holds still
    held = page.evaluate("window.velmoraGallery.frame().pip")
    page.wait_for_timeout(200)
    assert page.evaluate("window.velmoraGallery.frame().pip") == held


def test_reduced_motion_starts_paused_and_disk_copy_works(browser: Any, site: Path) -> None:
    page = Page(browser, (site / "index.html").as_uri(), reduced_motion="reduce")
    try:
        assert page.page.evaluate("window.velmoraGallery.transport.playing") is False
        assert page.page.evaluate("window.velmoraGallery.sample('circle', 16)")[1] == pytest.approx(
            velmora.sample("circle", 16).y, abs=1.0 / SCALE)
    finally:
        page.close()


def test_narrow_screen_has_no_sideways_scroll(browser: Any, url: str) -> None:
    page = Page(browser, url, viewport={"width": 375, "height": 740})
    try:
        assert page.page.evaluate("document.documentElement.scrollWidth") <= 375
        page.page.click('.card[data-name="helix"]')
        expect(page.page.locator("#detail-name")).to_have_text("helix")
        assert page.page.evaluate("document.getElementById('detail').scrollWidth") <= 375
    finally:
        page.close()


# ---------------------------------------------------------------- the command


def test_command_serves_the_site() -> None:
    process = subprocess.Popen(
        [sys.executable, "-m", "velmora_kit", "gallery", "--serve", "--port", "0"],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        assert process.stdout is not None
        line = process.stdout.readline()
        match = re.search(r"http://127\.0\.0\.1:(\d+)/", line)
        assert match, line
        with urllib.request.urlopen(f"http://127.0.0.1:{match.group(1)}/catalogue.js", timeout=10) as reply:
            assert reply.read(26) == b"window.VELMORA_CATALOGUE ="
        process.send_signal(signal.SIGINT)
        assert process.wait(timeout=10) == 128 + signal.SIGINT
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()


@pytest.mark.parametrize("arguments, message", [
    ([], "say where the site goes with -o DIR, or serve it with --serve"),
    (["-o", "x", "--port", "9000"], "--port 9000 needs --serve: add --serve, or leave --port out"),
    (["--serve", "--port", "70000"], "port must be between 0 and 65535, got 70000"),
])
def test_command_mistakes_are_one_line(arguments: list[str], message: str, tmp_path: Path) -> None:
    result = subprocess.run([sys.executable, "-m", "velmora_kit", "gallery", *arguments],
                            capture_output=True, text=True, cwd=tmp_path, timeout=60)
    assert result.returncode == 2
    assert result.stderr == f"velmora: {message}\n"
