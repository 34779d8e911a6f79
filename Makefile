# Quick start: `make demo` sets everything up and runs the demo; `make test` sets
# everything up and runs every test.
.PHONY: setup demo test bench fuzz wheel clean

setup:
	VELMORA_EXTRAS=$(EXTRAS) bash scripts/setup.sh test

# The demo's set-up installs only what the module and the demo need at run time;
# `make demo EXTRAS=osc,gltf` adds optional features of velmora_kit.
EXTRAS ?=
demo:
	VELMORA_EXTRAS=$(EXTRAS) bash scripts/setup.sh demo
	.venv/bin/python examples/demo.py
	@echo "velmora is installed in .venv: 'source .venv/bin/activate' puts the velmora command and its python on PATH"

test: setup
	bash scripts/test.sh

bench: setup
	bash scripts/bench.sh

# Each fuzz target for FUZZ_SECONDS (600 by default), one after the other.
FUZZ_SECONDS ?= 600
fuzz: setup
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/fuzz.sh

# The sdist and a manylinux wheel in dist/, the wheel built from the sdist alone and
# tested in a fresh venv where no compiler can run.
wheel: setup
	bash scripts/check_wheel.sh

clean:
	rm -rf build
