# Quick start: `make demo` sets everything up and runs the demo; `make test` sets
# everything up and runs every test.
.PHONY: setup demo test bench clean

setup:
	bash scripts/setup.sh

demo: setup
	.venv/bin/python examples/demo.py

test: setup
	bash scripts/test.sh

bench: setup
	bash scripts/bench.sh

clean:
	rm -rf build
