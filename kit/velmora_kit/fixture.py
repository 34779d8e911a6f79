"""Moving heads: what a fixture can do, and how a position becomes its DMX channels.

A `Fixture` is a profile: the pan and tilt ranges in degrees, the part of them the motion
uses, the top speed and acceleration where they are known, 8- or 16-bit channels and the
order of its channels. It is the one mapping from a position to DMX bytes: the live sinks
(`ArtNetSink`, `SacnSink`) and the offline export (`velmora_kit.dmx`) both go through
`Fixture.dmx`, so a show rendered offline and played live send the same bytes.

x = ±1 turns the head by half of `pan_use_degrees` either side of its centre, y = ±1 by
half of `tilt_use_degrees` (positive y raises the tilt value); an angle beyond the
fixture's range stops at its end. The DMX value is then the angle's place in the whole
range, rounded to the nearest step as `to_dmx` rounds.

`to_dmx` and `dmx_bytes` on their own stay what they were: the position itself onto the
whole DMX range (−1 → 0, 1 → the top value). That is the mapping for channels that are not
angles (the ``xyz8``/``xyz16`` patch modes); a moving head wants the fixture mapping.

`SlewLimit` follows a motion as closely as a fixture can: each step the head accelerates
towards the target at no more than its acceleration, never faster than its top speed, and
brakes in time to stop on the target rather than overshoot it.
"""

from __future__ import annotations

import math
from collections.abc import Sequence
from dataclasses import dataclass

import numpy as np
import numpy.typing as npt

__all__ = ["AxisSpeed", "Fixture", "SlewLimit", "FIXTURE_CHANNELS", "speed_check"]

FloatArray = npt.NDArray[np.float64]

# Every channel a fixture's layout may name; "_fine" channels are the low byte of a
# 16-bit value and exist only at 16 bits.
FIXTURE_CHANNELS = ("pan", "pan_fine", "tilt", "tilt_fine")
_DEFAULT_LAYOUT = {16: ("pan", "pan_fine", "tilt", "tilt_fine"), 8: ("pan", "tilt")}


def _positive(name: str, value: object) -> float:
    if isinstance(value, bool) or not isinstance(value, (int, float, np.integer, np.floating)):
        raise TypeError(f"{name} must be a number, got {value!r}")
    number = float(value)
    if not (math.isfinite(number) and number > 0.0):
        raise ValueError(f"{name} must be finite and positive, got {value!r}")
    return number


def _optional_positive(name: str, value: object) -> float | None:
    return None if value is None else _positive(name, value)


