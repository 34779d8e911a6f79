"""`velmora check`: before the show, how fast each pattern asks a moving head to turn.

For each pattern, at a tempo and through a fixture's profile, the highest pan and tilt
speed (and acceleration) the motion asks and at which pip; a warning line on stderr for
each one beyond what the fixture can do.
"""

from __future__ import annotations

import argparse
import dataclasses
import sys
from typing import Any

from velmora_kit.cli import CommandError, check_pattern_names, positive_float


def add_parser(subparsers: Any) -> None:
    parser = subparsers.add_parser(
        "check",
        help="the highest speed patterns ask of a moving head, against its profile",
        description="Turn each pattern into pan and tilt through a fixture's profile, at a tempo, "
        "and print the highest speed and acceleration it asks and at which pip. A pattern that "
        "asks more than the fixture's top speed or acceleration gets a warning on stderr.",
    )
    parser.add_argument("names", metavar="NAME", nargs="+", help="pattern names (velmora list shows them)")
    parser.add_argument("--bpm", metavar="B", type=positive_float, default=120.0, help="tempo (default 120)")
    parser.add_argument(
        "--fixture", metavar="KEY=VALUE,...", default="",
        help="the fixture's profile: " + ", ".join(_fixture_keys()) + " (layout as pan+pan_fine+tilt+tilt_fine); "
        "e.g. pan_degrees=540,tilt_degrees=270,pan_speed=360,tilt_speed=200",
    )
    parser.set_defaults(run=run_check)


def _fixture_keys() -> list[str]:
    from velmora_kit.fixture import Fixture

    return [field.name for field in dataclasses.fields(Fixture)]


def parse_fixture(text: str, option: str = "--fixture") -> Any:
    """A Fixture from "key=value,..." (the Fixture's own argument names)."""
    from velmora_kit.fixture import Fixture

    keys = _fixture_keys()
    values: dict[str, Any] = {}
    for item in filter(None, (part.strip() for part in text.split(","))):
        key, equals, value = item.partition("=")
        key = key.strip()
        if not equals or key not in keys:
            raise CommandError(f"{option} takes KEY=VALUE items with KEY one of {', '.join(keys)}, got {item!r}")
        if key == "layout":
            values[key] = tuple(value.strip().split("+"))
        elif key == "bits":
            try:
                values[key] = int(value)
            except ValueError:
                raise CommandError(f"{option} bits must be 8 or 16, got {value!r}") from None
        else:
            try:
                values[key] = float(value)
            except ValueError:
                raise CommandError(f"{option} {key} must be a number, got {value!r}") from None
    try:
        return Fixture(**values)
    except (TypeError, ValueError) as error:
        raise CommandError(f"{option}: {error}") from None


def run_check(args: argparse.Namespace) -> int:
    names: list[str] = list(args.names)
    check_pattern_names(names)
    fixture = parse_fixture(args.fixture)
    from rich.console import Console
    from rich.table import Table

    from velmora_kit.fixture import speed_check

    table = Table(title=f"at {args.bpm:g} BPM on {fixture.describe()}", title_justify="left")
    for column in ("pattern", "axis", "peak speed", "at pip", "fixture's top", "peak accel.", "at pip"):
        table.add_column(column, justify="left" if column in ("pattern", "axis") else "right", no_wrap=True)
    warnings: list[str] = []
    for name in names:
        for axis in speed_check(name, args.bpm, fixture):
            limit = "?" if axis.top_speed is None else f"{axis.top_speed:g} °/s"
            table.add_row(
                name, axis.axis, f"{axis.speed:,.0f} °/s", str(axis.pip), limit,
                f"{axis.acceleration:,.0f} °/s²", str(axis.acceleration_pip),
            )
            if axis.too_fast:
                warnings.append(
                    f"{name} asks {axis.speed:,.0f} °/s of {axis.axis} at pip {axis.pip} (beat {axis.pip / 64:g}), "
                    f"{axis.speed / axis.top_speed:.1f}× the fixture's {axis.top_speed:g} °/s"  # type: ignore[operator]
                )
            if axis.too_sudden:
                warnings.append(
                    f"{name} asks {axis.acceleration:,.0f} °/s² of {axis.axis} at pip {axis.acceleration_pip}, "
                    f"above the fixture's {axis.top_acceleration:g} °/s²"
                )
    Console(soft_wrap=True).print(table)
    for warning in warnings:
        print(f"velmora check: warning: {warning}", file=sys.stderr)
    return 0
