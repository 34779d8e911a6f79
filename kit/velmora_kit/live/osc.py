"""OSC over UDP: one bundle per tick, one message per source (or per axis).

The bundle's layout is the same every tick (the same addresses, the same type tags),
only its argument bytes change. So python-osc builds it once, when playing starts, and
each tick writes the new pip and positions into a copy of those bytes: building the
bundle anew with python-osc's builders costs about 20 µs a message, 1.3 ms a tick for
64 sources, which alone would be most of the player's CPU budget at 60 Hz.
"""

from __future__ import annotations

import functools
import re
from typing import Any

import numpy as np
import numpy.typing as npt

from velmora_kit.live._address import check_port, resolve_host
from velmora_kit.live.frame import Frame

__all__ = ["OscSink"]

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


@functools.lru_cache(maxsize=1)
def _osc_bundle_type() -> Any:
    try:
        from pythonosc.osc_bundle import OscBundle
    except ImportError:
        raise ImportError("OscSink needs python-osc: pip install 'velmora[osc]'") from None

    class EncodedBundle(OscBundle):
        """A bundle whose bytes are already encoded: python-osc sends them as they are."""

        def __init__(self, dgram: bytes) -> None:  # no parse: these bytes came from python-osc
            self._dgram = dgram

    return EncodedBundle


class OscSink:
    """Sends every tick as one OSC bundle over UDP (python-osc).

    The bundle holds first the pip message (`pip_address`, one int32: the pip every
    value of the bundle was rendered at, so a receiver can check or follow the music),
    then one message per source at ``address.format(name=...)`` with three floats x, y, z
    in [−1, 1], or with ``per_axis=True`` three messages ``.../x``, ``.../y``, ``.../z``
    of one float each. The bundle's time tag is "immediately".

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

    Raises
    ------
    ValueError
        A host that does not resolve, a port outside 1..65535, an address template
        without ``{name}`` or not an OSC address.
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
        self._bundle_type = _osc_bundle_type()
        self._client: Any = None
        self._template = b""
        self._pip_slot: npt.NDArray[np.intp] = np.zeros(4, dtype=np.intp)
        self._value_slots: npt.NDArray[np.intp] = np.zeros((0, 4), dtype=np.intp)
        self._value_type = np.dtype(">f4")

    @property
    def host(self) -> str:
        return self._host

    @property
    def port(self) -> int:
        return self._port

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
        """Builds the bundle's layout for these names and opens the socket."""
        from pythonosc.osc_bundle_builder import IMMEDIATELY, OscBundleBuilder
        from pythonosc.osc_message_builder import OscMessageBuilder
        from pythonosc.udp_client import UDPClient

        tag = "d" if self._double else "f"
        width = 8 if self._double else 4
        builder = OscBundleBuilder(IMMEDIATELY)
        messages = []
        pip_message = OscMessageBuilder(self._pip_address)
        pip_message.add_arg(0, "i")
        messages.append((pip_message.build(), 1, 4))
        per_message = 1 if self._per_axis else 3
        for address in self.addresses(names):
            message = OscMessageBuilder(address)
            for _ in range(per_message):
                message.add_arg(0.0, tag)
            messages.append((message.build(), per_message, width))
        # A bundle is "#bundle", an 8-byte time tag, then each element's int32 size and
        # bytes; a message's arguments are its last bytes.
        offset = 16
        slots: list[npt.NDArray[np.intp]] = []
        for built, count, size in messages:
            builder.add_content(built)
            offset += 4 + len(built.dgram)
            first = offset - count * size
            slots.extend(first + size * k + np.arange(size, dtype=np.intp) for k in range(count))
        self._template = builder.build().dgram
        if len(self._template) != offset:  # pragma: no cover - python-osc changed its framing
            raise RuntimeError("python-osc's bundle layout is not the one OscSink writes into")
        self._pip_slot = slots[0]
        self._value_slots = np.array(slots[1:], dtype=np.intp).reshape(-1, width)
        self._value_type = np.dtype(">f8" if self._double else ">f4")
        self.close()
        self._client = UDPClient(self._resolved, self._port, family=self._family)

    def encode(self, frame: Frame) -> bytes:
        """The bundle for one frame, as sent."""
        data = np.frombuffer(bytearray(self._template), dtype=np.uint8)
        data[self._pip_slot] = np.array([frame.pip], dtype=">i4").view(np.uint8)
        values = frame.positions.astype(self._value_type).reshape(-1, 1).view(np.uint8)
        data[self._value_slots] = values
        return data.tobytes()

    def send(self, frame: Frame) -> None:
        if self._client is None:
            raise RuntimeError("OscSink.send before open")
        try:
            self._client.send(self._bundle_type(self.encode(frame)))
        except BlockingIOError:
            # The socket's send buffer is full: this bundle is dropped, as UDP would drop it
            # on the way; the next tick carries the positions anew.
            pass

    def close(self) -> None:
        if self._client is not None:
            self._client.close()
            self._client = None


