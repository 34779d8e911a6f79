// Cost of one call of each core pattern, over a sweep of pips so that every
// stroke and segment is visited.
#include <benchmark/benchmark.h>

#include <cstdint>

#include <velmora/patterns.hpp>
#include "core/offset3.hpp"

namespace {

template <velmora::Offset3 (*Pattern)(std::int32_t) noexcept>
void core_pattern(benchmark::State& state) {
    std::int32_t pip = -1000;
    for (auto _ : state) {
        benchmark::DoNotOptimize(Pattern(pip));
        pip = static_cast<std::int32_t>(static_cast<std::uint32_t>(pip) + 7U);
    }
}

}  // namespace

BENCHMARK_TEMPLATE(core_pattern, velmora::bounce)->Name("core/bounce");
BENCHMARK_TEMPLATE(core_pattern, velmora::sway)->Name("core/sway");
BENCHMARK_TEMPLATE(core_pattern, velmora::circle)->Name("core/circle");
BENCHMARK_TEMPLATE(core_pattern, velmora::figure_eight)->Name("core/figure_eight");
BENCHMARK_TEMPLATE(core_pattern, velmora::step_touch)->Name("core/step_touch");
BENCHMARK_TEMPLATE(core_pattern, velmora::box_step)->Name("core/box_step");
BENCHMARK_TEMPLATE(core_pattern, velmora::helix)->Name("core/helix");
BENCHMARK_TEMPLATE(core_pattern, velmora::clay_background)->Name("core/clay_background");
BENCHMARK_TEMPLATE(core_pattern, velmora::single_stroke_roll)->Name("core/single_stroke_roll");
BENCHMARK_TEMPLATE(core_pattern, velmora::double_stroke_roll)->Name("core/double_stroke_roll");
BENCHMARK_TEMPLATE(core_pattern, velmora::multiple_bounce_roll)->Name("core/multiple_bounce_roll");
BENCHMARK_TEMPLATE(core_pattern, velmora::single_paradiddle)->Name("core/single_paradiddle");
BENCHMARK_TEMPLATE(core_pattern, velmora::flam)->Name("core/flam");
BENCHMARK_TEMPLATE(core_pattern, velmora::drag)->Name("core/drag");
BENCHMARK_TEMPLATE(core_pattern, velmora::five_stroke_roll)->Name("core/five_stroke_roll");
