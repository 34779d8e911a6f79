#!/usr/bin/env bash
# Runs every test: the C++ and C API tests (plain, and under ASan + UBSan with
# LeakSanitizer), the concurrency tests under ThreadSanitizer, a short run of each fuzz
# target, the installed C/C++ package with its example hosts, the Python tests against
# the installed module, and the type checks of the stubs and of velmora_kit. Expects
# scripts/setup.sh to have run.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${VELMORA_JOBS:-2}

# The pre-rendered store is generated once a run, and every tree below compiles that
# output instead of building and running the generator again. The module's own build
# (build/wheel, made by scripts/setup.sh) has generated it already: it is only brought up
# to date there. Without that build, it is generated in build/generator.
if [[ -f build/wheel/CMakeCache.txt ]]; then
    echo "[test] the pre-rendered store of the module's build, build/wheel"
    cmake --build build/wheel -j "$jobs" --target velmora_generated_store
    export VELMORA_PRERENDERED_DIR=$PWD/build/wheel/tools/generator/generated
else
    echo "[test] generating the pre-rendered store in build/generator"
    cmake -S . -B build/generator -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_PYTHON=OFF -DVELMORA_INSTALL=OFF \
        -DVELMORA_PRERENDERED_DIR= >/dev/null
    cmake --build build/generator -j "$jobs" --target velmora_generated_store
    export VELMORA_PRERENDERED_DIR=$PWD/build/generator/tools/generator/generated
fi
store=(-DVELMORA_PRERENDERED_DIR="$VELMORA_PRERENDERED_DIR")

run_cpp_tests() {  # build-dir, extra cmake arguments...
    local dir=$1
    shift
    echo "[test] C++ tests in $dir"
    cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_PYTHON=OFF -DVELMORA_BUILD_TESTS=ON "${store[@]}" "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
    ctest --test-dir "$dir" --output-on-failure -j "$jobs"
}

run_cpp_tests build/cpp
# The sanitizer build also takes the portable key scan, which the plain build (on a
# machine with AVX2) never reaches. Its C library is a shared one, so that Python can
# load it below.
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_cpp_tests build/sanitize -DVELMORA_SANITIZE=ON -DVELMORA_PORTABLE_KEY_SCAN=ON -DBUILD_SHARED_LIBS=ON

# The C API through ctypes, under ASan + UBSan: the interpreter is not built with the
# sanitizers, so their runtime is preloaded, with the C++ runtime beside it so that ASan
# can intercept exceptions. The interpreter's own allocations are not leak-checked.
echo "[test] C API through ctypes under ASan + UBSan"
LD_PRELOAD="$(g++ -print-file-name=libasan.so) $(g++ -print-file-name=libstdc++.so)" \
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    VELMORA_C_LIBRARY=$PWD/build/sanitize/libvelmora.so \
    .venv/bin/python -m pytest tests/python/test_c_api.py -q -p no:cacheprovider

# Many threads on the shared objects, under ThreadSanitizer: only the concurrency tests
# (and the canary that proves the race detector is on) are built there.
echo "[test] concurrency tests under ThreadSanitizer in build/tsan"
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_BUILD_PYTHON=OFF -DVELMORA_BUILD_TESTS=ON "${store[@]}" \
    -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build/tsan -j "$jobs" --target velmora_concurrency_tests velmora_tsan_canary
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/tsan --output-on-failure -R '^(Concurrency|ThreadSanitizer)\.'

# A short run of every fuzz target (clang, ASan + UBSan), about a minute in all; `make fuzz`
# runs each for ten minutes.
echo "[test] fuzz targets, ${VELMORA_CI_FUZZ_SECONDS:-15} s each"
FUZZ_SECONDS=${VELMORA_CI_FUZZ_SECONDS:-15} bash scripts/fuzz.sh

# The C/C++ package as users get it: the static library installed from build/cpp and the
# shared one from build/shared, each with both example hosts built against it.
echo "[test] C/C++ package: install, headers, example hosts"
bash scripts/check_install.sh build/cpp
cmake -S . -B build/shared -DCMAKE_BUILD_TYPE=Release -DVELMORA_BUILD_PYTHON=OFF -DBUILD_SHARED_LIBS=ON "${store[@]}" >/dev/null
cmake --build build/shared -j "$jobs" --target velmora_package >/dev/null
bash scripts/check_install.sh build/shared

echo "[test] Python tests"
.venv/bin/python -m pytest tests/python -q

# The stubs against the module as built (no allowlist), and the typed code over them.
echo "[test] stubtest and mypy --strict"
.venv/bin/python -m mypy.stubtest velmora
.venv/bin/python -m mypy --strict --cache-dir build/mypy_cache kit/velmora_kit examples tests/python/typed_usage.py

# The binding tests once more with freed memory poisoned (PYTHONMALLOC=debug) and the
# interpreter's development checks on (-X dev), so that a read of freed memory or a
# reference-count slip in a conversion shows. Only the suites that drive the bindings run
# here (about 40 s of CPU); the catalogue suites add minutes and no conversion of their own.
echo "[test] Python binding tests under PYTHONMALLOC=debug -X dev"
PYTHONMALLOC=debug .venv/bin/python -X dev -m pytest -q -p no:cacheprovider \
    tests/python/test_module.py tests/python/test_library.py tests/python/test_recording.py \
    tests/python/test_properties.py tests/python/test_leaks.py tests/python/test_memory_safety.py
