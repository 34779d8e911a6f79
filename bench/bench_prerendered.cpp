// Cost of reading the pre-rendered store: a sampler on its own (one wrap and one load)
// and the built-in lookup by name, which adds the search over the name index.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string_view>

#include "catalogue/catalogue.hpp"
#include "catalogue/prerendered_samplers.hpp"

namespace {

template <velmora::Offset3 (*Sampler)(std::int32_t) noexcept>
void sampler(benchmark::State& state) {
    std::int32_t pip = -100000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Sampler(pip));
        pip = static_cast<std::int32_t>(static_cast<std::uint32_t>(pip) + 7U);
    }
}

void sample_by_name(benchmark::State& state, std::string_view name) {
    std::int32_t pip = -100000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(velmora::sample(name, pip));
        pip = static_cast<std::int32_t>(static_cast<std::uint32_t>(pip) + 7U);
    }
}

}  // namespace

// Power-of-two period: the pip is masked.
BENCHMARK_TEMPLATE(sampler, velmora_initial::sample_lfo_breathe)->Name("prerendered/sampler/lfo_breathe");
BENCHMARK_TEMPLATE(sampler, velmora_continuum::sample_silhouette_harmonic_16)->Name("prerendered/sampler/silhouette_harmonic_16");
// Other periods: remainder and correction.
BENCHMARK_TEMPLATE(sampler, velmora_atlas::sample_euclid_2_5)->Name("prerendered/sampler/euclid_2_5");
BENCHMARK_TEMPLATE(sampler, velmora_atlas::sample_meter_3_3_3_4)->Name("prerendered/sampler/meter_3_3_3_4");

BENCHMARK_CAPTURE(sample_by_name, lfo_breathe, std::string_view("lfo_breathe"))->Name("prerendered/sample/lfo_breathe");
BENCHMARK_CAPTURE(sample_by_name, euclid_2_5, std::string_view("euclid_2_5"))->Name("prerendered/sample/euclid_2_5");
BENCHMARK_CAPTURE(sample_by_name, silhouette, std::string_view("silhouette_harmonic_16"))
    ->Name("prerendered/sample/silhouette_harmonic_16");
BENCHMARK_CAPTURE(sample_by_name, weave, std::string_view("weave_5_9"))->Name("prerendered/sample/weave_5_9");
