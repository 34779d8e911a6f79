// No name makes a lookup cost more than its bound predicts. The bound of the built-in lookup
// is the same for every name (a comparison chain for the core names, about eleven name
// comparisons of at most 32 bytes, one sampler call); that of the library is one pass over
// its stored names. Costs are compared as ratios of best-of-many timings in one process,
// with wide margins, so machine load does not decide the outcome; the plain build runs
// them, the sanitizer builds (whose instrumentation distorts timings) do not.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue.hpp"
#include "hostile_names.hpp"

namespace velmora {
namespace {

// The best time per call, in nanoseconds, over several batches.
template <typename Call>
double best_ns(Call&& call, int calls = 2000, int batches = 15) {
    double best = 1e300;
    for (int b = 0; b < batches; ++b) {
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < calls; ++i) {
            call(i);
        }
        const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / calls);
    }
    return best;
}

volatile double sink;

double sample_cost(std::string_view name) {
    return best_ns([&](int i) { sink = velmora::sample(name, i).x; }, 500, 9);
}

double unknown_cost(const std::string& name) {
    return best_ns(
        [&](int i) {
            try {
                sink = velmora::sample(name, i).x;
            } catch (const UnknownPatternName&) {
            }
        },
        200, 9);
}

TEST(LookupCost, EveryBuiltInNameCostsAboutTheSame) {
    std::vector<double> costs;
    std::string slowest;
    double worst = 0.0;
    for (const CatalogueEntry& entry : catalogue()) {
        const double cost = sample_cost(entry.name);
        costs.push_back(cost);
        if (cost > worst) {
            worst = cost;
            slowest = std::string(entry.name);
        }
    }
    std::nth_element(costs.begin(), costs.begin() + static_cast<std::ptrdiff_t>(costs.size() / 2), costs.end());
    const double median = costs[costs.size() / 2];
    // A sampler or a core function differ in cost by design; a search that degraded with
    // the name (a scan, a long comparison) would be tens of times slower.
    EXPECT_LT(worst, 8 * median + 50) << slowest << ": " << worst << " ns against a median of " << median << " ns";
}

TEST(LookupCost, UnknownNamesCostTheRefusalAndACopyOfTheName) {
    const double short_name = unknown_cost("nope_nope");
    const std::string builtin(catalogue().back().name);
    const std::vector<std::string> hostile = {
        builtin + "_",                           // a built-in name and one byte more
        builtin.substr(0, builtin.size() - 1),   // a proper prefix of one
        std::string(32, 'z'), std::string(33, 'a'),
        std::string(builtin.size(), '\0'),       // zero bytes of a built-in length
        std::string(4096, 'a'),                  // far longer than any built-in name
        "sway" + std::string(4092, ' '),
    };
    for (const std::string& name : hostile) {
        // The message copies the name, so only the copy may add to the cost: 4 KiB is a
        // fraction of the cost of the exception itself.
        EXPECT_LT(unknown_cost(name), 4 * short_name + 200) << name.size() << "-byte name";
    }
}

TEST(LookupCost, LibraryScanNeverLosesToThePlainScan) {
    for (const auto& make : {hostile::shared_prefix_name, hostile::plain_name}) {
        const PatternLibrary library(hostile::pack_of(make));
        for (int index : {0, 511, 1023}) {
            const std::string name = make(index);
            ASSERT_EQ(&library.patterns()[static_cast<std::size_t>(index)], hostile::plain_scan(library, name));
            const double own = best_ns([&](int i) { sink = library.sample(name, i).x; });
            const double plain = best_ns([&](int i) { sink = hostile::plain_scan(library, name)->sample(i).x; });
            EXPECT_LT(own, 3 * plain + 50) << name << ": " << own << " ns, plain scan " << plain << " ns";
        }
        // A built-in name passes every stored name first, then takes the built-in lookup.
        const double plain = best_ns([&](int) { sink = hostile::plain_scan(library, "circle") == nullptr; });
        const double builtin = best_ns([&](int i) { sink = velmora::sample("circle", i).x; });
        const double own = best_ns([&](int i) { sink = library.sample("circle", i).x; });
        EXPECT_LT(own, 3 * (plain + builtin) + 50) << own << " ns past " << library.patterns().size() << " names";
    }
}

}  // namespace
}  // namespace velmora
