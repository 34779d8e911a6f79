#!/usr/bin/env bash
# Runs every test: the C++ tests (plain and under ASan + UBSan) and the Python tests
# against the installed module. Expects scripts/setup.sh to have run.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${VELMORA_JOBS:-2}

run_cpp_tests() {  # build-dir, extra cmake arguments...
    local dir=$1
    shift
    echo "[test] C++ tests in $dir"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_PYTHON=OFF -DVELMORA_BUILD_TESTS=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_cpp_tests build/cpp
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_cpp_tests build/sanitize -DVELMORA_SANITIZE=ON

echo "[test] Python tests"
.venv/bin/python -m pytest tests/python -q
