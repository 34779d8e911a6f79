"""DMX over Art-Net: positions become moving-head pan/tilt or plain x/y/z channels.

Packets are sent by stupidArtnet (PyPI, the `artnet` extra): a small synchronous
sender, which suits a player that already keeps its own time; the asyncio-only senders
would need an event loop beside the player's schedule. Every tick sends the whole
universe (512 channels), so a receiver that joins late has every value at once. Its
packets carry sequence number 0 (sequencing off): receivers take them as they arrive.

Channel values are the device mapping's (`to_dmx`, `dmx_bytes`): −1 → 0, 1 → 65535 (or
255), rounded to the nearest step; 16-bit values go out as coarse (value >> 8) then fine
(value & 255) bytes, as fixtures number their channels (Pan, Pan fine, Tilt, Tilt fine).
"""

from __future__ import annotations

import socket

import math
from collections.abc import Mapping
from typing import Any

import numpy as np
import numpy.typing as npt

from velmora_kit.device import dmx_bytes, to_dmx
from velmora_kit.live._address import check_port, resolve_host
from velmora_kit.live.frame import FloatArray, Frame

__all__ = ["ARTNET_PORT", "ArtNetSink", "PATCH_MODES"]

ARTNET_PORT = 6454
UNIVERSE_SIZE = 512
# Art-Net's 15-bit port address: net (7 bits), sub-net and universe (4 bits each).
_MAX_UNIVERSE = 2**15 - 1

# Channels each mode takes, in the order they are sent.
PATCH_MODES: dict[str, int] = {
    "pan_tilt16": 4,  # Pan, Pan fine, Tilt, Tilt fine
    "xyz8": 3,  # X, Y, Z
    "xyz16": 6,  # X, X fine, Y, Y fine, Z, Z fine
}

# x = ±1 turns the beam a quarter turn either side of the fixture's centre, and so
# does y: the pattern's square maps onto the front hemisphere, the same angles on every
# fixture whatever its range.
_SWEEP_DEGREES = 90.0


def _check_degrees(name: str, value: object) -> float:
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        raise TypeError(f"{name} must be a number, got {value!r}")
    degrees = float(value)
    if not (math.isfinite(degrees) and degrees > 0.0):
        raise ValueError(f"{name} must be finite and positive, got {value!r}")
    return degrees


def _check_patch(patch: object) -> dict[str, tuple[int, str]]:
    if not isinstance(patch, Mapping):
        raise TypeError(f"patch must be a mapping of name to (start_channel, mode), got {type(patch).__name__}")
    if not patch:
        raise ValueError("patch must name at least one source, got {}")
    checked: dict[str, tuple[int, str]] = {}
    taken: list[tuple[int, int, str]] = []
    for name, entry in patch.items():
        if not isinstance(name, str):
            raise TypeError(f"patch names must be str, got {name!r}")
        if not (isinstance(entry, (tuple, list)) and len(entry) == 2):
            raise TypeError(f"patch[{name!r}] must be (start_channel, mode), got {entry!r}")
        start, mode = entry
        if isinstance(start, bool) or not isinstance(start, (int, np.integer)):
            raise TypeError(f"patch[{name!r}] start channel must be an int, got {start!r}")
        if mode not in PATCH_MODES:
            raise ValueError(f"patch[{name!r}] mode must be one of {', '.join(PATCH_MODES)}, got {mode!r}")
        first, last = int(start), int(start) + PATCH_MODES[mode] - 1
        if first < 1 or last > UNIVERSE_SIZE:
            raise ValueError(
                f"patch[{name!r}] needs channels {first}..{last} ({mode}), outside the universe's 1..{UNIVERSE_SIZE}"
            )
        for other_first, other_last, other in taken:
            if first <= other_last and other_first <= last:
                raise ValueError(
                    f"patch[{name!r}] channels {first}..{last} overlap patch[{other!r}] channels {other_first}..{other_last}"
                )
        taken.append((first, last, name))
        checked[name] = (first, mode)
    return checked


