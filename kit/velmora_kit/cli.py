"""The `velmora` command: the package for people who never write Python.

Each subcommand lives in its own module of `velmora_kit.commands`, which provides
`add_parser(subparsers)`; the parser it adds sets `run`, a function that takes the parsed
arguments and returns the exit status. A user's mistake (a bad name, number, file or
address) is one line on stderr and a non-zero exit, never a traceback.
"""

from __future__ import annotations

import argparse
import importlib
import math
import signal
import sys
import threading
from collections.abc import Iterable, Iterator, Sequence
from contextlib import contextmanager
from types import FrameType
from typing import Any, NoReturn

_SUBCOMMAND_MODULES: tuple[str, ...] = (
    "velmora_kit.commands.catalogue",
    "velmora_kit.commands.export",
    "velmora_kit.commands.play",
    "velmora_kit.commands.check",
    "velmora_kit.commands.gallery",
    "velmora_kit.commands.beats",
    "velmora_kit.commands.groove",
)

# Exit statuses, the same for every subcommand: 2 for a command line that cannot run as
# given, 1 for a failure while running (an unknown name, a file that cannot be written),
# 128 + the signal for an end by signal, as a shell reports it.
EXIT_USAGE = 2
EXIT_FAILURE = 1
EXIT_INTERRUPTED = 128 + signal.SIGINT

# Ended like Ctrl-C: the same clean-up (temporary files removed, the terminal restored,
# the summary printed), and 128 + the signal as the status.
_ENDING_SIGNALS: tuple[signal.Signals, ...] = (signal.SIGTERM, signal.SIGHUP)


class CommandError(Exception):
    """A mistake the user can fix; its message is printed as one line."""

    status = EXIT_FAILURE


class UsageError(CommandError):
    """A command line that cannot run as given (options that do not go together)."""

    status = EXIT_USAGE


class Terminated(KeyboardInterrupt):
    """SIGTERM or SIGHUP, raised where Ctrl-C raises KeyboardInterrupt, so that every
    clean-up written for Ctrl-C runs for them too."""

    def __init__(self, signum: int) -> None:
        super().__init__(signal.Signals(signum).name)
        self.signum = signum


_ending_signal: int | None = None


def interrupted_status() -> int:
    """The exit status for a command ended by Ctrl-C or by a signal handled like it."""
    return 128 + (_ending_signal if _ending_signal is not None else signal.SIGINT)


def _end_like_ctrl_c(signum: int, frame: FrameType | None) -> None:
    global _ending_signal
    if _ending_signal is not None:
        return  # already ending: let the clean-up finish
    _ending_signal = signum
    raise Terminated(signum)


@contextmanager
def _signals_end_like_ctrl_c() -> Iterator[None]:
    global _ending_signal
    _ending_signal = None
    if threading.current_thread() is not threading.main_thread():
        yield  # only the main thread can take signals (main() called from a worker)
        return
    # A signal ignored when the command started stays ignored, as Python leaves an ignored
    # SIGINT: `nohup velmora play ... &` must outlive the terminal that started it.
    wanted = [number for number in _ENDING_SIGNALS if signal.getsignal(number) is not signal.SIG_IGN]
    previous = {number: signal.signal(number, _end_like_ctrl_c) for number in wanted}
    try:
        yield
    finally:
        for number, handler in previous.items():
            signal.signal(number, handler)


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


# A tempo beyond this is a typing slip (1e300); at it a play still runs for days before
# its pips leave the 32-bit range.
MAX_BPM = 10_000.0


def tempo_bpm(text: str) -> float:
    """An argparse type: a tempo in BPM, above zero and at most MAX_BPM."""
    value = positive_float(text)
    if value > MAX_BPM:
        raise argparse.ArgumentTypeError(f"must be at most {MAX_BPM:g} BPM, got {text}")
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


def rich_console(**options: Any) -> Any:
    """A rich Console for a command's output. rich meets a reader that went away by
    exiting with status 1; this one raises BrokenPipeError instead, which `main` treats
    as the end of the output it is (status 0), the same for every command."""
    from rich.console import Console

    class _Console(Console):
        def on_broken_pipe(self) -> None:
            self.quiet = True
            raise BrokenPipeError

    return _Console(**options)


def suggest_names(name: str, known: Iterable[str]) -> str:
    """The message for an unknown pattern name, with the closest known names."""
    from velmora_kit._checks import close_names

    close = close_names(name, known)
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
        with _signals_end_like_ctrl_c():
            return _run(args)
    except KeyboardInterrupt:  # in the instant between the command's end and the handlers' restore
        return interrupted_status()


def _run(args: argparse.Namespace) -> int:
    try:
        status: int = args.run(args)
        # Flushed here so that a reader gone away is seen here, not at the interpreter's exit.
        sys.stdout.flush()
        return status
    except CommandError as error:
        _fail(str(error))
        return error.status
    except BrokenPipeError:
        # The reader stopped early (`velmora show NAME | head -1`): it has what it wanted,
        # so this is no failure. Later writes (the interpreter's own flush at exit) go to
        # /dev/null instead.
        import os

        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        return 0
    except (ValueError, TypeError, IndexError, OSError, ImportError) as error:
        _fail(str(error) or type(error).__name__)
    except Exception as error:  # a fault of ours: still one line, with what to report
        _fail(f"internal error ({type(error).__name__}: {error}); please report it with the command line")
    except KeyboardInterrupt:
        return interrupted_status()
    return EXIT_FAILURE


def _fail(message: str) -> None:
    first_line = message.strip().splitlines()[0] if message.strip() else "failed"
    print(f"velmora: {first_line}", file=sys.stderr)


if __name__ == "__main__":
    sys.exit(main())
