"""The pattern gallery: a static site that shows every built-in pattern moving in time.

`build_site(directory)` writes it; `make_server(directory)` serves a folder of it over
HTTP on the loopback address. The `velmora gallery` command does both.
"""

from __future__ import annotations

from velmora_kit.gallery.serve import make_server
from velmora_kit.gallery.site import SiteSummary, build_site

__all__ = ["SiteSummary", "build_site", "make_server"]
