import doctest
import importlib

import pytest


@pytest.mark.parametrize("name", [
    "velmora_kit.render", "velmora_kit.tempo", "velmora_kit.midi",
    "velmora_kit.shapes", "velmora_kit.easing", "velmora_kit.transform", "velmora_kit.search",
    "velmora_kit.recording", "velmora_kit.stream", "velmora_kit.drums", "velmora_kit.audio", "velmora_kit.grooves",
])
def test_docstring_examples_run(name):
    result = doctest.testmod(importlib.import_module(name), optionflags=doctest.NORMALIZE_WHITESPACE)
    assert result.attempted > 0 and result.failed == 0
