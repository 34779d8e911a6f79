"""`velmora list` and `velmora show`: the catalogue as a table, one pattern as a plot.

Only argparse is imported at start-up; the catalogue, rich and plotext are imported by
the command that runs, so `velmora --help` and every other command stay quick.
"""

from __future__ import annotations

import argparse
import math
import sys
from typing import Any

from velmora_kit.cli import CommandError, check_pattern_names, positive_int, rich_console


def _dimensions(text: str) -> int:
    value = positive_int(text)
    if value > 3:
        raise argparse.ArgumentTypeError(f"must be 1, 2 or 3, got {value}")
    return value


def _loops(text: str) -> int:
    value = positive_int(text)
    if value > 64:
        raise argparse.ArgumentTypeError(f"must be at most 64, got {value}")
    return value


def add_parser(subparsers: Any) -> None:
    listing = subparsers.add_parser(
        "list",
        help="list the catalogue's patterns",
        description="List the built-in patterns as a table (or JSON), filtered by collection, text, "
        "dimensions or period.",
    )
    listing.add_argument(
        "--collection", metavar="C",
        help="only this collection: core, initial, expansion, atlas, continuum, club or dancefloor "
        "(the velmora_ prefix may be given), or generator for the shape generators",
    )
    listing.add_argument(
        "--match", metavar="TEXT",
        help="only names, descriptions or search words (sine, saw, pulse, star, ...) holding TEXT (any case); "
        "shape generators that match are listed too",
    )
    listing.add_argument("--dims", metavar="N", type=_dimensions, help="only patterns whose highest axis is N (1 x, 2 y, 3 z)")
    listing.add_argument("--period", metavar="P", type=positive_int, help="only patterns that loop every P pips (64 a beat)")
    listing.add_argument("--json", action="store_true", help="print JSON instead of a table")
    listing.set_defaults(run=run_list)

    show = subparsers.add_parser(
        "show",
        help="describe one pattern and plot it",
        description="Print a pattern's description, period and dimensions, and plot x, y and z over its loop.",
    )
    show.add_argument("name", metavar="NAME", help="a pattern name (velmora list shows them)")
    show.add_argument("--loops", metavar="N", type=_loops, default=1, help="how many loops to plot (default 1, at most 64)")
    show.set_defaults(run=run_show)


def _collection(text: str) -> str:
    from velmora_kit.catalogue import COLLECTIONS, USER_COLLECTION
    from velmora_kit.search import GENERATOR_COLLECTION

    known = [name for name, _ in COLLECTIONS] + [USER_COLLECTION, GENERATOR_COLLECTION]
    wanted = text.strip().lower()
    for name in known:
        if wanted in (name, name.removeprefix("velmora_")):
            return name
    import difflib

    short = [name.removeprefix("velmora_") for name in known]
    close = difflib.get_close_matches(wanted.removeprefix("velmora_"), short, n=2, cutoff=0.5)
    hint = f" (did you mean {', '.join(close)}?)" if close else f" (known: {', '.join(short)})"
    raise CommandError(f"unknown collection {text!r}{hint}")


def run_list(args: argparse.Namespace) -> int:
    from velmora_kit.catalogue import catalogue_entries
    from velmora_kit.search import GENERATOR_COLLECTION, generator_entries, search_text

    entries = catalogue_entries()
    total = len(entries)
    collection = _collection(args.collection) if args.collection is not None else None
    if args.match is not None or collection == GENERATOR_COLLECTION:
        # Generators are not patterns: they join the list when a search or the collection asks for them.
        entries += generator_entries()
    if collection is not None:
        entries = [e for e in entries if e.collection == collection]
    if args.match is not None:
        needle = args.match.lower()
        entries = [e for e in entries if needle in e.name.lower() or needle in e.description.lower()
                   or needle in search_text(e.name)]
    if args.dims is not None:
        entries = [e for e in entries if e.dimensions == args.dims]
    if args.period is not None:
        entries = [e for e in entries if e.period_pips == args.period]

    if args.json:
        import json

        json.dump([e._asdict() for e in entries], sys.stdout, ensure_ascii=False, indent=1)
        sys.stdout.write("\n")
        return 0

    if len(entries) > _RICH_ROWS:
        _print_plain(entries, total)
        return 0
    from rich.table import Table

    table = Table(caption=f"{len(entries)} of {total} patterns", caption_justify="left")
    table.add_column("name", no_wrap=True, style="bold")
    table.add_column("collection", no_wrap=True)
    table.add_column("beats", justify="right")
    table.add_column("dims", justify="right")
    table.add_column("description")
    for e in entries:
        table.add_row(e.name, e.collection.removeprefix("velmora_"), f"{e.period_pips / 64:g}", str(e.dimensions), e.description)
    rich_console(soft_wrap=False).print(table)
    return 0


# rich lays out about 1,500 table rows a second here; past this many rows (the whole
# catalogue is 1,731) the same columns are padded by hand so that the command stays
# well under a second, one line per pattern, cut to the terminal's width on a terminal.
_RICH_ROWS = 200


def _print_plain(entries: list[Any], total: int) -> None:
    import shutil

    name_width = max(len(e.name) for e in entries)
    lines = [f"{'name':<{name_width}}  {'collection':<11}  {'beats':>5}  {'dims':>4}  description"]
    for e in entries:
        collection = e.collection.removeprefix("velmora_")
        lines.append(f"{e.name:<{name_width}}  {collection:<11}  {e.period_pips / 64:>5g}  {e.dimensions:>4}  {e.description}")
    if sys.stdout.isatty():
        width = shutil.get_terminal_size().columns
        lines = [line if len(line) <= width else line[: max(1, width - 1)] + "…" for line in lines]
    lines.append(f"{len(entries)} of {total} patterns")
    sys.stdout.write("\n".join(lines) + "\n")


def run_show(args: argparse.Namespace) -> int:
    check_pattern_names([args.name])
    import numpy as np
    import plotext  # type: ignore[import-untyped]

    from velmora_kit.catalogue import catalogue_entries
    from velmora_kit.render import render

    entry = next(e for e in catalogue_entries() if e.name == args.name)
    console = rich_console()
    console.print(f"[bold]{entry.name}[/bold]  ({entry.collection})")
    console.print(entry.description, highlight=False)
    console.print(
        f"period {entry.period_pips} pips ({entry.period_pips / 64:g} beats), dimensions {entry.dimensions}",
        highlight=False,
    )
    pips = np.arange(entry.period_pips * args.loops)
    values = render(entry.name, pips)
    beats = (pips / 64.0).tolist()
    plotext.clear_figure()
    if not sys.stdout.isatty():
        plotext.theme("clear")  # plain characters when piped to a file
    width, height = console.size
    plotext.plotsize(min(width, 120), max(12, min(height - 4, 30)))
    for axis, label in enumerate("xyz"):
        plotext.plot(beats, values[:, axis].tolist(), label=label, marker="braille")
    plotext.ylim(-1.05, 1.05)
    plotext.xlabel("beats")
    plotext.title(f"{entry.name}: x, y, z over {args.loops} loop{'s' if args.loops > 1 else ''}")
    total_beats = entry.period_pips * args.loops / 64
    step = max(1, math.ceil(total_beats / 8))
    ticks = [float(b) for b in range(0, math.floor(total_beats) + 1, step)]
    plotext.xticks(ticks, [f"{b:g}" for b in ticks])
    figure = plotext.build()
    if not sys.stdout.isatty():
        figure = plotext.uncolorize(figure)
    sys.stdout.write(figure + "\n")
    return 0
