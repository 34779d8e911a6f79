"""Checks for network destinations: a host that resolves and a UDP port.

A host is checked for its shape before it is resolved, so a typing mistake is reported
at once, without a name lookup on the network.
"""

from __future__ import annotations

import numbers
import re
import socket

import numpy as np

# Host names, IPv4 and IPv6 literals: letters, digits, dots, hyphens, colons (and
# underscores, which some local names carry).
_HOST_CHARACTERS = re.compile(r"[A-Za-z0-9._:%-]{1,253}")


def check_port(name: str, port: object) -> int:
    """Returns `port` as an int in 1..65535."""
    # Any integer kind (numpy's too: a port read from an array); a bool is no port.
    if isinstance(port, (bool, np.bool_)) or not isinstance(port, numbers.Integral):
        raise TypeError(f"{name} must be an int, got {port!r}")
    number = int(port)
    if not 1 <= number <= 65535:
        raise ValueError(f"{name} must be in 1..65535, got {number}")
    return number


def resolve_host(name: str, host: object) -> tuple[socket.AddressFamily, str]:
    """Resolves `host` for UDP; returns its address family and its first address.

    Raises
    ------
    TypeError
        `host` is not a str.
    ValueError
        `host` is empty, holds characters no host name has, or does not resolve.
    """
    if not isinstance(host, str):
        raise TypeError(f"{name} must be a str, got {host!r}")
    if not _HOST_CHARACTERS.fullmatch(host):
        raise ValueError(f"{name} must be a host name or an IP address, got {host!r}")
    try:
        found = socket.getaddrinfo(host, None, type=socket.SOCK_DGRAM)
    except (socket.gaierror, UnicodeError) as error:
        reason = error.strerror if isinstance(error, socket.gaierror) else str(error)
        raise ValueError(f"{name} {host!r} does not resolve: {reason}") from None
    family, _, _, _, address = found[0]
    return family, str(address[0])


def split_host_port(name: str, text: str, *, port_required: bool = True) -> tuple[str, str | None]:
    """Splits "HOST:PORT" (or "[IPv6]:PORT"); the part after the last colon is the port."""
    if text.startswith("["):
        host, bracket, rest = text[1:].partition("]")
        if not bracket or (rest and not rest.startswith(":")):
            raise ValueError(f"{name} must be HOST:PORT, got {text!r}")
        return host, rest[1:] if rest else None
    if not port_required and text.count(":") > 1:
        return text, None  # an IPv6 literal without brackets, so without a port
    host, colon, rest = text.rpartition(":")
    if not colon:
        if port_required:
            raise ValueError(f"{name} must be HOST:PORT, got {text!r}")
        return text, None
    return host, rest
