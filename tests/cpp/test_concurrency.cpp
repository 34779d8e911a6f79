// Many threads reading the same objects at once: the first catalogue() call, the built-in
// lookup, libraries and recordings. Run under ThreadSanitizer by scripts/test.sh. Each test
// runs in its own process under ctest, so every one of them starts with the catalogue vector
// still unbuilt.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/catalogue.hpp"
#include "catalogue/prerendered.hpp"
#include <velmora/patterns.hpp>
#include "core/offset3.hpp"
#include <velmora/pattern_library.hpp>
#include <velmora/sampled_pattern.hpp>
#include <velmora/sampled_recording.hpp>

namespace velmora {
namespace {

constexpr int THREADS = 8;

bool same(Offset3 a, Offset3 b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// Starts `THREADS` threads that wait for each other and then run `body(thread index)`.
void run_together(const std::function<void(int)>& body) {
    std::latch start(THREADS);
    std::vector<std::thread> threads;
    for (int t = 0; t < THREADS; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            body(t);
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

std::vector<std::int32_t> pips() {
    return {0, 1, -1, 63, 64, 300, -65536, INT32_MIN, INT32_MAX, 123456789};
}

TEST(Concurrency, FirstCatalogueCallFromEightThreads) {
    std::vector<const std::vector<CatalogueEntry>*> seen(THREADS, nullptr);
    std::vector<std::size_t> name_bytes(THREADS, 0);
    run_together([&](int t) {
        const std::vector<CatalogueEntry>& entries = catalogue();
        seen[static_cast<std::size_t>(t)] = &entries;
        std::size_t bytes = 0;
        for (const CatalogueEntry& entry : entries) {  // every thread reads the whole vector
            bytes += entry.name.size() + entry.description.size() + entry.period_pips + entry.dimensions;
        }
        name_bytes[static_cast<std::size_t>(t)] = bytes;
    });
    const std::size_t expected_size = 15 + prerendered::rows.size();
    for (int t = 0; t < THREADS; ++t) {
        EXPECT_EQ(seen[static_cast<std::size_t>(t)], seen[0]);
        EXPECT_EQ(name_bytes[static_cast<std::size_t>(t)], name_bytes[0]);
    }
    ASSERT_NE(seen[0], nullptr);
    EXPECT_EQ(seen[0]->size(), expected_size);
    EXPECT_EQ(seen[0]->front().name, "bounce");
}

TEST(Concurrency, LookupByNameWhileTheCatalogueIsBuilt) {
    // Half the threads build the catalogue, the other half sample through the lookup, which
    // reads only the constant tables.
    const Offset3 expected = helix(77);
    std::vector<int> agreed(THREADS, 0);
    run_together([&](int t) {
        if (t % 2 == 0) {
            agreed[static_cast<std::size_t>(t)] = catalogue().size() == 15 + prerendered::rows.size();
        } else {
            agreed[static_cast<std::size_t>(t)] = same(sample("helix", 77), expected);
        }
    });
    for (int ok : agreed) {
        EXPECT_TRUE(ok);
    }
}

TEST(Concurrency, EveryBuiltInNameFromManyThreads) {
    // Expected values first, from one thread; then every thread samples every name, each
    // starting at a different point of the catalogue.
    const std::vector<CatalogueEntry>& entries = catalogue();
    const std::vector<std::int32_t> at = pips();
    std::vector<Offset3> expected;
    for (const CatalogueEntry& entry : entries) {
        for (std::int32_t pip : at) {
            expected.push_back(sample(entry.name, pip));
        }
    }
    std::vector<std::size_t> mismatches(THREADS, 0);
    run_together([&](int t) {
        const std::size_t n = entries.size();
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t e = (k + static_cast<std::size_t>(t) * n / THREADS) % n;
            for (std::size_t p = 0; p < at.size(); ++p) {
                if (!same(sample(entries[e].name, at[p]), expected[e * at.size() + p])) {
                    ++mismatches[static_cast<std::size_t>(t)];
                }
            }
        }
        try {
            sample("no_such_pattern", 0);
        } catch (const UnknownPatternName&) {
        }
    });
    for (std::size_t m : mismatches) {
        EXPECT_EQ(m, 0u);
    }
}

std::vector<Offset3> ramp(std::size_t count, double y) {
    std::vector<Offset3> samples;
    for (std::size_t i = 0; i < count; ++i) {
        samples.push_back(Offset3{static_cast<double>(i) / static_cast<double>(count), y, 0.0});
    }
    return samples;
}

TEST(Concurrency, LibrariesBuiltAndReadFromManyThreads) {
    // Each thread builds its own library on the catalogue's first use, then every thread
    // reads one shared library, its patterns and a shared recording.
    std::vector<SampledPattern> pack;
    for (int i = 0; i < 64; ++i) {
        pack.emplace_back("user_" + std::to_string(i), "shared", ramp(static_cast<std::size_t>(i) + 1, 0.5));
    }
    std::vector<std::size_t> built(THREADS, 0);
    run_together([&](int t) {
        const PatternLibrary own(std::vector<SampledPattern>(pack.begin(), pack.begin() + t + 1));
        built[static_cast<std::size_t>(t)] = own.catalogue().size();
    });
    for (int t = 0; t < THREADS; ++t) {
        EXPECT_EQ(built[static_cast<std::size_t>(t)], catalogue().size() + static_cast<std::size_t>(t) + 1);
    }

    const PatternLibrary library(pack);
    std::vector<std::vector<double>> rows;
    for (int r = 0; r < 256; ++r) {
        rows.push_back({r / 256.0, -r / 256.0});
    }
    const SampledRecording recording("take", {"x", "y"}, rows, 120.0, 0.0, -100);
    std::vector<std::size_t> mismatches(THREADS, 0);
    run_together([&](int t) {
        std::size_t& bad = mismatches[static_cast<std::size_t>(t)];
        for (int round = 0; round < 200; ++round) {
            const int i = (round + t) % 64;
            const std::int32_t pip = round * 7919 - 500000;
            const std::string name = "user_" + std::to_string(i);
            bad += !same(library.sample(name, pip), pack[static_cast<std::size_t>(i)].sample(pip));
            bad += !same(library.sample("circle", pip), sample("circle", pip));
            const int r = (round * 13 + t) % 256;
            bad += recording.sample(-100 + r) != rows[static_cast<std::size_t>(r)];
            if (round % 50 == 0) {
                bad += library.catalogue().size() != catalogue().size() + pack.size();
            }
        }
    });
    for (std::size_t m : mismatches) {
        EXPECT_EQ(m, 0u);
    }
}

}  // namespace
}  // namespace velmora
