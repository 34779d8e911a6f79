"""DMX over sACN (ANSI E1.31): the same patch and bytes as Art-Net, on the other network.

Each tick sends every patched universe as one E1.31 data packet (638 bytes: 512 channels),
to a given host (unicast) or, when asked, to each universe's multicast group
239.255.(universe >> 8).(universe & 255). The packet follows the published layout: a root
layer (preamble 0x0010, "ASC-E1.17", vector 4, the sender's CID), a framing layer (vector 2,
source name, priority, sync address 0, a sequence number counted per universe, options 0,
the universe) and a DMP layer (vector 2, address/data type 0xa1, first address 0,
increment 1, 513 values: start code 0 and the 512 channels). Each length field carries
the flags 0x7 in its top four bits. Closing the sink sends each universe three times more
with the Stream_Terminated option, so receivers let go at once.
"""

from __future__ import annotations

import socket
import struct
import uuid
from collections.abc import Mapping

import numpy as np
import numpy.typing as npt

from velmora_kit.dmx import UNIVERSE_SIZE, DmxPatch, Mode
from velmora_kit.live._address import check_port, resolve_host
from velmora_kit.live.dmx_sink import DmxSink, as_patch

__all__ = ["SACN_PORT", "SacnSink", "sacn_header"]

SACN_PORT = 5568
_UNIVERSES = (1, 63999)
_ROOT = struct.Struct(">HH12sHI16s")
_FRAMING = struct.Struct(">HI64sBHBBH")
_DMP = struct.Struct(">HBBHHHB")
_SEQUENCE_OFFSET = _ROOT.size + 2 + 4 + 64 + 1 + 2  # the framing layer's sequence number
_OPTIONS_OFFSET = _SEQUENCE_OFFSET + 1
_STREAM_TERMINATED = 0x40
# Stream_Terminated is sent this many times, as E1.31 asks, so that one lost packet does
# not leave receivers holding the last values until their timeout.
_TERMINATIONS = 3


def sacn_header(universe: int, cid: bytes, source_name: str, priority: int) -> bytes:
    """The 126 bytes before the channel data of an E1.31 data packet of 512 channels
    (sequence number 0)."""
    total = _ROOT.size + _FRAMING.size + _DMP.size + UNIVERSE_SIZE

    def flags_and_length(offset: int) -> int:  # a PDU's length counts from its own field
        return 0x7000 | (total - offset)

    root = _ROOT.pack(0x0010, 0x0000, b"ASC-E1.17\x00\x00\x00", flags_and_length(16), 0x00000004, cid)
    name = source_name.encode("utf-8")[:63].ljust(64, b"\x00")
    framing = _FRAMING.pack(flags_and_length(_ROOT.size), 0x00000002, name, priority, 0, 0, 0, universe)
    dmp = _DMP.pack(flags_and_length(_ROOT.size + _FRAMING.size), 0x02, 0xA1, 0x0000, 0x0001, UNIVERSE_SIZE + 1, 0x00)
    return root + framing + dmp