@dataclass(frozen=True)
class Fixture:
    """A moving head's profile: ranges, the part the motion uses, limits, channels.

    Parameters
    ----------
    pan_degrees, tilt_degrees : float
        The fixture's full pan and tilt ranges (540° and 270° on most moving heads).
    pan_use_degrees, tilt_use_degrees : float
        How much of each range the motion sweeps from −1 to 1 (180 by default: x = ±1 is a
        quarter turn either side of centre). Equal to the full range, x and y map onto the
        whole DMX range.
    pan_speed, tilt_speed : float, optional
        Top speeds in degrees per second, where known (`velmora check` warns beyond them;
        `SlewLimit` needs them).
    pan_acceleration, tilt_acceleration : float, optional
        Top accelerations in degrees per second squared, where known (unlimited if not).
    bits : int
        16 (coarse and fine channels) or 8.
    layout : sequence of str, optional
        The channels in the fixture's order, from "pan", "pan_fine", "tilt", "tilt_fine"
        (each at most once; the fine ones only at 16 bits). By default Pan, Pan fine,
        Tilt, Tilt fine (16 bits) or Pan, Tilt (8 bits).

    Raises
    ------
    ValueError, TypeError
        A range, speed or acceleration that is not a positive finite number, `bits` other
        than 8 or 16, a layout naming an unknown or repeated channel.

    Examples
    --------
    >>> Fixture().dmx(np.array([[1.0, -1.0, 0.0]])).tolist()
    [[170, 170, 42, 171]]
    """

    pan_degrees: float = 540.0
    tilt_degrees: float = 270.0
    pan_use_degrees: float = 180.0
    tilt_use_degrees: float = 180.0
    pan_speed: float | None = None
    tilt_speed: float | None = None
    pan_acceleration: float | None = None
    tilt_acceleration: float | None = None
    bits: int = 16
    layout: tuple[str, ...] | None = None

    def __post_init__(self) -> None:
        for name in ("pan_degrees", "tilt_degrees", "pan_use_degrees", "tilt_use_degrees"):
            object.__setattr__(self, name, _positive(name, getattr(self, name)))
        for name in ("pan_speed", "tilt_speed", "pan_acceleration", "tilt_acceleration"):
            object.__setattr__(self, name, _optional_positive(name, getattr(self, name)))
        if isinstance(self.bits, bool) or self.bits not in (8, 16):
            raise ValueError(f"bits must be 8 or 16, got {self.bits!r}")
        object.__setattr__(self, "bits", int(self.bits))
        layout = _DEFAULT_LAYOUT[self.bits] if self.layout is None else self.layout
        if isinstance(layout, str) or not isinstance(layout, Sequence):
            raise TypeError(f"layout must be a sequence of channel names, got {layout!r}")
        layout = tuple(layout)
        allowed = FIXTURE_CHANNELS if self.bits == 16 else ("pan", "tilt")
        if not layout or any(channel not in allowed for channel in layout) or len(set(layout)) != len(layout):
            raise ValueError(f"layout must name each of {', '.join(allowed)} at most once, got {layout!r}")
        object.__setattr__(self, "layout", layout)

    @property
    def width(self) -> int:
        """Channels the fixture takes."""
        assert self.layout is not None
        return len(self.layout)

    def normalised(self, positions: npt.ArrayLike) -> FloatArray:
        """Pan and tilt as a fraction of each half-range (−1 .. 1, clipped at the ends).

        Parameters
        ----------
        positions : array_like, shape (..., 3) or (..., 2)
            Positions; x drives pan, y drives tilt, z is not used.

        Returns
        -------
        numpy.ndarray, shape (..., 2), float64
        """
        values = np.asarray(positions, dtype=np.float64)
        turned = np.empty(values.shape[:-1] + (2,), dtype=np.float64)
        turned[..., 0] = values[..., 0] * (self.pan_use_degrees / self.pan_degrees)
        turned[..., 1] = values[..., 1] * (self.tilt_use_degrees / self.tilt_degrees)
        np.clip(turned, -1.0, 1.0, out=turned)
        return turned

    def degrees(self, positions: npt.ArrayLike) -> FloatArray:
        """Pan and tilt in degrees from the centre of each range, shape (..., 2)."""
        turned = self.normalised(positions)
        turned[..., 0] *= self.pan_degrees / 2.0
        turned[..., 1] *= self.tilt_degrees / 2.0
        return turned

    def dmx_of_normalised(self, turned: FloatArray) -> npt.NDArray[np.uint8]:
        """The channel bytes, in layout order, of pan/tilt fractions (..., 2) in [−1, 1]."""
        assert self.layout is not None
        top = (1 << self.bits) - 1
        # The rounding of `to_dmx`: −1 → 0, 1 → top, half-way rounds up.
        levels = np.floor((turned + 1.0) * (top / 2.0) + 0.5).astype(np.uint16)
        out = np.empty(turned.shape[:-1] + (len(self.layout),), dtype=np.uint8)
        for index, channel in enumerate(self.layout):
            level = levels[..., 0 if channel.startswith("pan") else 1]
            if channel.endswith("_fine"):
                out[..., index] = level & 0xFF
            elif self.bits == 16:
                out[..., index] = level >> 8
            else:
                out[..., index] = level
        return out

    def dmx(self, positions: npt.ArrayLike) -> npt.NDArray[np.uint8]:
        """The fixture's channel bytes for positions (..., 3): shape (..., width), uint8."""
        return self.dmx_of_normalised(self.normalised(positions))

    def describe(self) -> str:
        """One line for messages: ranges, use and known limits."""
        parts = [
            f"pan {self.pan_degrees:g}° (uses {self.pan_use_degrees:g}°)",
            f"tilt {self.tilt_degrees:g}° (uses {self.tilt_use_degrees:g}°)",
        ]
        if self.pan_speed is not None or self.tilt_speed is not None:
            parts.append(f"top speed pan {_or_unknown(self.pan_speed)}, tilt {_or_unknown(self.tilt_speed)} °/s")
        return ", ".join(parts) + f", {self.bits}-bit"


