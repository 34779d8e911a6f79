// Construction and lookup costs of the pattern library, and the recording constructor
// at its size limit.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue.hpp"
#include <velmora/pattern_library.hpp>
#include <velmora/sampled_pattern.hpp>
#include <velmora/sampled_recording.hpp>
#include "recording_input.hpp"

namespace {

using velmora::CatalogueEntry;
using velmora::Offset3;
using velmora::PatternLibrary;
using velmora::SampledPattern;

std::string user_name(int index) {
    std::string name = "user_pattern_";
    name += std::to_string(10000 + index);
    return name;
}

// 1,024 patterns of 1,024 samples: the largest pack the library accepts.
std::vector<SampledPattern> full_pack() {
    std::vector<SampledPattern> pack;
    pack.reserve(PatternLibrary::MAX_PATTERNS);
    for (int i = 0; i < 1024; ++i) {
        std::vector<Offset3> samples(1024);
        for (int s = 0; s < 1024; ++s) {
            samples[static_cast<std::size_t>(s)] = Offset3{(s % 200) / 200.0, ((s + i) % 100) / 100.0, 0.0};
        }
        pack.emplace_back(user_name(i), "benchmark pattern", std::move(samples));
    }
    return pack;
}

// The longest built-in entry: a pattern repeating it costs one lookup per sample.
const CatalogueEntry& longest_builtin() {
    const CatalogueEntry* longest = &velmora::catalogue().front();
    for (const CatalogueEntry& entry : velmora::catalogue()) {
        if (entry.period_pips > longest->period_pips) {
            longest = &entry;
        }
    }
    return *longest;
}

void library_construct_full_pack(benchmark::State& state) {
    const std::vector<SampledPattern> pack = full_pack();
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<SampledPattern> input = pack;  // the constructor consumes its input
        state.ResumeTiming();
        PatternLibrary library(std::move(input));
        benchmark::DoNotOptimize(library);
        state.PauseTiming();
        { PatternLibrary discard = std::move(library); }  // freeing is not construction
        state.ResumeTiming();
    }
}

void library_construct_builtin_repeat(benchmark::State& state) {
    const CatalogueEntry& entry = longest_builtin();
    std::vector<Offset3> samples;
    for (std::int32_t pip = 0; pip < entry.period_pips; ++pip) {
        samples.push_back(velmora::sample(entry.name, pip));
    }
    const SampledPattern repeat(std::string(entry.name), std::string(entry.description), samples);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<SampledPattern> input{repeat};
        state.ResumeTiming();
        PatternLibrary library(std::move(input));
        benchmark::DoNotOptimize(library);
    }
    state.SetItemsProcessed(state.iterations() * entry.period_pips);
    state.SetLabel(std::string(entry.name) + ", " + std::to_string(entry.period_pips) + " samples");
}

void builtin_lookup_per_sample(benchmark::State& state) {
    const CatalogueEntry& entry = longest_builtin();
    std::int32_t pip = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(velmora::sample(entry.name, pip));
        pip = (pip + 1) % entry.period_pips;
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(std::string(entry.name));
}

void library_sample(benchmark::State& state, int user_index) {
    const PatternLibrary library(full_pack());
    const std::string name = user_index >= 0 ? user_name(user_index) : std::string("bounce");
    std::int32_t pip = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(library.sample(name, pip));
        ++pip;
    }
}

// The fixed cost of going through a library: no user names to scan.
void empty_library_sample(benchmark::State& state) {
    const PatternLibrary library;
    const std::string name = "bounce";
    std::int32_t pip = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(library.sample(name, pip));
        ++pip;
    }
}

void builtin_sample(benchmark::State& state) {
    std::int32_t pip = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(velmora::sample("bounce", pip));
        ++pip;
    }
}

void recording_construct_limit(benchmark::State& state) {
    const velmora::bench::RecordingInput input =
        velmora::bench::recording_at_limit(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        velmora::SampledRecording recording("take", input.axis_names, input.rows, 120.0, 0.0, 0);
        benchmark::DoNotOptimize(recording);
    }
    state.SetBytesProcessed(state.iterations() *
                            static_cast<std::int64_t>(velmora::SampledRecording::MAX_VALUES * sizeof(double)));
}

}  // namespace

BENCHMARK(library_construct_full_pack)->Name("library/construct_1024x1024")->Unit(benchmark::kMillisecond);
BENCHMARK(library_construct_builtin_repeat)->Name("library/construct_builtin_repeat")->Unit(benchmark::kMicrosecond);
BENCHMARK(builtin_lookup_per_sample)->Name("library/builtin_lookup_per_sample");
BENCHMARK_CAPTURE(library_sample, user_first, 0)->Name("library/sample_user_first_of_1024");
BENCHMARK_CAPTURE(library_sample, user_last, 1023)->Name("library/sample_user_last_of_1024");
BENCHMARK_CAPTURE(library_sample, builtin, -1)->Name("library/sample_builtin_past_1024");
BENCHMARK(empty_library_sample)->Name("library/sample_builtin_empty_library");
BENCHMARK(builtin_sample)->Name("library/builtin_sample_bounce");
BENCHMARK(recording_construct_limit)->Name("recording/construct_8388608_values")->Arg(1)->Arg(1024)
    ->Unit(benchmark::kMillisecond);
