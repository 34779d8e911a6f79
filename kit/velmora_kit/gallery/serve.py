"""Serves a built gallery folder over HTTP with Python's own server.

A local server is a door into the user's machine, so this one opens onto the site and
nothing else: it answers GET and HEAD for the site's own five files (and `/` for the
page), never lists a folder, never follows a symlink, and answers only requests whose
`Host` is the address it serves (a page elsewhere that rebinds its own name to 127.0.0.1
cannot read the site through the user's browser). Each connection has a time limit, the
listen queue takes a burst of page loads, and a client that goes away or sends nonsense
costs one log line, never a traceback. Library code never prints: log lines go to the
`log` function given, if any.
"""

from __future__ import annotations

import http.server
import os
import socket
import stat
import urllib.parse
from collections.abc import Callable
from pathlib import Path
from typing import Any

from velmora_kit.gallery.site import GENERATED_FILES, STATIC_FILES

DEFAULT_HOST = "127.0.0.1"
# Seconds a connection may stay idle (a request line, headers or a slow reader).
CONNECTION_TIMEOUT = 10.0
# Connections the kernel queues before the server accepts them: a browser opening the
# page makes a handful at once; several tabs or a test's burst of hundreds fit too.
LISTEN_BACKLOG = 1024

_SITE_FILES: tuple[str, ...] = STATIC_FILES + GENERATED_FILES
_CONTENT_TYPES: dict[str, str] = {
    ".html": "text/html; charset=utf-8",
    ".js": "text/javascript; charset=utf-8",
    ".css": "text/css; charset=utf-8",
}
# What a client going away mid-answer raises: expected, not a fault.
_GONE = (ConnectionError, socket.timeout, TimeoutError)

Log = Callable[[str], None]


class _SiteHandler(http.server.BaseHTTPRequestHandler):
    server: _SiteServer
    timeout = CONNECTION_TIMEOUT
    server_version = "velmora-gallery"
    sys_version = ""

    def do_GET(self) -> None:
        self._answer(with_body=True)

    def do_HEAD(self) -> None:
        self._answer(with_body=False)

    def _answer(self, with_body: bool) -> None:
        if not self.server.host_allowed(self.headers.get("Host")):
            self._refuse(403, f"unexpected Host {self.headers.get('Host')!r}")
            return
        path = urllib.parse.unquote(urllib.parse.urlsplit(self.path).path, errors="replace")
        name = "index.html" if path == "/" else path[1:]
        if name not in _SITE_FILES:
            self._refuse(404, "not a file of the site")
            return
        content = self.server.read(name)
        if content is None:
            self._refuse(404, "missing, or not a regular file")
            return
        self.send_response(200)
        self.send_header("Content-Type", _CONTENT_TYPES[os.path.splitext(name)[1]])
        self.send_header("Content-Length", str(len(content)))
        self.send_header("Cache-Control", "no-cache")
        self.send_header("X-Content-Type-Options", "nosniff")
        self.end_headers()
        if with_body:
            self.wfile.write(content)

    def _refuse(self, status: int, why: str) -> None:
        self.server.log_line(f"{self.client_address[0]} {status} {self.requestline[:200]!r}: {why}")
        body = f"{status} {http.HTTPStatus(status).phrase}\n".encode("ascii")
        self.send_response_only(status)
        self.send_header("Content-Type", "text/plain; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Connection", "close")
        self.end_headers()
        self.close_connection = True
        if self.command != "HEAD":
            self.wfile.write(body)

    def log_error(self, format: str, *args: Any) -> None:  # noqa: A002 - the base's name
        # The base class's own refusals (malformed request lines, 414, 501, timeouts).
        self.server.log_line(f"{self.client_address[0]} " + (format % args)[:300])

    def log_message(self, format: str, *args: Any) -> None:  # noqa: A002 - the base's name
        pass  # good requests are not logged; bad ones are, once, by _refuse or log_error


class _SiteServer(http.server.ThreadingHTTPServer):
    request_queue_size = LISTEN_BACKLOG
    daemon_threads = True

    def __init__(self, address: tuple[str, int], folder: Path, log: Log | None) -> None:
        self.folder = folder
        self._log = log
        super().__init__(address, _SiteHandler)
        port = self.server_address[1]
        bound = address[0].lower()
        names = {"127.0.0.1", "localhost", f"[{bound}]" if ":" in bound else bound}
        self._hosts = frozenset(names | {f"{name}:{port}" for name in names})

    def host_allowed(self, host: str | None) -> bool:
        return host is not None and host.strip().lower() in self._hosts

    def read(self, name: str) -> bytes | None:
        """A site file's bytes, or None when it is missing, a symlink or not a regular file."""
        try:
            handle = os.open(self.folder / name, os.O_RDONLY | os.O_NOFOLLOW | os.O_NONBLOCK)
        except OSError:
            return None
        with os.fdopen(handle, "rb") as file:
            if not stat.S_ISREG(os.fstat(file.fileno()).st_mode):
                return None
            return file.read()

    def log_line(self, line: str) -> None:
        if self._log is not None:
            self._log(line)

    def handle_error(self, request: Any, client_address: Any) -> None:
        # Instead of the base class's traceback on stderr: one line, and none at all for a
        # client that simply went away.
        import sys

        error = sys.exc_info()[1]
        if isinstance(error, _GONE):
            self.log_line(f"{client_address[0]} went away ({type(error).__name__})")
        else:
            self.log_line(f"{client_address[0]} request failed ({type(error).__name__}: {error})")


def make_server(
    directory: str | Path, port: int = 8000, host: str = DEFAULT_HOST, *, log: Log | None = None
) -> http.server.ThreadingHTTPServer:
    """An HTTP server for the gallery in `directory`, bound but not yet serving.

    Only the site's own files are served (`/` is the page); any other path is a 404, a
    request whose `Host` header is not `127.0.0.1`, `localhost` or `host` (with or without
    the port) a 403.

    Parameters
    ----------
    directory : a folder written by `build_site`.
    port : the TCP port; 0 lets the system choose a free one (read it back from
        `server.server_address[1]`).
    host : the address to bind, the loopback address by default.
    log : called with one line for each refused or failed request; nothing is logged
        without it.

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
    return _SiteServer((host, port), folder, log)
