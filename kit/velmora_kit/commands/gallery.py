"""`velmora gallery`: write the pattern gallery as a static site, and serve it if asked.

    velmora gallery -o site/          # open site/index.html in a browser
    velmora gallery --serve           # a temporary site on http://127.0.0.1:8000/
    velmora gallery -o site/ --serve --port 8080
"""

from __future__ import annotations

import argparse
import sys
import tempfile
from pathlib import Path
from typing import Any

from velmora_kit.cli import CommandError, UsageError, interrupted_status

DEFAULT_PORT = 8000


def add_parser(subparsers: Any) -> None:
    parser = subparsers.add_parser(
        "gallery",
        help="write the pattern gallery (a static site) and optionally serve it",
        description="Write a self-contained static site showing every built-in pattern "
        "moving in time; it works offline, from disk or served.",
    )
    parser.add_argument("-o", "--output", metavar="DIR", type=Path,
                        help="folder to write the site into (created if missing)")
    parser.add_argument("--force", action="store_true",
                        help="replace files of the site's names in DIR even if the gallery did not write them")
    parser.add_argument("--serve", action="store_true",
                        help="serve the site over HTTP on 127.0.0.1 until Ctrl+C")
    parser.add_argument("--port", type=int, default=None, metavar="P",
                        help=f"port to serve on (default {DEFAULT_PORT}; 0 picks a free one)")
    parser.set_defaults(run=run)


def run(args: argparse.Namespace) -> int:
    from velmora_kit.gallery import build_site

    if args.port is not None and not args.serve:
        raise UsageError(f"--port {args.port} needs --serve: add --serve, or leave --port out")
    if args.output is None and not args.serve:
        raise UsageError("say where the site goes with -o DIR, or serve it with --serve")
    if args.port is not None and not 0 <= args.port <= 65535:
        raise UsageError(f"port must be between 0 and 65535, got {args.port}")
    if args.force and args.output is None:
        raise UsageError("--force needs -o DIR: a served temporary site replaces nothing")
    if not args.serve:
        _report(_build(args.output, args.force))
        return 0
    with tempfile.TemporaryDirectory(prefix="velmora-gallery-") as scratch:
        summary = _build(args.output, args.force) if args.output is not None else build_site(scratch)
        if args.output is not None:
            _report(summary)
        return _serve(summary.directory, DEFAULT_PORT if args.port is None else args.port)


def _build(output: Path, force: bool) -> Any:
    from velmora_kit.gallery.site import SiteInTheWay, build_site

    try:
        return build_site(output, force=force)
    except SiteInTheWay as error:
        raise CommandError(
            f"{str(output)!r} already holds {', '.join(error.names)}, not written by the gallery: "
            "choose another folder, or add --force to replace them"
        ) from None


def _report(summary: Any) -> None:
    megabytes = summary.total_bytes / 1e6
    print(f"wrote the gallery of {summary.patterns:,} patterns to {summary.directory}/ "
          f"({megabytes:.1f} MB in {summary.seconds:.1f} s); open index.html in a browser")


def _log(line: str) -> None:
    print(f"velmora gallery: {line}", file=sys.stderr, flush=True)


def _serve(directory: Path, port: int) -> int:
    from velmora_kit.gallery import make_server

    try:
        server = make_server(directory, port=port, log=_log)
    except OSError as error:
        raise CommandError(f"cannot serve on port {port}: {error.strerror or error}") from error
    host, bound_port = server.server_address[:2]
    print(f"serving the velmora gallery at http://{host!s}:{bound_port}/ (Ctrl+C stops)", flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:  # Ctrl+C, SIGTERM or SIGHUP; the temporary site goes on the way out
        return interrupted_status()
    finally:
        server.server_close()
    return 0
