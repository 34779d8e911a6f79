"""Serves a built gallery folder over HTTP with Python's own server.

The page needs nothing beyond static files, so `http.server` is enough; the handler only
stays quiet (library code never prints) and names the types the site is made of.
"""

from __future__ import annotations

import functools
import http.server
from pathlib import Path
from typing import Any

DEFAULT_HOST = "127.0.0.1"


class _QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".js": "text/javascript; charset=utf-8",
        ".css": "text/css; charset=utf-8",
        ".html": "text/html; charset=utf-8",
    }

    def log_message(self, format: str, *args: Any) -> None:  # noqa: A002 - the base's name
        pass


def make_server(
    directory: str | Path, port: int = 8000, host: str = DEFAULT_HOST
) -> http.server.ThreadingHTTPServer:
    """An HTTP server for the files in `directory`, bound but not yet serving.

    Parameters
    ----------
    directory : a folder written by `build_site`.
    port : the TCP port; 0 lets the system choose a free one (read it back from
        `server.server_address[1]`).
    host : the address to bind, the loopback address by default.

    Returns
    -------
    A `ThreadingHTTPServer`; call `serve_forever()` on it, and `server_close()` after.

    Raises
    ------
    TypeError
        When `port` is not an integer.
    ValueError
        When `port` is outside 0..65535 or `directory` is not a folder.
    OSError
        When the address cannot be bound (the port is in use, for example).

    Example
    -------
    >>> server = make_server("site", port=0)          # doctest: +SKIP
    >>> server.server_address[1] > 0                   # doctest: +SKIP
    True
    """
    if isinstance(port, bool) or not isinstance(port, int):
        raise TypeError(f"port must be an integer, got {port!r}")
    if not 0 <= port <= 65535:
        raise ValueError(f"port must be between 0 and 65535, got {port}")
    folder = Path(directory)
    if not folder.is_dir():
        raise ValueError(f"directory must be a folder, got {str(folder)!r}")
    handler = functools.partial(_QuietHandler, directory=str(folder))
    return http.server.ThreadingHTTPServer((host, port), handler)
