"""OSC over UDP: one bundle per tick (more when it does not fit), one message per source.

The bundles' layout is the same every tick (the same addresses, the same type tags),
only their argument bytes change. So python-osc builds them once, when playing starts,
and each tick writes the new pip and positions into a copy of those bytes: building a
bundle anew with python-osc's builders costs about 20 µs a message, 1.3 ms a tick for
64 sources, which alone would be most of the player's CPU budget at 60 Hz.

A tick's messages are split into as many bundles as needed, each at most
`max_bundle_bytes` long (1,472 by default: the UDP payload that fits one Ethernet frame of
1,500 bytes after the IPv4 and UDP headers, so no bundle is cut into IP fragments, which a
single lost piece would discard whole). Every bundle opens with the same pip message.
"""

from __future__ import annotations

import re
import socket
from typing import Any

import numpy as np
import numpy.typing as npt

from velmora_kit.live._address import check_port, resolve_host
from velmora_kit.live.frame import Frame

__all__ = ["OscSink", "DEFAULT_MAX_BUNDLE_BYTES"]

# 1,500 bytes of Ethernet payload less 20 of IPv4 header (40 of IPv6) and 8 of UDP header.
DEFAULT_MAX_BUNDLE_BYTES = 1472
_DEFAULT_MAX_BUNDLE_BYTES_IPV6 = 1452
# The largest UDP payload over IPv4 (65,535 less the IPv4 and UDP headers).
_MAX_DATAGRAM = 65507
# "#bundle\0" and the 8-byte time tag.
_BUNDLE_HEAD = 16

# Printable ASCII without the characters OSC reserves for patterns and separators.
_ADDRESS_PART = re.compile(r"[!-~]+")
_RESERVED = set(" #*,?[]{}")


def _check_address(name: str, address: str) -> str:
    parts = address.split("/")
    if not address.startswith("/") or any(
        not part or not _ADDRESS_PART.fullmatch(part) or _RESERVED & set(part) for part in parts[1:]
    ):
        raise ValueError(f"{name} must be an OSC address like /velmora/x, got {address!r}")
    return address


def _require_python_osc() -> None:
    try:
        import pythonosc  # noqa: F401 - present, or the user is told which extra to install
    except ImportError:
        raise ImportError("OscSink needs python-osc: pip install 'velmora[osc]'") from None


