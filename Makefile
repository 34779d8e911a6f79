# Quick start: `make demo` sets everything up and runs the demo; `make test` sets
# everything up and runs every test.
.PHONY: setup demo test bench fuzz clean

setup:
	bash scripts/setup.sh

demo: setup
	.venv/bin/python examples/demo.py

test: setup
	bash scripts/test.sh

bench: setup
	bash scripts/bench.sh

# Each fuzz target for FUZZ_SECONDS (600 by default), one after the other.
FUZZ_SECONDS ?= 600
fuzz: setup
	FUZZ_SECONDS=$(FUZZ_SECONDS) bash scripts/fuzz.sh

clean:
	rm -rf build
