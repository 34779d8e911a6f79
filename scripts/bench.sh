#!/usr/bin/env bash
# Builds the benchmarks (optimised, no sanitizers) and runs the C++ and Python ones.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build/bench
python=$PWD/.venv/bin/python
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_BENCH=ON \
    -DPython_EXECUTABLE="$python" -Dpybind11_DIR="$("$python" -m pybind11 --cmakedir)" >/dev/null
cmake --build "$dir" -j "${VELMORA_JOBS:-2}"
echo "== C++ benchmarks (median of 5 repetitions) =="
"$dir/bench/velmora_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 2>/dev/null | grep -E '_median|^Benchmark|^---'
echo "== Python benchmarks =="
for script in bench/bench_*.py; do
    PYTHONPATH="$dir" "$python" "$script"
done
