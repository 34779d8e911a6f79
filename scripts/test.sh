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

echo "[test] Python tests"
.venv/bin/python -m pytest tests/python -q

# The binding tests once more with freed memory poisoned (PYTHONMALLOC=debug) and the
# interpreter's development checks on (-X dev), so that a read of freed memory or a
# reference-count slip in a conversion shows. Only the suites that drive the bindings run
# here (about 40 s of CPU); the catalogue suites add minutes and no conversion of their own.
echo "[test] Python binding tests under PYTHONMALLOC=debug -X dev"
PYTHONMALLOC=debug .venv/bin/python -X dev -m pytest -q -p no:cacheprovider \
    tests/python/test_module.py tests/python/test_library.py tests/python/test_recording.py \
    tests/python/test_properties.py tests/python/test_leaks.py tests/python/test_memory_safety.py
