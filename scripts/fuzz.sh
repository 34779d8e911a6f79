#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan, in their own build directory so that
# the gcc builds are untouched) and runs each for FUZZ_SECONDS (600 by default), one after
# the other. Corpora and any crash artefacts stay in the build directory. With
# VELMORA_PRERENDERED_DIR set (scripts/test.sh sets it) the build compiles that generated
# store instead of generating its own.
#   FUZZ_SECONDS=60 FUZZ_TARGETS="sample_name" bash scripts/fuzz.sh
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-600}
dir=${VELMORA_FUZZ_DIR:-build/fuzz}
read -r -a targets <<<"${FUZZ_TARGETS:-sample_name sampled_pattern pattern_library sampled_recording}"

cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DVELMORA_BUILD_PYTHON=OFF -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_FUZZ=ON \
    -DVELMORA_PRERENDERED_DIR="${VELMORA_PRERENDERED_DIR:-}" >/dev/null
cmake --build "$dir" -j "${VELMORA_JOBS:-2}" >/dev/null
"$dir/fuzz/fuzz_names_dictionary" >"$dir/names.dict"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
status=0
for target in "${targets[@]}"; do
    corpus=$dir/corpus/$target
    artefacts=$dir/artefacts/$target
    log=$dir/fuzz_$target.log
    mkdir -p "$corpus" "$artefacts"
    options=(-max_total_time="$seconds" -timeout=30 -rss_limit_mb=2560 -print_final_stats=1
             -artifact_prefix="$artefacts/")
    [[ $target == sample_name ]] && options+=(-dict="$dir/names.dict")
    if "$dir/fuzz/fuzz_$target" "${options[@]}" "$corpus" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "[fuzz] fuzz_$target: ${runs:-?} executions in ${seconds} s, no findings (corpus $corpus)"
    else
        echo "[fuzz] fuzz_$target FAILED; log: $log, input kept in $artefacts" >&2
        grep -E 'ERROR|oracle failed|runtime error' "$log" | head -5 >&2 || true
        status=1
    fi
done
exit $status