def _or_unknown(value: float | None) -> str:
    return "?" if value is None else f"{value:g}"


class SlewLimit:
    """Speed- and acceleration-limited tracking of pan/tilt, stepped at a fixed rate.

    Each step of ``1 / rate_hz`` seconds and each axis: the speed wanted is the one that
    reaches the target within the step, but no more than the speed from which the head can
    still brake to a stop on the target a step at a time (v with v²/2a + v·dt/2 equal to
    the distance), and no more than the top speed; the actual speed moves towards it by
    at most the acceleration times the step, and a step that would pass the target ends
    on it where the acceleration allows that. Braking a step at a time can still pass a
    target by up to a·dt² at the end of a move (less than 0.03° at 60 Hz for 100°/s²). The
    first step starts at rest on its target (or at `start`), so the same targets from the
    same start always give the same path, offline and live.

    Parameters
    ----------
    fixtures : sequence of Fixture
        One per tracked head; each needs `pan_speed` and `tilt_speed`. A fixture without
        an acceleration accelerates at once.
    rate_hz : float
        Steps per second (the player's tick rate, or the export's frames per second).

    Raises
    ------
    ValueError
        A fixture without top speeds, a rate that is not positive.
    """

    def __init__(self, fixtures: Sequence[Fixture], rate_hz: float) -> None:
        self._step = 1.0 / _positive("rate_hz", rate_hz)
        speeds, accelerations = [], []
        for fixture in fixtures:
            if fixture.pan_speed is None or fixture.tilt_speed is None:
                raise ValueError(f"a slew limit needs pan_speed and tilt_speed, got a fixture without them ({fixture.describe()})")
            half = (fixture.pan_degrees / 2.0, fixture.tilt_degrees / 2.0)
            # Everything runs in fractions of the half-range, the units the DMX value is made of.
            speeds.append((fixture.pan_speed / half[0], fixture.tilt_speed / half[1]))
            accelerations.append(
                (
                    math.inf if fixture.pan_acceleration is None else fixture.pan_acceleration / half[0],
                    math.inf if fixture.tilt_acceleration is None else fixture.tilt_acceleration / half[1],
                )
            )
        self._speed = np.array(speeds, dtype=np.float64).reshape(-1, 2)
        self._acceleration = np.array(accelerations, dtype=np.float64).reshape(-1, 2)
        self._position: FloatArray | None = None
        self._velocity: FloatArray = np.zeros_like(self._speed)

    def reset(self, start: FloatArray | None = None) -> None:
        """Forgets the path; the next step starts at rest at `start` (fractions, (n, 2))."""
        self._position = None if start is None else np.array(start, dtype=np.float64).reshape(self._speed.shape)
        self._velocity = np.zeros_like(self._speed)

    def step(self, target: FloatArray) -> FloatArray:
        """One step towards `target` (fractions of the half-range, (n, 2)); the new place."""
        if self._position is None:
            self._position = np.array(target, dtype=np.float64)
            return self._position.copy()
        dt = self._step
        gap = target - self._position
        distance = np.abs(gap)
        acceleration = self._acceleration
        # The speed from which braking a step at a time (a·dt less each step) stops on the
        # target: v²/(2a) + v·dt/2 = distance. Unlimited acceleration brakes at once.
        with np.errstate(invalid="ignore", divide="ignore"):
            braking = acceleration * (np.sqrt(dt * dt / 4.0 + 2.0 * distance / acceleration) - dt / 2.0)
        braking = np.where(np.isinf(acceleration), np.inf, braking)
        wanted = np.sign(gap) * np.minimum(np.minimum(distance / dt, braking), self._speed)
        change = np.clip(wanted - self._velocity, -acceleration * dt, acceleration * dt)
        velocity = self._velocity + change
        moved = self._position + velocity * dt
        # A step that reaches the target ends on it, at the speed that just reaches it,
        # when that speed is within one step's acceleration of the last; a target that
        # came at the head faster than it can brake is passed, and come back to.
        arrives = (
            (distance > 0.0)
            & (np.sign(gap) * velocity * dt >= distance)
            & (np.abs(gap / dt - self._velocity) <= acceleration * dt)
        )
        place: FloatArray = np.clip(np.where(arrives, target, moved), -1.0, 1.0)
        self._position, self._velocity = place, np.where(arrives, gap / dt, velocity)
        return place.copy()

    def run(self, targets: FloatArray) -> FloatArray:
        """Steps through targets (frames, n, 2) in order; the places, same shape."""
        out = np.empty_like(targets)
        for index in range(targets.shape[0]):
            out[index] = self.step(targets[index])
        return out


