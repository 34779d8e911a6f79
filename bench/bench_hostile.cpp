// Lookups with names built to be expensive, next to the costs they are bounded by: a
// library of 1,024 names that agree in all but four of their 128 bytes against the plain
// scan over the same names, and refusals of unknown names, short and 4 KiB long.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "catalogue/catalogue.hpp"
#include "hostile_names.hpp"

namespace {

using namespace velmora;

template <typename Name>
void library_last_of_1024(benchmark::State& state, Name make) {
    const PatternLibrary library(hostile::pack_of(make));
    const std::string name = make(1023);
    std::int32_t pip = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(library.sample(name, pip++));
    }
}

template <typename Name>
void plain_scan_last_of_1024(benchmark::State& state, Name make) {
    const PatternLibrary library(hostile::pack_of(make));
    const std::string name = make(1023);
    std::int32_t pip = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(hostile::plain_scan(library, name)->sample(pip++));
    }
}

void unknown_name(benchmark::State& state) {
    const std::string name(static_cast<std::size_t>(state.range(0)), 'q');
    for (auto _ : state) {
        try {
            benchmark::DoNotOptimize(velmora::sample(name, 0));
        } catch (const UnknownPatternName& error) {
            benchmark::DoNotOptimize(error.what());
        }
    }
}

}  // namespace

BENCHMARK_CAPTURE(library_last_of_1024, shared_prefix, hostile::shared_prefix_name)
    ->Name("hostile/library_shared_prefix_last_of_1024");
BENCHMARK_CAPTURE(plain_scan_last_of_1024, shared_prefix, hostile::shared_prefix_name)
    ->Name("hostile/plain_scan_shared_prefix_last_of_1024");
BENCHMARK_CAPTURE(library_last_of_1024, plain, hostile::plain_name)->Name("hostile/library_plain_last_of_1024");
BENCHMARK_CAPTURE(plain_scan_last_of_1024, plain, hostile::plain_name)->Name("hostile/plain_scan_plain_last_of_1024");
BENCHMARK(unknown_name)->Name("hostile/sample_unknown")->Arg(9)->Arg(4096);
