#!/usr/bin/env bash
# Builds the benchmarks (optimised, no sanitizers), runs the C++ and the Python ones and
# prints one table: every performance target next to its measured median and their ratio.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${VELMORA_BENCH_DIR:-build/bench}
python=$PWD/.venv/bin/python
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_BENCH=ON \
    -DPython_EXECUTABLE="$python" -Dpybind11_DIR="$("$python" -m pybind11 --cmakedir)" >/dev/null
cmake --build "$dir" -j "${VELMORA_JOBS:-2}" >/dev/null
echo "[bench] C++ benchmarks (median of 5 repetitions; all figures in $dir/cpp_bench.txt)"
"$dir/bench/velmora_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_min_time=0.2 --benchmark_out="$dir/cpp_bench.json" --benchmark_out_format=json \
    >"$dir/cpp_bench.txt" 2>/dev/null
echo "[bench] recording constructor's own allocations"
"$dir/bench/velmora_recording_peak" >"$dir/recording_peak.txt"
echo "[bench] Python benchmarks"
PYTHONPATH="$dir" "$python" bench/report.py "$dir/cpp_bench.json" "$dir"
# Python benchmark scripts that the report does not read yet are shown as they print.
# The show export runs ten minutes of show by default (about 3 GB of CSV on the way);
# VELMORA_SHOW_ARGS="" runs its full hour (about 20 GB and ten minutes).
for script in bench/bench_*.py; do
    args=()
    case $(basename "$script") in
        bench_module.py|bench_library.py|bench_kit.py) continue ;;
        bench_show.py) read -r -a args <<<"${VELMORA_SHOW_ARGS---seconds 600}" ;;
    esac
    PYTHONPATH="$dir" "$python" "$script" "${args[@]}"
done