class ArtNetSink:
    """Sends every tick as one ArtDmx packet: the universe's 512 channels.

    Parameters
    ----------
    host : str
        The Art-Net node (a host name or IP address; a broadcast address works too).
    universe : int
        Art-Net's 15-bit port address, 0..32767 (net, sub-net and universe together).
    patch : mapping of str to (int, str)
        Output name → (first channel, mode), channels counted from 1. Modes:
        ``"pan_tilt16"`` (4 channels: Pan, Pan fine, Tilt, Tilt fine) aims a moving
        head: x = ±1 is a quarter turn of pan either side of the fixture's centre and
        y = ±1 a quarter turn of tilt (positive y raises the tilt value), turned into
        DMX through the fixture's full ranges `pan_degrees` and `tilt_degrees`; z is not
        used. Angles beyond the fixture's range stop at its end.
        ``"xyz8"`` (3 channels) and ``"xyz16"`` (6 channels, coarse and fine) send the
        position itself, −1 → 0 and 1 → the top value. Unpatched channels stay 0.
    pan_degrees, tilt_degrees : float
        The fixture's full pan and tilt ranges (540° and 270° on most moving heads).
        180 maps x or y straight onto the whole DMX range.
    port : int, optional
        UDP port; Art-Net's own (6454) by default.

    Raises
    ------
    ValueError
        A channel outside 1..512, patches that overlap, an unknown mode, an empty patch,
        a universe outside 0..32767, degrees that are not positive, a host that does not
        resolve.
    TypeError
        Arguments of the wrong type.
    ImportError
        stupidArtnet is not installed (``pip install 'velmora[artnet]'``).

    Examples
    --------
    >>> sink = ArtNetSink("127.0.0.1", patch={"spot": (1, "pan_tilt16"), "wash": (5, "xyz8")})
    >>> sink.channels("spot")
    (1, 4)
    """

    def __init__(
        self,
        host: str,
        *,
        universe: int = 0,
        patch: Mapping[str, tuple[int, str]],
        pan_degrees: float = 540.0,
        tilt_degrees: float = 270.0,
        port: int | None = None,
    ) -> None:
        family, self._address = resolve_host("host", host)
        if family != socket.AF_INET:
            # Art-Net runs over IPv4 only (its nodes answer on 2.x.x.x or 10.x.x.x addresses).
            raise ValueError(f"host must be an IPv4 address or a name with one (Art-Net is IPv4 only), got {host!r}")
        self._host = host
        if isinstance(universe, bool) or not isinstance(universe, int):
            raise TypeError(f"universe must be an int, got {universe!r}")
        if not 0 <= universe <= _MAX_UNIVERSE:
            raise ValueError(f"universe must be in 0..{_MAX_UNIVERSE}, got {universe}")
        self._universe = universe
        self._patch = _check_patch(patch)
        self._pan_degrees = _check_degrees("pan_degrees", pan_degrees)
        self._tilt_degrees = _check_degrees("tilt_degrees", tilt_degrees)
        self._port = check_port("port", ARTNET_PORT if port is None else port)
        _stupid_artnet()  # a missing library is reported here, not at the first tick
        self._sender: Any = None
        self._plan: list[tuple[str, npt.NDArray[np.intp], npt.NDArray[np.intp]]] = []
        self._plan_names: tuple[str, ...] | None = None

    @property
    def host(self) -> str:
        return self._host

    @property
    def universe(self) -> int:
        return self._universe

    @property
    def patch(self) -> dict[str, tuple[int, str]]:
        return dict(self._patch)

    def channels(self, name: str) -> tuple[int, int]:
        """The first and last channel (from 1) that `name` is patched to."""
        first, mode = self._patch[name]
        return first, first + PATCH_MODES[mode] - 1

    def __repr__(self) -> str:
        return f"ArtNetSink({self._host!r}, universe={self._universe}, patch={self._patch!r})"

    def open(self, names: tuple[str, ...]) -> None:
        """Checks the patch against the player's names and opens the socket."""
        self._plan_for(names)
        self.close()
        self._sender = _stupid_artnet()(
            target_ip=self._address, universe=self._universe, packet_size=UNIVERSE_SIZE, port=self._port,
            broadcast=True,  # so that a broadcast address (2.255.255.255, say) can be the host
        )

    def _plan_for(self, names: tuple[str, ...]) -> list[tuple[str, npt.NDArray[np.intp], npt.NDArray[np.intp]]]:
        """Per mode: the rows of the patched sources and their channel slots (from 0)."""
        if names is self._plan_names or names == self._plan_names:
            return self._plan
        missing = [name for name in self._patch if name not in names]
        if missing:
            raise ValueError(f"patch names sources that are not playing: {', '.join(map(repr, missing))}")
        row = {name: index for index, name in enumerate(names)}
        plan = []
        for mode, width in PATCH_MODES.items():
            chosen = [(row[name], first - 1) for name, (first, patched) in self._patch.items() if patched == mode]
            if chosen:
                rows = np.array([r for r, _ in chosen], dtype=np.intp)
                starts = np.array([s for _, s in chosen], dtype=np.intp)
                plan.append((mode, rows, starts[:, np.newaxis] + np.arange(width, dtype=np.intp)))
        self._plan, self._plan_names = plan, names
        return plan

    def dmx(self, names: tuple[str, ...], positions: FloatArray) -> npt.NDArray[np.uint8]:
        """The universe's 512 channel values for one frame (index 0 is channel 1).

        Parameters
        ----------
        names : tuple of str
            The output names, in the order of the rows of `positions`.
        positions : numpy.ndarray
            Shape ``(len(names), 3)``, float64, each value in [−1, 1].

        Returns
        -------
        numpy.ndarray
            Shape ``(512,)``, uint8.
        """
        universe = np.zeros(UNIVERSE_SIZE, dtype=np.uint8)
        for mode, rows, slots in self._plan_for(tuple(names)):
            values = positions[rows]
            if mode == "pan_tilt16":
                angles = np.empty((rows.size, 2), dtype=np.float64)
                angles[:, 0] = values[:, 0] * (2.0 * _SWEEP_DEGREES / self._pan_degrees)
                angles[:, 1] = values[:, 1] * (2.0 * _SWEEP_DEGREES / self._tilt_degrees)
                universe[slots] = dmx_bytes(to_dmx(np.clip(angles, -1.0, 1.0)))
            elif mode == "xyz16":
                universe[slots] = dmx_bytes(to_dmx(values))
            else:
                universe[slots] = to_dmx(values, bits=8)
        return universe

    def send(self, frame: Frame) -> None:
        if self._sender is None:
            raise RuntimeError("ArtNetSink.send before open")
        sender = self._sender
        sender.set(bytearray(self.dmx(frame.names, frame.positions).tobytes()))
        # stupidArtnet's show() prints a socket error and carries on; the packet it would
        # send (its ArtDmx header and the universe) goes out here, so an error is raised.
        sender.socket_client.sendto(bytes(sender.packet_header) + bytes(sender.buffer), (self._address, self._port))

    def close(self) -> None:
        if self._sender is not None:
            self._sender.close()
            self._sender = None


def _stupid_artnet() -> Any:
    try:
        from stupidArtnet import StupidArtnet  # type: ignore[import-untyped]
    except ImportError:
        raise ImportError("ArtNetSink needs stupidArtnet: pip install 'velmora[artnet]'") from None
    return StupidArtnet
