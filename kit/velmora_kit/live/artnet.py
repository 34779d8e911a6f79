"""DMX over Art-Net: positions become moving-head pan/tilt or plain x/y/z channels.

Each tick sends every patched universe whole (512 channels) as one ArtDmx packet, so a
receiver that joins late has every value at once. The packet follows Art-Net's published
layout: "Art-Net\\0", the OpCode 0x5000 low byte first, protocol version 14, sequence 0
(sequencing off: receivers take packets as they arrive), physical port 0, the 15-bit port
address as SubUni (low byte) and Net, the data length (512, high byte first), the data.

Channel values come from the patch (`velmora_kit.dmx.DmxPatch`): moving heads through their
`Fixture`, x/y/z channels through `to_dmx`; the offline export computes the same bytes.
"""

from __future__ import annotations

import socket
import struct
from collections.abc import Mapping

import numpy as np
import numpy.typing as npt

from velmora_kit.dmx import PATCH_MODES, UNIVERSE_SIZE, DmxPatch, Mode
from velmora_kit.live._address import check_port, resolve_host
from velmora_kit.live.dmx_sink import DmxSink, as_patch
from velmora_kit.live.frame import FloatArray

__all__ = ["ARTNET_PORT", "ArtNetSink", "PATCH_MODES", "UNIVERSE_SIZE", "artdmx_header"]

ARTNET_PORT = 6454
# Art-Net's 15-bit port address: net (7 bits), sub-net and universe (4 bits each).
_MAX_UNIVERSE = 2**15 - 1
_HEADER = struct.Struct("<8sH")  # ID and OpCode; the rest is big-endian
_ARTDMX_OPCODE = 0x5000
_PROTOCOL_VERSION = 14


def artdmx_header(universe: int) -> bytes:
    """The 18 bytes before the data of an ArtDmx packet carrying 512 channels."""
    return _HEADER.pack(b"Art-Net\x00", _ARTDMX_OPCODE) + struct.pack(
        ">HBBBBH", _PROTOCOL_VERSION, 0, 0, universe & 0xFF, universe >> 8, UNIVERSE_SIZE
    )


class ArtNetSink(DmxSink):
    """Sends every tick as one ArtDmx packet per universe: its 512 channels.

    Parameters
    ----------
    host : str
        The Art-Net node (an IPv4 address or a name; a broadcast address works too).
    universe : int
        Art-Net's 15-bit port address, 0..32767 (net, sub-net and universe together), of
        the patch entries that name none.
    patch : DmxPatch or mapping of str to (int, mode) or (int, int, mode)
        Output name → (first channel, mode) or (universe, first channel, mode), channels
        counted from 1, as `DmxPatch` takes them; or a `DmxPatch` itself (the one an
        offline `export_dmx` uses, to send the same bytes). Modes: a `Fixture`,
        ``"pan_tilt16"`` (Pan, Pan fine, Tilt, Tilt fine of a head with `pan_degrees` and
        `tilt_degrees`: x = ±1 is a quarter turn of pan either side of centre, y = ±1 a
        quarter turn of tilt, positive y raising the tilt value; angles beyond the range
        stop at its end), ``"xyz8"`` (3 channels) and ``"xyz16"`` (6 channels, coarse
        and fine), which send the position itself, −1 → 0 and 1 → the top value.
        Unpatched channels stay 0.
    pan_degrees, tilt_degrees : float
        The full pan and tilt ranges of ``"pan_tilt16"`` heads (540° and 270° on most
        moving heads); 180 maps x or y straight onto the whole DMX range.
    port : int, optional
        UDP port; Art-Net's own (6454) by default.

    Raises
    ------
    ValueError
        A channel outside 1..512, patches that overlap, an unknown mode, an empty patch,
        a universe outside 0..32767, degrees that are not positive, a host that does not
        resolve or is not IPv4.
    TypeError
        Arguments of the wrong type.

    Examples
    --------
    >>> sink = ArtNetSink("127.0.0.1", patch={"spot": (1, "pan_tilt16"), "wash": (5, "xyz8")})
    >>> sink.channels("spot")
    (1, 4)
    """

    _header_size = len(artdmx_header(0))

    def __init__(
        self,
        host: str,
        *,
        universe: int = 0,
        patch: DmxPatch | Mapping[str, tuple[int, Mode] | tuple[int, int, Mode]],
        pan_degrees: float = 540.0,
        tilt_degrees: float = 270.0,
        port: int | None = None,
    ) -> None:
        family, address = resolve_host("host", host)
        if family != socket.AF_INET:
            raise ValueError(f"host must be an IPv4 address or a name with one (Art-Net is IPv4 only), got {host!r}")
        self._host = host
        if isinstance(universe, bool) or not isinstance(universe, int):
            raise TypeError(f"universe must be an int, got {universe!r}")
        if not 0 <= universe <= _MAX_UNIVERSE:
            raise ValueError(f"universe must be in 0..{_MAX_UNIVERSE}, got {universe}")
        self._universe = universe
        checked = as_patch(patch, universe, pan_degrees, tilt_degrees, (0, _MAX_UNIVERSE), "Art-Net")
        self._port = check_port("port", ARTNET_PORT if port is None else port)
        super().__init__(checked, [(address, self._port)] * len(checked.universes), family)

    @property
    def host(self) -> str:
        return self._host

    @property
    def universe(self) -> int:
        return self._universe

    @property
    def patch(self) -> dict[str, tuple[int, Mode] | tuple[int, int, Mode]]:
        """Name → (first channel, mode), or (universe, first channel, mode) when the
        universe is not the sink's `universe`."""
        result: dict[str, tuple[int, Mode] | tuple[int, int, Mode]] = {}
        for name in self._patch.names:
            where, first, mode = self._patch.entry(name)
            result[name] = (first, mode) if where == self._universe else (where, first, mode)
        return result

    def channels(self, name: str) -> tuple[int, int]:
        """The first and last channel (from 1) that `name` is patched to."""
        _, first, last = self._patch.channels(name)
        return first, last

    def __repr__(self) -> str:
        return f"ArtNetSink({self._host!r}, universe={self._universe}, patch={self.patch!r})"

    def dmx(self, names: tuple[str, ...], positions: FloatArray) -> npt.NDArray[np.uint8]:
        """The sink's `universe`'s 512 channel values for one frame (index 0 is channel 1).

        Parameters
        ----------
        names : tuple of str
            The output names, in the order of the rows of `positions`.
        positions : numpy.ndarray
            Shape ``(len(names), 3)``, float64, each value in [−1, 1].

        Returns
        -------
        numpy.ndarray
            Shape ``(512,)``, uint8 (zeros when nothing is patched in that universe).
        """
        values = self.universes(names, positions)
        if self._universe not in self._patch.universes:
            return np.zeros(UNIVERSE_SIZE, dtype=np.uint8)
        row: npt.NDArray[np.uint8] = values[self._patch.universes.index(self._universe)]
        return row

    def _headers(self) -> npt.NDArray[np.uint8]:
        return np.array([list(artdmx_header(number)) for number in self._patch.universes], dtype=np.uint8)

    def _configure(self, sock: socket.socket) -> None:
        # So that a broadcast address (2.255.255.255, say) can be the host.
        sock.setsockopt(socket.SOL_SOCKET, socket.SO_BROADCAST, 1)
