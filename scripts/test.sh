#!/usr/bin/env bash
# Runs every test: the C++ tests (plain, and under ASan + UBSan with LeakSanitizer), the
# concurrency tests under ThreadSanitizer, a short run of each fuzz target, and the Python
# tests against the installed module. Expects scripts/setup.sh to have run.
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
# The sanitizer build also takes the portable key scan, which the plain build (on a
# machine with AVX2) never reaches.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_cpp_tests build/sanitize -DVELMORA_SANITIZE=ON -DVELMORA_PORTABLE_KEY_SCAN=ON

# Many threads on the shared objects, under ThreadSanitizer: only the concurrency tests
# (and the canary that proves the race detector is on) are built there.
echo "[test] concurrency tests under ThreadSanitizer in build/tsan"
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_PYTHON=OFF -DVELMORA_BUILD_TESTS=ON \
    -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build/tsan -j "$jobs" --target velmora_concurrency_tests velmora_tsan_canary
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan --output-on-failure -R '^(Concurrency|ThreadSanitizer)\.'

# A short run of every fuzz target (clang, ASan + UBSan), about a minute in all; `make fuzz`
# runs each for ten minutes.
echo "[test] fuzz targets, ${VELMORA_CI_FUZZ_SECONDS:-15} s each"
FUZZ_SECONDS=${VELMORA_CI_FUZZ_SECONDS:-15} bash scripts/fuzz.sh

# velmora_kit is typed throughout (about 20 s on a first run, a few seconds from its cache).
echo "[test] velmora_kit type check (mypy --strict)"
.venv/bin/python -m mypy --strict kit/velmora_kit

echo "[test] Python tests"
.venv/bin/python -m pytest tests/python -q