class SacnSink(DmxSink):
    """Sends every tick as one E1.31 data packet per universe.

    Parameters
    ----------
    host : str, optional
        The receiver (unicast). Leave it out and set ``multicast=True`` to send each
        universe to its multicast group instead.
    universe : int
        The universe (1..63999) of patch entries that name none.
    patch : DmxPatch or mapping
        As `ArtNetSink` takes it (the same `DmxPatch` gives the same channel bytes).
    multicast : bool
        Send to the universes' multicast groups (239.255.x.y) rather than to `host`.
    priority : int
        E1.31's priority, 0..200 (100, the standard's default).
    source_name : str
        The name receivers show for this source (at most 63 bytes of UTF-8 are sent).
    pan_degrees, tilt_degrees : float
        Ranges of ``"pan_tilt16"`` heads.
    port : int, optional
        UDP port; E1.31's own (5568) by default.
    multicast_ttl : int
        Hops a multicast packet may take (1: the local network).

    Raises
    ------
    ValueError
        Neither or both of `host` and `multicast`, a universe outside 1..63999, a priority
        outside 0..200, and the patch mistakes `ArtNetSink` reports.

    Examples
    --------
    >>> sink = SacnSink("127.0.0.1", universe=1, patch={"spot": (1, "pan_tilt16")})
    >>> sink.destinations
    [('127.0.0.1', 5568)]
    """

    _header_size = _ROOT.size + _FRAMING.size + _DMP.size

    def __init__(
        self,
        host: str | None = None,
        *,
        universe: int = 1,
        patch: DmxPatch | Mapping[str, tuple[int, Mode] | tuple[int, int, Mode]],
        multicast: bool = False,
        priority: int = 100,
        source_name: str = "velmora",
        pan_degrees: float = 540.0,
        tilt_degrees: float = 270.0,
        port: int | None = None,
        multicast_ttl: int = 1,
    ) -> None:
        if (host is None) == (not multicast):
            raise ValueError("give either host (unicast) or multicast=True, not both or neither")
        if isinstance(universe, bool) or not isinstance(universe, int):
            raise TypeError(f"universe must be an int, got {universe!r}")
        if not _UNIVERSES[0] <= universe <= _UNIVERSES[1]:
            raise ValueError(f"universe must be in {_UNIVERSES[0]}..{_UNIVERSES[1]}, got {universe}")
        if isinstance(priority, bool) or not isinstance(priority, int) or not 0 <= priority <= 200:
            raise ValueError(f"priority must be an int in 0..200, got {priority!r}")
        if not isinstance(source_name, str):
            raise TypeError(f"source_name must be a str, got {source_name!r}")
        if isinstance(multicast_ttl, bool) or not isinstance(multicast_ttl, int) or not 0 <= multicast_ttl <= 255:
            raise ValueError(f"multicast_ttl must be an int in 0..255, got {multicast_ttl!r}")
        checked = as_patch(patch, universe, pan_degrees, tilt_degrees, _UNIVERSES, "sACN")
        port_number = check_port("port", SACN_PORT if port is None else port)
        if host is not None:
            family, address = resolve_host("host", host)
            destinations = [(address, port_number)] * len(checked.universes)
        else:
            family = socket.AF_INET
            destinations = [(f"239.255.{number >> 8}.{number & 0xFF}", port_number) for number in checked.universes]
        self._host = host
        self._universe = universe
        self._priority = priority
        self._source_name = source_name
        self._ttl = multicast_ttl
        self._multicast = bool(multicast)
        # A receiver tells sources apart by this id; a new one per sink.
        self._cid = uuid.uuid4().bytes
        self._sequence = 0
        super().__init__(checked, destinations, family)

    @property
    def destinations(self) -> list[tuple[str, int]]:
        """Where each universe's packets go, in the order of the patch's universes."""
        return list(self._destinations)

    def __repr__(self) -> str:
        where = "multicast" if self._multicast else repr(self._host)
        return f"SacnSink({where}, universes={list(self._patch.universes)})"

    def _headers(self) -> npt.NDArray[np.uint8]:
        rows = [sacn_header(number, self._cid, self._source_name, self._priority) for number in self._patch.universes]
        return np.array([list(row) for row in rows], dtype=np.uint8)

    def _stamp(self, packets: npt.NDArray[np.uint8]) -> None:
        # Every universe is sent every tick, so one counter serves them all; receivers
        # drop a packet whose number is a little behind the last one they took.
        packets[:, _SEQUENCE_OFFSET] = self._sequence
        self._sequence = (self._sequence + 1) & 0xFF

    def _configure(self, sock: socket.socket) -> None:
        if self._multicast:
            sock.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_TTL, self._ttl)

    def close(self) -> None:
        """Tells receivers the stream ends (three Stream_Terminated packets per universe,
        the last values repeated), then closes the socket."""
        sock = self._socket
        if sock is not None and self._renderer is not None:
            packets = self._packets.copy()
            packets[:, _OPTIONS_OFFSET] = _STREAM_TERMINATED
            try:
                for _ in range(_TERMINATIONS):
                    self._stamp(packets)
                    for row, destination in enumerate(self._destinations):
                        sock.sendto(packets[row], destination)
            finally:
                super().close()
            return
        super().close()
