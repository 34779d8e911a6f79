"""What Art-Net and sACN senders share: a patch, one socket, one packet per universe.

Every universe's packet lives in one buffer, a row per universe with its header in
front; each tick the patch writes all universes' channels into the rows' data parts in
one vectorised step, and each row goes out with one `sendto` on the sink's one socket.
"""

from __future__ import annotations

import socket
from collections.abc import Mapping

import numpy as np
import numpy.typing as npt

from velmora_kit.dmx import UNIVERSE_SIZE, DmxPatch, DmxRenderer
from velmora_kit.live.frame import FloatArray, Frame


def as_patch(
    patch: object, universe: int, pan_degrees: float, tilt_degrees: float, universe_range: tuple[int, int], protocol: str
) -> DmxPatch:
    """A DmxPatch from a patch or a mapping; every universe within the protocol's range."""
    if not isinstance(patch, DmxPatch):
        if not isinstance(patch, Mapping):
            raise TypeError(f"patch must be a DmxPatch or a mapping of name to (start_channel, mode), got {type(patch).__name__}")
        patch = DmxPatch(patch, universe=universe, pan_degrees=pan_degrees, tilt_degrees=tilt_degrees)
    low, high = universe_range
    for number in patch.universes:
        if not low <= number <= high:
            raise ValueError(f"universe must be in {low}..{high} for {protocol}, got {number}")
    return patch


class DmxSink:
    """Base of the DMX sinks: subclasses give the header of each universe's packet."""

    _header_size = 0

    def __init__(self, patch: DmxPatch, destinations: list[tuple[str, int]], family: socket.AddressFamily) -> None:
        self._patch = patch
        self._destinations = destinations  # one per universe, in patch.universes order
        self._family = family
        self._socket: socket.socket | None = None
        self._renderer: DmxRenderer | None = None
        self._packets: npt.NDArray[np.uint8] = np.zeros((0, 0), dtype=np.uint8)

    @property
    def dmx_patch(self) -> DmxPatch:
        return self._patch

    def _headers(self) -> npt.NDArray[np.uint8]:
        """(universes, header size) uint8: each universe's packet header."""
        raise NotImplementedError

    def _stamp(self, packets: npt.NDArray[np.uint8]) -> None:
        """Per-packet fields that change each tick (a sequence number)."""

    def _configure(self, sock: socket.socket) -> None:
        """Socket options the protocol wants."""

    def open(self, names: tuple[str, ...]) -> None:
        """Checks the patch against the player's names, builds the packets, opens the socket."""
        renderer = self._patch.renderer(names)
        self.close()
        packets = np.zeros((len(self._patch.universes), self._header_size + UNIVERSE_SIZE), dtype=np.uint8)
        packets[:, : self._header_size] = self._headers()
        sock = socket.socket(self._family, socket.SOCK_DGRAM)
        try:
            self._configure(sock)
        except OSError:
            sock.close()
            raise
        self._renderer, self._packets, self._socket = renderer, packets, sock

    def universes(self, names: tuple[str, ...], positions: FloatArray) -> npt.NDArray[np.uint8]:
        """Every universe's 512 channel values for one frame: (universes, 512) uint8."""
        renderer = self._renderer if self._renderer is not None else self._patch.renderer(tuple(names))
        return renderer.frame(positions)

    def send(self, frame: Frame) -> None:
        if self._socket is None or self._renderer is None:
            raise RuntimeError(f"{type(self).__name__}.send before open")
        packets = self._packets
        self._renderer.frame(frame.positions, packets, offset=self._header_size, tick=frame.tick)
        self._stamp(packets)
        sendto = self._socket.sendto
        for row, destination in enumerate(self._destinations):
            sendto(packets[row], destination)

    def close(self) -> None:
        if self._socket is not None:
            self._socket.close()
            self._socket = None
        self._renderer = None