class OscSink:
    """Sends every tick as OSC bundles over UDP (python-osc), as few as fit the size limit.

    Each bundle holds first the pip message (`pip_address`, one int32: the pip every
    value of the bundle was rendered at, so a receiver can check or follow the music),
    then messages of sources, in the order of the names: one per source at
    ``address.format(name=...)`` with three floats x, y, z in [−1, 1], or with
    ``per_axis=True`` three messages ``.../x``, ``.../y``, ``.../z`` of one float each.
    A tick's messages fill bundles in order, each bundle at most `max_bundle_bytes`; every
    value is in exactly one of them. The bundles' time tag is "immediately".

    Parameters
    ----------
    host : str
        Receiver's host name or IP address.
    port : int
        Receiver's UDP port, 1..65535.
    address : str
        Address template; ``{name}`` is replaced by the output name.
    per_axis : bool
        One message per axis instead of one per source.
    pip_address : str
        Address of the pip message.
    double : bool
        Send 64-bit floats (type tag ``d``): the values arrive bit for bit as rendered.
        OSC's usual 32-bit floats (``f``, the default) are what most receivers read;
        they carry the rendered value rounded to float32.
    max_bundle_bytes : int, optional
        The largest bundle (UDP payload) sent: by default one Ethernet frame's, 1,472
        bytes (1,452 to an IPv6 receiver); up to 65,507 (the largest UDP datagram) on a
        network known to carry it.

    Raises
    ------
    ValueError
        A host that does not resolve, a port outside 1..65535, an address template
        without ``{name}`` or not an OSC address, a `max_bundle_bytes` outside
        64..65507 (or, at `open`, too small for one message beside the pip message).
    ImportError
        python-osc is not installed (``pip install 'velmora[osc]'``).

    Examples
    --------
    >>> sink = OscSink("127.0.0.1", 9000, per_axis=True)
    >>> sink.addresses(("bounce",))
    ['/velmora/bounce/x', '/velmora/bounce/y', '/velmora/bounce/z']
    """

    def __init__(
        self,
        host: str,
        port: int,
        *,
        address: str = "/velmora/{name}",
        per_axis: bool = False,
        pip_address: str = "/velmora/pip",
        double: bool = False,
        max_bundle_bytes: int | None = None,
    ) -> None:
        self._family, self._resolved = resolve_host("host", host)
        self._host = host
        self._port = check_port("port", port)
        if not isinstance(address, str) or "{name}" not in address:
            raise ValueError(f"address must be a template holding {{name}}, got {address!r}")
        try:
            probe = address.format(name="name")
        except (KeyError, IndexError, ValueError):
            raise ValueError(f"address must hold no other {{}} field than {{name}}, got {address!r}") from None
        _check_address("address", probe)
        self._address = address
        self._pip_address = _check_address("pip_address", pip_address)
        self._per_axis = bool(per_axis)
        self._double = bool(double)
        if max_bundle_bytes is None:
            ipv6 = self._family == socket.AF_INET6
            max_bundle_bytes = _DEFAULT_MAX_BUNDLE_BYTES_IPV6 if ipv6 else DEFAULT_MAX_BUNDLE_BYTES
        if isinstance(max_bundle_bytes, bool) or not isinstance(max_bundle_bytes, (int, np.integer)):
            raise TypeError(f"max_bundle_bytes must be an int, got {max_bundle_bytes!r}")
        if not 64 <= int(max_bundle_bytes) <= _MAX_DATAGRAM:
            raise ValueError(f"max_bundle_bytes must be in 64..{_MAX_DATAGRAM}, got {max_bundle_bytes}")
        self._max_bundle = int(max_bundle_bytes)
        _require_python_osc()
        self._socket: socket.socket | None = None
        self._template = b""
        self._bounds: list[tuple[int, int]] = []
        self._pip_slot: npt.NDArray[np.intp] = np.zeros((0, 4), dtype=np.intp)
        self._value_slots: npt.NDArray[np.intp] = np.zeros((0, 4), dtype=np.intp)
        self._value_type = np.dtype(">f4")

    @property
    def host(self) -> str:
        return self._host

    @property
    def port(self) -> int:
        return self._port

    @property
    def max_bundle_bytes(self) -> int:
        return self._max_bundle

    def __repr__(self) -> str:
        return f"OscSink({self._host!r}, {self._port}, address={self._address!r}, per_axis={self._per_axis})"

    def addresses(self, names: tuple[str, ...]) -> list[str]:
        """The value messages' addresses for these output names, in bundle order."""
        result = []
        for name in names:
            base = self._address.format(name=name)
            result.extend([f"{base}/{axis}" for axis in "xyz"] if self._per_axis else [base])
        for text in result:
            _check_address("address for an output name", text)
        if self._pip_address in result:
            raise ValueError(f"pip_address {self._pip_address!r} is also an output's address")
        return result

    def open(self, names: tuple[str, ...]) -> None:
        """Builds the bundles' layout for these names and opens the socket."""
        from pythonosc.osc_bundle_builder import IMMEDIATELY, OscBundleBuilder
        from pythonosc.osc_message_builder import OscMessageBuilder

        tag = "d" if self._double else "f"
        width = 8 if self._double else 4
        pip_builder = OscMessageBuilder(self._pip_address)
        pip_builder.add_arg(0, "i")
        pip_message = pip_builder.build()
        per_message = 1 if self._per_axis else 3
        messages = []
        for address in self.addresses(names):
            message_builder = OscMessageBuilder(address)
            for _ in range(per_message):
                message_builder.add_arg(0.0, tag)
            messages.append(message_builder.build())
        # Messages fill bundles in order. A bundle is "#bundle", an 8-byte time tag, then
        # each element's int32 size and bytes; a message's arguments are its last bytes.
        opening = _BUNDLE_HEAD + 4 + len(pip_message.dgram)
        groups: list[list[Any]] = []
        size = self._max_bundle + 1
        for message in messages:
            length = 4 + len(message.dgram)
            if opening + length > self._max_bundle:
                raise ValueError(
                    f"max_bundle_bytes {self._max_bundle} cannot hold the message for {message.address!r} "
                    f"beside the pip message: it needs {opening + length}"
                )
            if size + length > self._max_bundle:
                groups.append([])
                size = opening
            groups[-1].append(message)
            size += length
        if not groups:
            groups.append([])
        template = bytearray()
        bounds: list[tuple[int, int]] = []
        pip_slots: list[npt.NDArray[np.intp]] = []
        value_slots: list[npt.NDArray[np.intp]] = []
        for group in groups:
            builder = OscBundleBuilder(IMMEDIATELY)
            builder.add_content(pip_message)
            base = len(template)
            offset = base + opening
            pip_slots.append(offset - 4 + np.arange(4, dtype=np.intp))
            for message in group:
                builder.add_content(message)
                offset += 4 + len(message.dgram)
                first = offset - per_message * width
                value_slots.extend(first + width * k + np.arange(width, dtype=np.intp) for k in range(per_message))
            built = builder.build().dgram
            if base + len(built) != offset:  # pragma: no cover - python-osc changed its framing
                raise RuntimeError("python-osc's bundle layout is not the one OscSink writes into")
            template += built
            bounds.append((base, offset))
        self._template = bytes(template)
        self._bounds = bounds
        self._pip_slot = np.array(pip_slots, dtype=np.intp)
        self._value_slots = np.array(value_slots, dtype=np.intp).reshape(-1, width)
        self._value_type = np.dtype(">f8" if self._double else ">f4")
        self.close()
        self._socket = socket.socket(self._family, socket.SOCK_DGRAM)
        # Room for a big rig's tick of bundles (the system may grant less); past that a
        # full send buffer drops a bundle rather than stall the player (see `send`).
        self._socket.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 4 << 20)
        self._socket.setblocking(False)

    def bundles(self, frame: Frame) -> list[bytes]:
        """The bundles for one frame, as sent, in order."""
        data = self._fill(frame)
        return [data[low:high].tobytes() for low, high in self._bounds]

    def encode(self, frame: Frame) -> bytes:
        """The bundle for one frame, when it takes one (else a ValueError: see `bundles`)."""
        if len(self._bounds) != 1:
            raise ValueError(f"a frame takes {len(self._bounds)} bundles at max_bundle_bytes {self._max_bundle}: use bundles()")
        return self.bundles(frame)[0]

    def _fill(self, frame: Frame) -> npt.NDArray[np.uint8]:
        data = np.frombuffer(bytearray(self._template), dtype=np.uint8)
        data[self._pip_slot] = np.array([frame.pip], dtype=">i4").view(np.uint8)
        values = frame.positions.astype(self._value_type).reshape(-1, 1).view(np.uint8)
        data[self._value_slots] = values
        return data

    def send(self, frame: Frame) -> None:
        if self._socket is None:
            raise RuntimeError("OscSink.send before open")
        data = memoryview(self._fill(frame).data)
        sendto, destination = self._socket.sendto, (self._resolved, self._port)
        for low, high in self._bounds:
            try:
                sendto(data[low:high], destination)
            except BlockingIOError:
                # The socket's send buffer is full: this bundle is dropped, as UDP would
                # drop it on the way; the next tick carries the positions anew.
                pass

    def close(self) -> None:
        if self._socket is not None:
            self._socket.close()
            self._socket = None