@dataclass(frozen=True)
class AxisSpeed:
    """The fastest a motion turns one axis of a fixture.

    Attributes
    ----------
    axis : str
        "pan" or "tilt".
    speed : float
        The highest speed asked, degrees per second (between two neighbouring pips).
    pip : int
        Where it is asked: between `pip` and `pip` + 1.
    acceleration : float
        The highest change of that speed, degrees per second squared (between pip steps).
    acceleration_pip : int
        Where that is asked.
    top_speed, top_acceleration : float or None
        The fixture's, where known.
    """

    axis: str
    speed: float
    pip: int
    acceleration: float
    acceleration_pip: int
    top_speed: float | None
    top_acceleration: float | None

    @property
    def too_fast(self) -> bool:
        return self.top_speed is not None and self.speed > self.top_speed

    @property
    def too_sudden(self) -> bool:
        return self.top_acceleration is not None and self.acceleration > self.top_acceleration


def speed_check(
    source: object, bpm: float, fixture: Fixture, *, pips: npt.ArrayLike | None = None, library: object = None
) -> tuple[AxisSpeed, AxisSpeed]:
    """How fast a motion asks a fixture to turn at a tempo: pan and tilt, at their peaks.

    Parameters
    ----------
    source : pattern
        Anything `render` takes.
    bpm : float
        The tempo.
    fixture : Fixture
        The head, through whose mapping the motion is turned into degrees.
    pips : array_like of int, optional
        The consecutive pips to look at; one loop of the source (and the step back to its
        start) by default, which needs a source with a period.
    library : velmora.PatternLibrary, optional
        As `render`.

    Returns
    -------
    (AxisSpeed, AxisSpeed)
        Pan, then tilt.

    Examples
    --------
    >>> pan, tilt = speed_check("sway", 120.0, Fixture(pan_speed=360.0))
    >>> round(pan.speed), pan.too_fast
    (565, True)
    """
    from velmora_kit.render import period_of, render

    tempo = _positive("bpm", bpm)
    if not isinstance(fixture, Fixture):
        raise TypeError(f"fixture must be a Fixture, got {type(fixture).__name__}")
    if pips is None:
        period = getattr(source, "period_pips", None)
        if period is None:
            period = period_of(source, library=library)  # type: ignore[arg-type]
        span: npt.NDArray[np.int64] = np.arange(int(period) + 2, dtype=np.int64)
    else:
        span = np.asarray(pips, dtype=np.int64).reshape(-1)
        if span.size < 3:
            raise ValueError(f"pips must hold at least 3 consecutive pips, got {span.size}")
    angles = fixture.degrees(render(source, span, library=library))  # type: ignore[arg-type]
    per_second = tempo / 60.0 * 64.0  # pips a second
    speed = np.abs(np.diff(angles, axis=0)) * per_second
    change = np.abs(np.diff(np.diff(angles, axis=0), axis=0)) * per_second * per_second
    result = []
    for index, axis in enumerate(("pan", "tilt")):
        fastest = int(np.argmax(speed[:, index]))
        sharpest = int(np.argmax(change[:, index]))
        result.append(
            AxisSpeed(
                axis,
                float(speed[fastest, index]),
                int(span[fastest]),
                float(change[sharpest, index]),
                int(span[sharpest + 1]),
                fixture.pan_speed if axis == "pan" else fixture.tilt_speed,
                fixture.pan_acceleration if axis == "pan" else fixture.tilt_acceleration,
            )
        )
    return result[0], result[1]
