"""The `velmora` command: the package for people who never write Python.

Each subcommand lives in its own module of `velmora_kit.commands`, which provides
`add_parser(subparsers)`; the parser it adds sets `run`, a function that takes the parsed
arguments and returns the exit status. A user's mistake (a bad name, number, file or
address) is one line on stderr and a non-zero exit, never a traceback.
"""

from __future__ import annotations

import argparse
import difflib
import importlib
import math
import sys
from collections.abc import Iterable, Sequence
from typing import NoReturn

_SUBCOMMAND_MODULES: tuple[str, ...] = (
    "velmora_kit.commands.catalogue",
    "velmora_kit.commands.export",
    "velmora_kit.commands.play",
    "velmora_kit.commands.check",
    "velmora_kit.commands.gallery",
    "velmora_kit.commands.beats",
    "velmora_kit.commands.groove",
)

EXIT_USAGE = 2
EXIT_FAILURE = 1
EXIT_INTERRUPTED = 130


class CommandError(Exception):
    """A mistake the user can fix; its message is printed as one line."""


class ArgumentParser(argparse.ArgumentParser):
    """argparse, but a usage error is one line on stderr (usage stays under --help)."""

    def error(self, message: str) -> NoReturn:
        self.exit(EXIT_USAGE, f"{self.prog}: {message}\n")


def _number(text: str) -> float:
    try:
        return float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"invalid number: {text!r}") from None


def finite_float(text: str) -> float:
    """An argparse type: a finite number."""
    value = _number(text)
    if not math.isfinite(value):
        raise argparse.ArgumentTypeError(f"must be finite, got {text}")
    return value


def positive_float(text: str) -> float:
    """An argparse type: a finite number above zero."""
    value = _number(text)
    if not (math.isfinite(value) and value > 0):
        raise argparse.ArgumentTypeError(f"must be finite and positive, got {text}")
    return value


def positive_int(text: str) -> int:
    """An argparse type: a whole number of at least 1."""
    try:
        value = int(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"invalid whole number: {text!r}") from None
    if value < 1:
        raise argparse.ArgumentTypeError(f"must be at least 1, got {value}")
    return value


def suggest_names(name: str, known: Iterable[str]) -> str:
    """The message for an unknown pattern name, with the closest known names."""
    close = difflib.get_close_matches(name, list(known), n=3, cutoff=0.6)
    hint = f" (did you mean {', '.join(close)}?)" if close else " (velmora list shows every name)"
    return f"unknown pattern {name!r}{hint}"


def check_pattern_names(names: Sequence[str]) -> None:
    """Raises CommandError for the first name that is not a built-in pattern."""
    import velmora

    known = [entry["name"] for entry in velmora.catalogue()]
    known_set = set(known)
    for name in names:
        if name not in known_set:
            raise CommandError(suggest_names(name, known))


def build_parser() -> ArgumentParser:
    parser = ArgumentParser(prog="velmora", description="Musical-time motion patterns from the command line.")
    subparsers = parser.add_subparsers(title="commands", metavar="COMMAND", parser_class=ArgumentParser)
    subparsers.required = True
    for module_name in _SUBCOMMAND_MODULES:
        importlib.import_module(module_name).add_parser(subparsers)
    return parser


def main(argv: Sequence[str] | None = None) -> int:
    args = build_parser().parse_args(argv)
    try:
        status: int = args.run(args)
        return status
    except CommandError as error:
        _fail(str(error))
    except BrokenPipeError:
        # The reader went away (`velmora list | head`): nothing left to say to anyone.
        # Later writes (the interpreter's own flush at exit) go to /dev/null instead.
        import os

        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        return EXIT_FAILURE
    except (ValueError, TypeError, IndexError, OSError, ImportError) as error:
        _fail(str(error) or type(error).__name__)
    except Exception as error:  # a fault of ours: still one line, with what to report
        _fail(f"internal error ({type(error).__name__}: {error}); please report it with the command line")
    except KeyboardInterrupt:
        return EXIT_INTERRUPTED
    return EXIT_FAILURE


def _fail(message: str) -> None:
    first_line = message.strip().splitlines()[0] if message.strip() else "failed"
    print(f"velmora: {first_line}", file=sys.stderr)


if __name__ == "__main__":
    sys.exit(main())
