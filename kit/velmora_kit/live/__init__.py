"""Live output: play motion sources in real time to OSC, Art-Net and sACN receivers.

`Player` keeps the time (a tempo started at `play()`, or a MIDI clock) and ticks on
absolute deadlines; each tick's `Frame` goes to every sink. `OscSink`, `ArtNetSink` and
`SacnSink` are the network sinks; anything with ``open``, ``send`` and ``close`` is a sink too.
"""

from __future__ import annotations

from velmora_kit.live.artnet import ArtNetSink
from velmora_kit.live.frame import Frame, Sink
from velmora_kit.live.osc import OscSink
from velmora_kit.live.player import Player, PlaySummary
from velmora_kit.live.sacn import SacnSink

__all__ = ["ArtNetSink", "Frame", "OscSink", "PlaySummary", "Player", "SacnSink", "Sink"]
